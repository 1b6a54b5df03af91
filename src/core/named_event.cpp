#include "core/named_event.h"

Event &SerialEvent() {
    static Event event(true);
    return event;
}

Event &ConfiguracaoEvent() {
    static Event event(true);
    return event;
}
