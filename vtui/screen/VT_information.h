// What the toolkit knows of the connected VT: its capabilities as the client
// library delivers them and a kind derived from the VT's NAME.
#pragma once

#include "can/JIN_name.h"
#include "platform/vt/Object_pool.h"

struct VT_information {
    // Kind 4 wants live editing of every input.
    static constexpr int KIND_LIVE_EDIT = 4;

    VT::vt_capabilities_t caps;
    int kind = 0;
    bool kind_by_version = false;

    VT_information() = default;
    VT_information(const JIN_name::RAWNAME& name, const VT::vt_capabilities_t& caps);

    // Byte i of the capabilities record (words low byte first).
    unsigned cap_byte(int i) const;
};
