#include "apps/sowvane/control_logic/Time_window_filter.h"

#include <gtest/gtest.h>

namespace {

TEST(Time_window_filter, AverageOverTheWindowAndLastSamples)
{
    Time_window_filter filter(1000);
    Atime t0 = Atime::now();
    float v = -1;
    EXPECT_EQ(0, filter.average(t0));
    EXPECT_FALSE(filter.last(v));
    EXPECT_FALSE(filter.last_differing_from(0, v));

    filter.add(2, t0);
    filter.add(4, t0 + 400);
    filter.add(0, t0 + 800);
    EXPECT_FLOAT_EQ(2, filter.average(t0 + 800));
    ASSERT_TRUE(filter.last(v));
    EXPECT_EQ(0, v);
    ASSERT_TRUE(filter.last_differing_from(0, v));
    EXPECT_EQ(4, v);
    EXPECT_FALSE(filter.last_differing_from(0, v) && v == 0);

    // t0's sample leaves the window after 1000 ms, t0 + 400's after 1400.
    EXPECT_FLOAT_EQ(2, filter.average(t0 + 1300));
    EXPECT_EQ(2u, filter.count(t0 + 1300));
    EXPECT_FLOAT_EQ(0, filter.average(t0 + 1500));
    EXPECT_EQ(0u, filter.count(t0 + 1801));
    EXPECT_FALSE(filter.last(v));
}

TEST(Time_window_filter, FullRoomDropsTheOldest)
{
    Time_window_filter filter(100000);
    Atime t0 = Atime::now();
    for (unsigned i = 0; i < Time_window_filter::CAPACITY + 8; ++i)
        filter.add(float(i), t0 + int(i));
    Atime end = t0 + int(Time_window_filter::CAPACITY + 8);
    EXPECT_EQ(Time_window_filter::CAPACITY, filter.count(end));
    // 8 .. 39
    EXPECT_FLOAT_EQ((8 + 39) / 2.0f, filter.average(end));
    float v;
    ASSERT_TRUE(filter.last_differing_from(39, v));
    EXPECT_EQ(38, v);
}

} // namespace
