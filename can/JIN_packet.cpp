#include "can/JIN_packet.h"

void JIN_packet::set_prio(unsigned p)
{
    p &= 7;
    if (is_extended())
        id = (id & ~(7u << 26)) | (p << 26);
    else
        id = (id & ~(7u << 8)) | (p << 8);
}

unsigned JIN_packet::get_pgn() const
{
    if (!is_extended())
        return 0xF0000u | (id & 0xFF);
    if (is_pdu2())
        return (id >> 8) & 0x3FFFF;
    return (id >> 8) & 0x3FF00;
}

unsigned char JIN_packet::get_dest() const
{
    if (is_extended() && !is_pdu2())
        return static_cast<unsigned char>(get_pdus());
    return GLOBAL_ADDRESS;
}

void JIN_packet::set_pgn(unsigned pgn)
{
    if (!is_extended())
        return;
    if (is_pdu2(pgn))
        id = (id & ~(0x3FFFFu << 8)) | ((pgn & 0x3FFFF) << 8);
    else
        id = (id & ~(0x3FFu << 16)) | (((pgn >> 8) & 0x3FF) << 16);
}

bool JIN_packet::set_dest(unsigned char dest, unsigned pgn)
{
    if (!is_extended())
        return false;
    set_pgn(pgn);
    if (is_pdu2(pgn))
        return true;
    id = (id & ~(0xFFu << 8)) | (unsigned(dest) << 8);
    return false;
}

void JIN_packet::set_extended_id(unsigned prio, unsigned pgn, unsigned char dest, unsigned char src)
{
    set_extended(true);
    id = ((prio & 7) << 26) | src;
    set_dest(dest, pgn);
}

void JIN_packet::print(FILE* f, bool highlight) const
{
    static const char blue[] = "\033[01;34m";
    static const char green[] = "\033[01;32m";
    static const char reset[] = "\033[00m";
    std::fprintf(f, "%s\r\nID: %8.8X\t", highlight ? blue : green, static_cast<unsigned>(id));
    std::fprintf(f, "PGN %d ", static_cast<int>(get_pgn()));
    std::fprintf(f, "SRC %d ", get_src());
    std::fprintf(f, "DST %d ", get_dest());
    std::fprintf(f, "PRI %d ", static_cast<int>(get_prio()));
    std::fprintf(f, "DATA ");
    unsigned n = length <= 8 ? length : 8;
    for (unsigned i = 0; i < n; ++i)
        std::fprintf(f, "%2.2X ", data[i]);
    std::fprintf(f, "%s\n", reset);
}
