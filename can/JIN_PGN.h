// Parameter group numbers the stack treats specially, and the kinds of PGN
// registration.
#pragma once

namespace JIN_PGN {

// What a registration asks for.
enum type_t : int {
    NORMAL = 0,  // messages of the PGN
    FAST = 1,    // messages of the PGN, multi-frame ones as NMEA 2000 fast packet
    REQUEST = 2, // requests (PGN 59904) for the PGN
};

enum : unsigned {
    REQUEST_PGN = 59904,          // 0xEA00
    ACKNOWLEDGEMENT_PGN = 59392,  // 0xE800
    GROUP_FUNCTION_PGN = 0x1ED00, // NMEA 2000 group function
    CATCH_ALL = 0x80000000,       // registration for every 29-bit message
    STANDARD_ID_BASE = 0xF0000,   // an 11-bit identifier byte is registered as this plus the byte
};

// True for the PGNs under which 11-bit frames are filed.
inline bool is_standard_id_pgn(unsigned pgn) { return (pgn & ~0xFFu) == STANDARD_ID_BASE; }

}  // namespace JIN_PGN
