#include "util/Atime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

struct CarryCase {
    time_t sec;
    int ms;
    int add;
    time_t want_sec;
    int want_ms;
};

class AtimeCarry : public ::testing::TestWithParam<CarryCase> {};

TEST_P(AtimeCarry, AddingCarriesIntoTheSeconds)
{
    const CarryCase& c = GetParam();
    Atime t(c.sec, c.ms);
    t += c.add;
    EXPECT_EQ(t.time, c.want_sec);
    EXPECT_EQ(t.millitm, c.want_ms);

    Atime u = Atime(c.sec, c.ms) + c.add;
    EXPECT_EQ(u, t);
    Atime v = Atime(c.sec, c.ms) - (-c.add);
    EXPECT_EQ(v, t);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AtimeCarry,
    ::testing::Values(CarryCase{10, 600, 1500, 12, 100}, CarryCase{10, 600, -700, 9, 900},
                      CarryCase{10, 0, -1, 9, 999}, CarryCase{10, 0, -1000, 9, 0},
                      CarryCase{10, 0, -1001, 8, 999}, CarryCase{10, 999, 1, 11, 0},
                      CarryCase{10, 0, 0, 10, 0}, CarryCase{0, 0, -1, -1, 999},
                      CarryCase{10, 500, -500, 10, 0},
                      CarryCase{0, 0, 2000000000, 2000000, 0},
                      // Beyond 2038 in a 64-bit time_t.
                      CarryCase{2147483647, 500, 600, 2147483648LL, 100},
                      // The largest steps, whose sum with the milliseconds
                      // does not fit an int.
                      CarryCase{10, 999, INT32_MAX, 2147494, 646},
                      CarryCase{10, 0, -INT32_MAX, -2147474, 353}));

// The extreme steps a time-out or a period can ask for move the time by
// exactly that much, and a time at the end of the range stays there instead
// of wrapping into the past.
TEST(Atime, ExtremeStepsNeitherOverflowNorWrap)
{
    const Atime start(1000000, 250);
    Atime t = start;
    t -= INT32_MIN;
    EXPECT_EQ(t - start, Atime::MAX_DIFF_MS) << "moved forward";
    EXPECT_EQ(t, Atime(1000000 + 2147483, 250 + 648));
    EXPECT_EQ(start - INT32_MIN, t);
    t += INT32_MIN;
    EXPECT_EQ(t, start);

    const Atime before = Atime::now();
    const Atime far = Atime::from_now(INT32_MAX);
    EXPECT_GT(far, before);
    EXPECT_GE(far.time - before.time, 2147483);
    Atime set;
    set.set_from_now(INT32_MAX);
    EXPECT_GE(set, far);

    const time_t last = std::numeric_limits<time_t>::max() / 1000 - 1;
    Atime end(last, 0);
    end += INT32_MAX;
    EXPECT_GE(end.time, last) << "saturates, never wraps";
    end += INT32_MAX;
    EXPECT_GE(end.time, last);
    Atime begin(-last, 0);
    begin -= INT32_MAX;
    EXPECT_LE(begin.time, -last);
    begin += INT32_MIN;
    EXPECT_LE(begin.time, -last);
}

struct DiffCase {
    time_t a_sec;
    int a_ms;
    time_t b_sec;
    int b_ms;
    int want;
};

class AtimeDifference : public ::testing::TestWithParam<DiffCase> {};

TEST_P(AtimeDifference, IsClampedToOneWeek)
{
    const DiffCase& c = GetParam();
    EXPECT_EQ(Atime(c.a_sec, c.a_ms) - Atime(c.b_sec, c.b_ms), c.want);
}

constexpr time_t DAY = 86400;
INSTANTIATE_TEST_SUITE_P(
    Table, AtimeDifference,
    ::testing::Values(DiffCase{12, 100, 10, 600, 1500}, DiffCase{10, 600, 12, 100, -1500},
                      DiffCase{5, 5, 5, 5, 0}, DiffCase{5, 7, 5, 5, 2},
                      DiffCase{7 * DAY, 0, 0, 0, 604800000},
                      DiffCase{0, 0, 7 * DAY, 0, -604800000},
                      DiffCase{7 * DAY, 999, 0, 0, 604800000 + 999},
                      DiffCase{8 * DAY, 0, 0, 0, 604800000},
                      DiffCase{0, 0, 8 * DAY, 0, -604800000},
                      DiffCase{1000 * DAY, 0, 0, 0, 604800000}));

TEST(Atime, ComparisonsOrderBySecondsThenMilliseconds)
{
    Atime a(10, 5), b(10, 6), c(11, 0);
    EXPECT_TRUE(a < b && b < c && a < c);
    EXPECT_TRUE(c > a && b > a);
    EXPECT_TRUE(a <= a && a >= a && a <= b && !(b <= a));
    EXPECT_TRUE(a == Atime(10, 5) && a != b);
}

TEST(Atime, WeekAndDayPositions)
{
    Atime t(604800 * 3 + 86400 * 2 + 5, 250);
    EXPECT_EQ(t.week(), 3);
    EXPECT_EQ(t.ms_into_week(), (86400u * 2 + 5) * 1000 + 250);
    EXPECT_EQ(t.ms_into_day(), 5250u);
}

TEST(Atime, RealTimebAddsTheOffsetWithCarry)
{
    struct timeb offset{};
    offset.time = 0;
    offset.millitm = 700;
    Atime::set_real_offset(offset);
    struct timeb real = Atime(5, 400).real_timeb();
    struct timeb none{};
    Atime::set_real_offset(none);
    EXPECT_EQ(real.time, 6);
    EXPECT_EQ(real.millitm, 100);
}

TEST(Atime, TimebAndTimespecRoundTrip)
{
    Atime t(1234567, 89);
    struct timeb tb = t.timeb();
    Atime u;
    u = tb;
    EXPECT_EQ(u, t);
    struct timespec ts = t.timespec();
    EXPECT_EQ(ts.tv_sec, 1234567);
    EXPECT_EQ(ts.tv_nsec, 89000000);
}

TEST(Atime, ProcessTimeLineReadsAsWallTime)
{
    // The process time line starts at the wall clock; unless somebody sets
    // the clock during the test the two stay within a few milliseconds.
    int apart = Atime::wall_now() - Atime::now();
    EXPECT_LT(apart < 0 ? -apart : apart, 1000);
    Atime t = Atime::from_now(60000);
    EXPECT_GT(t.get_ms_from_now(), 0);
    EXPECT_LE(t.get_ms_from_now(), 60000);
    EXPECT_LT(t.get_elapsed_ms_since(), 0);
}

TEST(Atime, ZeroAndNowConstruction)
{
    Atime zero;
    EXPECT_EQ(zero.time, 0);
    EXPECT_EQ(zero.millitm, 0);
    Atime now(true);
    EXPECT_GT(now.time, 1600000000);
    EXPECT_LT(now.millitm, 1000);
}

} // namespace
