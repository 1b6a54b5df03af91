#pragma once

#include "protocol/command_set.h"

class Link;

// Model A, "MV210".
class Cmd210 : public CommandSet {
public:
    explicit Cmd210(Link &link);
    bool ReadStatus(StatusRecord &status) override;

private:
    Link &link;
};
