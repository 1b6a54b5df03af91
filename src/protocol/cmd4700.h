#pragma once

#include "protocol/command_set.h"

class Link;

// Model B, "MV4700".
class Cmd4700 : public CommandSet {
public:
    explicit Cmd4700(Link &link);
    bool ReadStatus(StatusRecord &status) override;

private:
    Link &link;
};
