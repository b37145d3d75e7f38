// The receiver command-language messages of the diagnostics: the error
// report that the implement's devices send and the history record that the
// history files are made of.
#pragma once

#include "glue/quor/Quor_message.h"

namespace Diagnostics_messages {

// An error report: byte 5 the reporting source, byte 6 the number of codes,
// from byte 7 the codes (u16 little endian each).
class Msg_RR : public Quor_message {
public:
    static constexpr unsigned SOURCE_OFFSET = 5;
    static constexpr unsigned COUNT_OFFSET = 6;
    static constexpr unsigned CODES_OFFSET = 7;

    Msg_RR(unsigned char* buffer, unsigned size) : Quor_message(buffer, size) {}

    unsigned char get_source() const { return get_uint8(SOURCE_OFFSET); }
    // The number of codes the report names, never more than its bytes hold:
    // a count beyond the received bytes would name codes nobody sent.
    unsigned get_num_codes() const;
    unsigned short get_code(unsigned i) const { return get_uint16_le(CODES_OFFSET + 2 * i); }
};

// One history record, 16 bytes in a buffer of its own:
//   0-1 "SP", 2-4 "00B", 5 source, 6-7 count, 8-9 error code,
//   10-13 seconds, 14 milliseconds / 4, 15 checksum over bytes 0-14.
class Msg_SP : public Quor_message {
public:
    static constexpr unsigned SIZE = 16;
    static constexpr int ID = Quor_message::id_code('S', 'P');

    Msg_SP();
    // A view over a received frame (its terminator included).
    Msg_SP(unsigned char* buffer, unsigned size) : Quor_message(buffer, size) {}

    // Fills the whole record, checksum included.
    void set(unsigned char src, unsigned short count, unsigned short code, unsigned seconds,
             unsigned short ms);

    unsigned char get_source() const { return get_uint8(5); }
    unsigned short get_count() const { return get_uint16_le(6); }
    unsigned short get_code() const { return get_uint16_le(8); }
    unsigned get_seconds() const { return get_uint32_le(10); }
    unsigned char get_ms_quarter() const { return get_uint8(14); }
    unsigned short get_ms() const { return static_cast<unsigned short>(get_ms_quarter() * 4); }

private:
    unsigned char record_[SIZE] = {};
};

} // namespace Diagnostics_messages
