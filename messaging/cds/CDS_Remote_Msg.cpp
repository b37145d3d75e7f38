#include "messaging/cds/CDS_Remote_Msg.h"

namespace CDS {
namespace Remote {

int Msg_request_ids::build(unsigned char* buffer, unsigned short id, unsigned offset, unsigned char depth)
{
    Msg m(buffer, LENGTH, LENGTH);
    m.set_uint8(0, KIND_REQUEST_IDS);
    m.set_uint16_le(1, id);
    m.set_uint24_le(3, offset);
    m.set_uint8(6, depth);
    return LENGTH;
}

int Msg_send_ids::finish(unsigned char* buffer, unsigned offset, int n)
{
    const int length = EMPTY_LENGTH + n;
    Msg m(buffer, length, length);
    m.set_uint8(0, KIND_SEND_IDS);
    m.set_uint24_le(1, offset);
    m.set_uint8(unsigned(HEADER + n), 0);
    return length;
}

int Msg_request_value::build(unsigned char* buffer, unsigned char kind, unsigned short id,
                             unsigned short resume)
{
    Msg m(buffer, LENGTH, LENGTH);
    m.set_uint8(0, kind);
    m.set_uint16_le(1, id);
    m.set_uint16_le(3, resume);
    return LENGTH;
}

void Msg_send_value::put_header(unsigned char* buffer, unsigned char kind, unsigned short id,
                                unsigned short resume)
{
    Msg m(buffer, HEADER, HEADER);
    m.set_uint8(0, kind);
    m.set_uint16_le(1, id);
    m.set_uint16_le(3, resume);
}

int Msg_send_crc::build(unsigned char* buffer, unsigned crc, unsigned text_length)
{
    Msg m(buffer, LENGTH, LENGTH);
    m.set_uint8(0, KIND_SEND_CRC);
    m.set_uint32_le(1, crc);
    m.set_uint32_le(5, text_length);
    return LENGTH;
}

} // namespace Remote
} // namespace CDS
