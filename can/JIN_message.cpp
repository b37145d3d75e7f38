#include "can/JIN_message.h"

#include <cstring>

JIN_message::JIN_message(unsigned len) : JIN_header(), JIN_base_message(len)
{
    type = len <= INLINE_SIZE ? JIN_TRANS_TX_SINGLE : JIN_TRANS_TX_TP;
    JIN_header::length = Binary_message::get_length();
}

JIN_message::JIN_message(const JIN_header& h, unsigned char* data)
    : JIN_header(h), JIN_base_message(data, h.length)
{
}

JIN_message::JIN_message(JIN_message& other, bool copy) : JIN_header(), JIN_base_message()
{
    if (copy)
        copy_from(other);
    else
        move_from(other);
}

JIN_message::JIN_message(const JIN_message& other) : JIN_header(), JIN_base_message()
{
    copy_from(other);
}

JIN_message& JIN_message::operator=(const JIN_message& other)
{
    if (this != &other)
        copy_from(other);
    return *this;
}

void JIN_message::set_length(unsigned len)
{
    JIN_base_message::set_length(len);
    JIN_header::length = Binary_message::get_length();
}

void JIN_message::set_header(const JIN_header& h)
{
    src = h.src;
    dest = h.dest;
    pgn = h.pgn;
    prio = h.prio;
}

void JIN_message::copy_from(const JIN_message& other)
{
    if (this == &other)
        return;
    if (!resize(other.Binary_message::get_length()))
        return;
    set_header(other);
    set_length(other.JIN_header::length);
    unsigned n = Binary_message::get_length();
    if (n)
        std::memmove(get_data(), other.get_data(), n);
}

void JIN_message::move_from(JIN_message& other)
{
    if (this == &other)
        return;
    JIN_header h = other;
    unsigned header_len = other.JIN_header::length;
    // A moved pool block leaves other empty (its header length follows
    // through set_length); short data are copied and other stays as it was.
    JIN_base_message::move_from(other);
    set_header(h);
    set_length(header_len);
}
