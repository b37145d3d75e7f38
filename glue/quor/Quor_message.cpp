#include "glue/quor/Quor_message.h"

#include <cstdio>
#include <cstring>

namespace {

unsigned char rotate_left_2(unsigned char v)
{
    return static_cast<unsigned char>((v << 2) | (v >> 6));
}

// Writes n (below 4096) as three hexadecimal digits at dst.
void put_length(unsigned char* dst, unsigned n, bool upper)
{
    char text[8];
    snprintf(text, sizeof text, upper ? "%03X" : "%03x", n & 0xFFFu);
    memcpy(dst, text, 3);
}

} // namespace

Quor_message::Quor_message(unsigned char* buffer, unsigned size) : Binary_message(buffer, size, size) {}

Quor_message::~Quor_message() = default;

bool Quor_message::is_hex_digit(unsigned char c)
{
    return hex_value(c) >= 0;
}

int Quor_message::hex_value(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void Quor_message::setup(const unsigned char* id, int total)
{
    if (get_length() < HEADER_LEN || !get_buffer())
        return;
    unsigned char* frame = get_buffer();
    if (id) {
        frame[0] = id[0];
        frame[1] = id[1];
    }
    int body = total - static_cast<int>(HEADER_LEN);
    if (body >= 0 && body <= static_cast<int>(MAX_BODY_LEN))
        put_length(frame + 2, static_cast<unsigned>(body), true);
}

void Quor_message::setup(const char* id, int total)
{
    setup(reinterpret_cast<const unsigned char*>(id), total);
}

unsigned short Quor_message::get_id() const
{
    return get_uint16_le(0);
}

unsigned Quor_message::get_msg_len() const
{
    if (get_length() < HEADER_LEN)
        return 0;
    unsigned len = 0;
    for (unsigned i = 2; i < HEADER_LEN; i++) {
        int digit = hex_value(get_uint8(i));
        if (digit < 0)
            return 0;
        len = len * 16 + static_cast<unsigned>(digit);
    }
    return len;
}

unsigned char Quor_message::checksum(const unsigned char* data, unsigned n)
{
    if (n == 0)
        return 0;
    unsigned char sum = 0;
    for (unsigned i = 0; i < n; i++)
        sum = static_cast<unsigned char>(rotate_left_2(sum) ^ data[i]);
    return rotate_left_2(sum);
}

unsigned char Quor_message::compute_8bit_checksum(int n) const
{
    if (n <= 0 || !get_buffer())
        return 0;
    unsigned count = static_cast<unsigned>(n);
    if (count > get_length())
        count = get_length();
    return checksum(get_buffer(), count);
}

bool Quor_message::set_checksum()
{
    unsigned len = get_msg_len();
    if (get_length() < len + HEADER_LEN || !get_buffer() || len == 0)
        return false;
    get_buffer()[len + 4] = compute_8bit_checksum(static_cast<int>(len + 4));
    return true;
}

bool Quor_message::check_checksum() const
{
    unsigned size = get_length();
    unsigned len = get_msg_len();
    if (size < HEADER_LEN || size < len + HEADER_LEN)
        return false;
    unsigned char last = get_uint8(size - 1);
    if (last != '\n' && last != '\r')
        return false;
    // Binary form: the body's last byte. A body of 0 bytes has no checksum byte.
    if (len > 0 && compute_8bit_checksum(static_cast<int>(len + 4)) == get_uint8(len + 4))
        return true;
    // Text form: "@hh" in front of the terminator.
    if (size < 4 || get_uint8(size - 4) != '@')
        return false;
    int high = hex_value(get_uint8(size - 3));
    int low = hex_value(get_uint8(size - 2));
    if (high < 0 || low < 0)
        return false;
    return compute_8bit_checksum(static_cast<int>(len + 3)) == high * 16 + low;
}

bool Quor_message::validate(int id) const
{
    return get_id() == id && check_checksum();
}

bool Quor_message::reduce_size_to(unsigned n)
{
    if (n > MAX_BODY_LEN || n + HEADER_LEN > get_length() || !get_buffer())
        return false;
    set_length(n + HEADER_LEN);
    put_length(get_buffer() + 2, n, false);
    return true;
}
