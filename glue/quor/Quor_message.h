// A receiver command-language message: a view on a caller-owned frame
//   offset 0..1  identifier, two characters '0'..'~'
//   offset 2..4  body length L, three hexadecimal digits
//   offset 5..   body; in a binary message its last byte is the checksum
//   then one terminator byte, CR or LF
#pragma once

#include "glue/message/Binary_message.h"

class Quor_message : public Binary_message {
public:
    // Largest body length the three length digits can carry.
    static constexpr unsigned MAX_BODY_LEN = 4095;
    static constexpr unsigned HEADER_LEN = 5;

    // The view covers size bytes of the buffer and never writes past them.
    Quor_message(unsigned char* buffer, unsigned size);
    ~Quor_message() override;

    // Writes the two identifier characters and the body length total - 5 as
    // three upper-case hexadecimal digits; the view's size is not changed.
    // Nothing is written to a view shorter than the header, and a total whose
    // body length does not fit three digits leaves the length untouched.
    void setup(const unsigned char* id, int total) override;
    void setup(const char* id, int total);

    // The identifier as a number: first character in the low byte.
    unsigned short get_id() const;
    static constexpr unsigned short id_code(char first, char second)
    {
        return static_cast<unsigned short>(static_cast<unsigned char>(first) |
                                           static_cast<unsigned char>(second) << 8);
    }

    // L from offsets 2..4; 0 when the view is too short or a character is
    // not a hexadecimal digit.
    unsigned get_msg_len() const;

    // The 8-bit checksum (rotate left by 2, XOR each byte, rotate once more)
    // over the first n bytes of the view (never beyond it).
    unsigned char compute_8bit_checksum(int n) const;
    static unsigned char checksum(const unsigned char* data, unsigned n);

    // Stores the checksum of the first L + 4 bytes at offset L + 4; false when
    // the view is shorter than L + 5.
    bool set_checksum();

    // True when the view holds a frame plus its terminator and the binary or
    // the text ("@hh") checksum matches.
    bool check_checksum() const;

    // True when the identifier code equals id and the checksum matches.
    bool validate(int id) const;

    // Shrinks the view to a body of n bytes (size n + 5) and writes n as the
    // length ("%03x"); false unless n < 4096 and n + 5 fits the view.
    bool reduce_size_to(unsigned n);

    static bool is_hex_digit(unsigned char c);
    static int hex_value(unsigned char c);
};
