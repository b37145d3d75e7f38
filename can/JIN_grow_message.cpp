#include "can/JIN_grow_message.h"

#include <cstring>

bool JIN_grow_message::grow_to(unsigned end)
{
    if (end > capacity)
        return false;
    if (end > length)
        JIN_base_message::set_length(end);
    return true;
}

bool JIN_grow_message::set_uint8(unsigned i, unsigned char v)
{
    if (i >= capacity || !grow_to(i + 1))
        return false;
    return Binary_message::set_uint8(i, v);
}

bool JIN_grow_message::set_uint16(unsigned i, unsigned short v)
{
    if (i > capacity || !grow_to(i + 2))
        return false;
    return Binary_message::set_uint16_le(i, v);
}

bool JIN_grow_message::set_uint32(unsigned i, unsigned v)
{
    if (i > capacity || !grow_to(i + 4))
        return false;
    return Binary_message::set_uint32_le(i, v);
}

bool JIN_grow_message::set_length(unsigned n, unsigned char fill)
{
    if (n > capacity)
        return false;
    if (n > length)
        std::memset(buffer + length, fill, n - length);
    JIN_base_message::set_length(n);
    return true;
}
