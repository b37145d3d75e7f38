#include "can/NMEA2000_fast_sid_manager.h"

int NMEA2000_fast_sid_manager::get_id(unsigned pgn)
{
    for (int i = 0; i < used_; ++i) {
        if (tracks_[i].pgn == pgn) {
            tracks_[i].last_id = static_cast<unsigned char>((tracks_[i].last_id + 1) & 7);
            return tracks_[i].last_id;
        }
    }
    if (used_ == NUM_TRACKS)
        return -1;
    tracks_[used_].pgn = pgn;
    tracks_[used_].last_id = 0;
    ++used_;
    return 0;
}
