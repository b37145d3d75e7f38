#include "platform/tc/TC_message.h"

namespace TC {

void pd_encode(unsigned char* d, command_t cmd, unsigned short element, ddi_t ddi, int32_t value)
{
    d[0] = static_cast<unsigned char>((cmd & 0x0F) | (element & 0x0F) << 4);
    d[1] = static_cast<unsigned char>(element >> 4);
    d[2] = static_cast<unsigned char>(ddi);
    d[3] = static_cast<unsigned char>(ddi >> 8);
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        d[4 + i] = static_cast<unsigned char>(v >> (8 * i));
}

TC_message::TC_message(int length) : JIN_message(unsigned(length < 8 ? 8 : length))
{
    pgn = PGN_PROCESS_DATA;
    prio = PD_PRIORITY;
}

void TC_message::set_command(command_t c)
{
    get_data()[0] = static_cast<unsigned char>((get_data()[0] & 0xF0) | (c & 0x0F));
}

unsigned short TC_message::get_element() const { return pd_element(get_data()); }

void TC_message::set_element(unsigned short element)
{
    unsigned char* d = get_data();
    d[0] = static_cast<unsigned char>((d[0] & 0x0F) | (element & 0x0F) << 4);
    d[1] = static_cast<unsigned char>(element >> 4);
}

ddi_t TC_message::get_ddi() const { return pd_ddi(get_data()); }

void TC_message::set_ddi(ddi_t ddi)
{
    get_data()[2] = static_cast<unsigned char>(ddi);
    get_data()[3] = static_cast<unsigned char>(ddi >> 8);
}

int32_t TC_message::get_value() const { return pd_value(get_data()); }

void TC_message::set_value(int32_t value)
{
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        get_data()[4 + i] = static_cast<unsigned char>(v >> (8 * i));
}

} // namespace TC
