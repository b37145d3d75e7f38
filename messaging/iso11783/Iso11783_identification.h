// The binary identification messages: control-function functionalities,
// ISOBUS compliance certification and diagnostic protocol identification.
#pragma once

#include "messaging/iso11783/Iso11783_message.h"
#include "messaging/iso11783/Msg_StarDelimited.h"

namespace Iso11783 {

// The functionalities a control function reports (the first byte of an
// entry of the functionalities message).
enum functionality_t : unsigned char {
    FUNCTIONALITY_MINIMUM_CONTROL_FUNCTION = 0,
    FUNCTIONALITY_UT_WORKING_SET = 2,
    FUNCTIONALITY_TC_BASIC_CLIENT = 8,
    FUNCTIONALITY_TC_SECTION_CONTROL_CLIENT = 12,
};

enum : unsigned {
    PGN_PRODUCT_IDENTIFICATION = 64653,
    PGN_FUNCTIONALITIES = 64654,
    PGN_DIAGNOSTIC_PROTOCOL = 64818,
    PGN_COMPLIANCE_CERTIFICATION = 64834,
    PGN_ECU_IDENTIFICATION = 64965,
    PGN_SOFTWARE_IDENTIFICATION = 65242,
};

// Byte 0 the functionalities generation, byte 1 the number of entries, from
// byte 2 one entry per functionality: functionality, generation, number of
// option bytes n, then the n option bytes.
class Msg_Functionalities : public Iso11783_message<PGN_FUNCTIONALITIES, 1024> {
public:
    static constexpr const char* debug_name = "Functionalities";

    void set_generation(unsigned char g) { data_[0] = g; }
    // Writes entry i (the entries before it must be set); option is one
    // option byte or null for none. False when entry i lies beyond the
    // buffer.
    bool set_entry(unsigned i, unsigned char functionality, unsigned char generation,
                   const unsigned char* option = nullptr);
    // The same with `count` option bytes.
    bool set_entry(unsigned i, unsigned char functionality, unsigned char generation,
                   const unsigned char* options, unsigned count);
    // Counts the first n entries into byte 1, pads to 8 bytes with 0xFF and
    // sets the length to the end of the last entry.
    bool finish(unsigned n);

private:
    // Start of entry i, or 0 when it lies beyond the buffer.
    unsigned entry_start(unsigned i) const;
};

// Eight bytes of bit fields (bit 0 the least significant):
//   byte 0 bits 0-5: 6-bit value; byte 0 bits 6-7 + byte 1 bit 0: 3-bit
//   value; byte 1 bits 1-4: 4-bit value; byte 1 bits 5-7 + byte 2: 11-bit
//   value; bytes 3-4, byte 5 and bytes 6-7: plain values.
class Msg_IsobusComplianceCerts : public Iso11783_message<PGN_COMPLIANCE_CERTIFICATION, 8> {
public:
    static constexpr const char* debug_name = "IsobusComplianceCerts";

    void set_6bit(unsigned v) { set_bits_lsb(0, v, 0, 6); }
    void set_3bit(unsigned v) { set_bits_lsb(0, v, 6, 3); }
    void set_4bit(unsigned v) { set_bits_lsb(1, v, 1, 4); }
    void set_11bit(unsigned v) { set_bits_lsb(1, v, 5, 11); }
    void set_bytes_3_4(unsigned short v) { set_uint16_le(3, v); }
    void set_byte_5(unsigned char v) { Binary_message::set_uint8(5, v); }
    void set_bytes_6_7(unsigned short v) { set_uint16_le(6, v); }
    unsigned get_6bit() const { return get_bits_lsb(0, 0, 6); }
    unsigned get_3bit() const { return get_bits_lsb(0, 6, 3); }
    unsigned get_4bit() const { return get_bits_lsb(1, 1, 4); }
    unsigned get_11bit() const { return get_bits_lsb(1, 5, 11); }
};

// Byte 0 the supported diagnostic protocols; bytes 1-7 0xFF.
class Msg_DiagnosticProtocol : public Iso11783_message<PGN_DIAGNOSTIC_PROTOCOL, 8> {
public:
    static constexpr const char* debug_name = "DiagnosticProtocol";

    void set_protocols(unsigned char p) { data_[0] = p; }
    unsigned char get_protocols() const { return data_[0]; }
};

} // namespace Iso11783
