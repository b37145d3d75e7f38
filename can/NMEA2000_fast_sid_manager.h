// Hands out the 3-bit sequence ids that NMEA 2000 fast-packet transmissions
// carry in the top three bits of byte 0 of every frame, one counter per PGN.
#pragma once

class NMEA2000_fast_sid_manager {
public:
    static constexpr int NUM_TRACKS = 30;

    struct Track {
        unsigned pgn = 0;
        unsigned char last_id = 0;
    };

    NMEA2000_fast_sid_manager() = default;

    // The next id for pgn: 0 for a PGN's first transmission, then counting
    // modulo 8; -1 when tracks for 30 other PGNs are taken (tracks are never
    // released).
    int get_id(unsigned pgn);

private:
    Track tracks_[NUM_TRACKS];
    int used_ = 0;
};
