// The J1939 diagnostic messages DM1 (active codes) and DM2 (previously
// active codes): two lamp bytes, then one 4-byte entry per code.
#pragma once

#include "can/JIN_grow_message.h"
#include "can/JIN_transmission.h"

#include <cstdint>
#include <cstring>

namespace J1939 {

enum : unsigned {
    PGN_DM1 = 65226,
    PGN_DM2 = 65227,
    PGN_DM3 = 65228,
};

// A J1939 message with its PGN and priority fixed, sent as a broadcast.
template <unsigned PGN, unsigned PRIO>
class J1939_message : public JIN::Transmission_broadcast<JIN_grow_message, PGN, PRIO> {
public:
    static constexpr unsigned priority = PRIO;

    J1939_message(unsigned char* buffer, unsigned len)
        : JIN::Transmission_broadcast<JIN_grow_message, PGN, PRIO>(buffer, len)
    {
    }
};

// Entry i takes bytes 2 + 4i to 5 + 4i: SPN bits 0-15, then FMI in bits 0-4
// and SPN bits 16-18 in bits 5-7, then the occurrence count (0-127).
template <unsigned PGN>
class Msg_DM1DM2 : public J1939_message<PGN, 6> {
public:
    static constexpr unsigned BUFFER_SIZE = 1026;
    static constexpr unsigned MAX_ENTRIES = 250;
    static constexpr const char* debug_name = "DM1DM2";

    Msg_DM1DM2() : J1939_message<PGN, 6>(data_, BUFFER_SIZE) { std::memset(data_, 0xFF, sizeof data_); }
    Msg_DM1DM2(const Msg_DM1DM2&) = delete;
    Msg_DM1DM2& operator=(const Msg_DM1DM2&) = delete;

    // Sets the length for n entries (4n + 2 bytes, at least 8); with no
    // entry the first entry's bytes read "no code" (all 0). Bytes past the
    // entries are 0xFF. Returns the number of entries the message covers.
    unsigned set_num_entries(unsigned n)
    {
        if (n > MAX_ENTRIES)
            n = MAX_ENTRIES;
        unsigned len = 4 * n + 2 < 8 ? 8 : 4 * n + 2;
        std::memset(data_ + 2 + 4 * n, 0xFF, BUFFER_SIZE - 2 - 4 * n);
        this->JIN_base_message::set_length(len);
        if (n == 0)
            std::memset(data_ + 2, 0, 4);
        return n;
    }

    // Writes entry i when the length covers it.
    bool set_entry(unsigned i, uint32_t entry)
    {
        if (i >= MAX_ENTRIES || 2 + 4 * i + 4 > this->get_length())
            return false;
        return this->Binary_message::set_uint32_le(2 + 4 * i, entry);
    }

    // Length and entries at once.
    void fill(const uint32_t* entries, unsigned n)
    {
        n = set_num_entries(n);
        for (unsigned i = 0; i < n; i++)
            set_entry(i, entries[i]);
    }

private:
    unsigned char data_[BUFFER_SIZE];
};

class Msg_DM1 : public Msg_DM1DM2<PGN_DM1> {};
class Msg_DM2 : public Msg_DM1DM2<PGN_DM2> {};

} // namespace J1939
