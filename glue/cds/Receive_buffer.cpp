#include "glue/cds/Receive_buffer.h"

#include "glue/cds/Byte_codec.h"

namespace CDS {
namespace Remote {

Receive_buffer::Receive_buffer(const char* data, int length)
    : position_(data), remaining_(data && length > 0 ? length : 0)
{
}

const unsigned char* Receive_buffer::take(int length)
{
    if (remaining_ < length)
        return nullptr;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(position_);
    position_ += length;
    remaining_ -= length;
    return bytes;
}

namespace {
template <typename T> bool pop_value(const unsigned char* bytes, T& value)
{
    if (!bytes)
        return false;
    value = Byte_codec::get<T>(bytes);
    return true;
}
} // namespace

bool Receive_buffer::pop_BOOL(bool& value) { return pop_value(take(1), value); }
bool Receive_buffer::pop_CHAR(char& value) { return pop_value(take(1), value); }
bool Receive_buffer::pop_INT8(signed char& value) { return pop_value(take(1), value); }
bool Receive_buffer::pop_UINT8(unsigned char& value) { return pop_value(take(1), value); }
bool Receive_buffer::pop_INT16(short& value) { return pop_value(take(2), value); }
bool Receive_buffer::pop_UINT16(unsigned short& value) { return pop_value(take(2), value); }
bool Receive_buffer::pop_INT32(int& value) { return pop_value(take(4), value); }
bool Receive_buffer::pop_UINT32(unsigned int& value) { return pop_value(take(4), value); }
bool Receive_buffer::pop_INT64(long long& value) { return pop_value(take(8), value); }
bool Receive_buffer::pop_UINT64(unsigned long long& value) { return pop_value(take(8), value); }
bool Receive_buffer::pop_FLOAT(float& value) { return pop_value(take(4), value); }
bool Receive_buffer::pop_DOUBLE(double& value) { return pop_value(take(8), value); }

bool Receive_buffer::pop_one()
{
    if (remaining_ <= 0)
        return false;
    ++position_;
    --remaining_;
    return remaining_ > 0 && *position_ != '\0';
}

namespace {

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool is_name_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Reads hexadecimal digits followed by ':' within [p, end). Returns the
// position behind the colon, or null. Large numbers saturate.
const char* read_hex_field(const char* p, const char* end, unsigned long& value)
{
    value = 0;
    const char* start = p;
    for (; p < end; ++p) {
        int digit = hex_digit(*p);
        if (digit < 0)
            break;
        value = value > 0x0FFFFFFFUL ? 0xFFFFFFFFUL : (value << 4) | unsigned(digit);
    }
    if (p == start || p >= end || *p != ':')
        return nullptr;
    return p + 1;
}

} // namespace

const char* Receive_buffer::pop_item(Data_item::item_type_t& type, unsigned short& id, int& name_length)
{
    const char* end = position_ + remaining_;
    unsigned long number = 0;
    const char* p = read_hex_field(position_, end, number);
    if (!p)
        return nullptr;
    type = static_cast<Data_item::item_type_t>(number & 0xFF);
    p = read_hex_field(p, end, number);
    if (!p)
        return nullptr;
    id = static_cast<unsigned short>(number);

    const char* name = p;
    while (p < end && is_name_char(*p))
        ++p;
    name_length = int(p - name);
    remaining_ -= int(p - position_);
    position_ = p;
    return name;
}

} // namespace Remote
} // namespace CDS
