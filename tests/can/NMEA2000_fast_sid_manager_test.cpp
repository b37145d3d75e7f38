#include "can/NMEA2000_fast_sid_manager.h"

#include <gtest/gtest.h>

TEST(NMEA2000_fast_sid_manager, IdsCountPerPgnAndRollOver)
{
    NMEA2000_fast_sid_manager m;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(m.get_id(129029), i);
    EXPECT_EQ(m.get_id(129029), 0);
    EXPECT_EQ(m.get_id(130306), 0) << "a second PGN starts at 0";
    EXPECT_EQ(m.get_id(129029), 1);
}

TEST(NMEA2000_fast_sid_manager, ThirtyPgnsAtMost)
{
    NMEA2000_fast_sid_manager m;
    for (unsigned pgn = 0; pgn < 30; ++pgn)
        EXPECT_EQ(m.get_id(130000 + pgn), 0);
    EXPECT_EQ(m.get_id(131000), -1);
    EXPECT_EQ(m.get_id(131000), -1);
    for (unsigned pgn = 0; pgn < 30; ++pgn)
        EXPECT_EQ(m.get_id(130000 + pgn), 1) << "the first thirty go on counting";
}
