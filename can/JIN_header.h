// The addressing of one CAN message: source, destination, PGN, priority,
// transfer type and length in bytes.
#pragma once

// How a message travels. Receiving: 1 single frame, 2 TP (RTS or BAM), 3 ETP,
// 4 fast packet; sending: 5 single 11-bit frame, 6 single frame, 7 TP (RTS or
// BAM), 8 ETP, 9 fast packet.
enum JIN_trans_type_t : unsigned {
    JIN_TRANS_INVALID = 0,
    JIN_TRANS_RX_SINGLE = 1,
    JIN_TRANS_RX_TP = 2,
    JIN_TRANS_RX_ETP = 3,
    JIN_TRANS_RX_FAST = 4,
    JIN_TRANS_TX_11BIT = 5,
    JIN_TRANS_TX_SINGLE = 6,
    JIN_TRANS_TX_TP = 7,
    JIN_TRANS_TX_ETP = 8,
    JIN_TRANS_TX_FAST = 9,
};

class JIN_header {
public:
    JIN_header() = default;
    JIN_header(unsigned char src, unsigned char dest, unsigned pgn, unsigned prio,
               JIN_trans_type_t type, unsigned len)
        : src(src), dest(dest), pgn(pgn), prio(prio), type(type), length(len)
    {
    }
    // An 11-bit frame: the identifier's low byte is the source, its high bits
    // the priority.
    JIN_header(unsigned short id, unsigned len)
        : src(static_cast<unsigned char>(id & 0xFF)), dest(0), pgn(0), prio(id >> 8u),
          type(JIN_TRANS_TX_11BIT), length(len)
    {
    }

    void set(const JIN_header& other) { *this = other; }

    unsigned char src = 0;
    unsigned char dest = 0;
    unsigned pgn = 0;
    unsigned prio = 0;
    JIN_trans_type_t type = JIN_TRANS_INVALID;
    unsigned length = 0;
};
