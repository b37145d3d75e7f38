// One CAN frame seen through its ISO 11783 / J1939 identifier: 29-bit frames
// carry priority, PGN, destination and source; 11-bit frames carry a source
// byte and a priority only.
#pragma once

#include "platform/can/CAN_packet.h"

#include <cstdio>

class JIN_packet : public CAN_packet {
public:
    static constexpr unsigned char GLOBAL_ADDRESS = 255;

    JIN_packet() = default;
    explicit JIN_packet(const CAN_packet& p) : CAN_packet(p) {}

    // A CAN_packet record seen as a JIN_packet (same layout, no own data).
    static JIN_packet& of(CAN_packet& p) { return static_cast<JIN_packet&>(p); }
    static const JIN_packet& of(const CAN_packet& p) { return static_cast<const JIN_packet&>(p); }

    bool is_extended() const { return CAN_packet::is_extended(); }

    unsigned char get_src() const { return static_cast<unsigned char>(id & 0xFF); }
    void set_src(unsigned char src) { id = (id & ~0xFFu) | src; }

    unsigned get_prio() const { return is_extended() ? (id >> 26) & 7 : (id >> 8) & 7; }
    void set_prio(unsigned p);

    unsigned get_pduf() const { return is_extended() ? (id >> 16) & 0xFF : 0; }
    unsigned get_pdus() const { return is_extended() ? (id >> 8) & 0xFF : 0; }

    bool is_pdu2() const { return is_extended() && get_pduf() > 239; }
    static bool is_pdu2(unsigned pgn) { return ((pgn >> 8) & 0xFF) > 239; }

    unsigned get_pgn() const;
    unsigned char get_dest() const;

    // 29-bit frames only: the PGN's bits, the destination staying for PDU1.
    void set_pgn(unsigned pgn);
    // 29-bit frames only: the PGN, and the destination for a PDU1 PGN.
    // True when the PGN is PDU2 (no destination could be set).
    bool set_dest(unsigned char dest, unsigned pgn);

    // Makes a 29-bit frame of len bytes (data left as they are).
    void set_extended_id(unsigned prio, unsigned pgn, unsigned char dest, unsigned char src);

    void print(FILE* f, bool highlight) const;
};

static_assert(sizeof(JIN_packet) == sizeof(CAN_packet), "JIN_packet adds no data");
