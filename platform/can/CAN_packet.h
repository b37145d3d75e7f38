// One CAN frame as the bus library carries it: a 16-byte record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct CAN_packet {
    enum : uint8_t { FLAG_EXTENDED = 0x01 };  // flags bit 0: 29-bit identifier

    uint32_t id;        // identifier word (11 or 29 bits used)
    uint8_t length;     // data length, 0-8
    uint8_t data[8];
    uint8_t flags;
    uint8_t reserved[2];

    CAN_packet() { std::memset(this, 0, sizeof *this); }

    bool is_extended() const { return (flags & FLAG_EXTENDED) != 0; }
    void set_extended(bool ext)
    {
        flags = ext ? uint8_t(flags | FLAG_EXTENDED) : uint8_t(flags & ~FLAG_EXTENDED);
    }
};

static_assert(sizeof(CAN_packet) == 16, "CAN_packet is the 16-byte frame record");
static_assert(offsetof(CAN_packet, length) == 4 && offsetof(CAN_packet, data) == 5 &&
                  offsetof(CAN_packet, flags) == 13,
              "CAN_packet field offsets");
