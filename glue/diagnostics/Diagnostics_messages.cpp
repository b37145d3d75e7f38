#include "glue/diagnostics/Diagnostics_messages.h"

namespace Diagnostics_messages {

unsigned Msg_RR::get_num_codes() const
{
    unsigned named = get_uint8(COUNT_OFFSET);
    unsigned length = get_length();
    unsigned held = length > CODES_OFFSET ? (length - CODES_OFFSET) / 2 : 0;
    return named < held ? named : held;
}

Msg_SP::Msg_SP() : Quor_message(record_, SIZE) {}

void Msg_SP::set(unsigned char src, unsigned short count, unsigned short code, unsigned seconds,
                 unsigned short ms)
{
    setup("SP", static_cast<int>(SIZE));
    set_uint8(5, src);
    set_uint16_le(6, count);
    set_uint16_le(8, code);
    set_uint32_le(10, seconds);
    set_uint8(14, static_cast<unsigned char>(ms / 4));
    set_checksum();
}

} // namespace Diagnostics_messages
