// Where the diagnostics learn the address that one of the node's NAMEs
// holds on a CAN stack at the moment (the name manager of that stack).
#pragma once

#include "can/JIN_name.h"

class Diagnostics_address_book {
public:
    virtual ~Diagnostics_address_book() = default;
    // 255 when the NAME holds no address.
    virtual unsigned char address_of(const JIN_name::RAWNAME& name) = 0;
};
