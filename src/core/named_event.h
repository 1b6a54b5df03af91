#pragma once

#include "core/condition.h"

// The two process-wide manual-reset events that keep the identification thread and the
// sensor thread apart. Both start set.
Event &SerialEvent();       // set while the sensor thread is not using the port
Event &ConfiguracaoEvent(); // set while no printer identification is in progress
