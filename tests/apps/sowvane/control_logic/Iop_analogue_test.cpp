#include "apps/sowvane/control_logic/Iop_analogue.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace Iop_analogue;

TEST(Iop_analogue, OffsetScaledIsNeverNegative)
{
    EXPECT_FLOAT_EQ(0, offset_scaled(0));
    EXPECT_FLOAT_EQ(0, offset_scaled(61));
    EXPECT_NEAR((62 - 61.4) * 0.16875, offset_scaled(62), 1e-5);
    EXPECT_NEAR((255 - 61.4) * 0.16875, offset_scaled(255), 1e-4);
}

TEST(Iop_analogue, PressureStartsAtPointEightVolts)
{
    EXPECT_FLOAT_EQ(0, pressure(0));
    EXPECT_FLOAT_EQ(0, pressure(40)); // 0.78 V
    EXPECT_NEAR((41 * 5 / 256.0 - 0.8) * 4309.223, pressure(41), 1e-2);
    EXPECT_NEAR((255 * 5 / 256.0 - 0.8) * 4309.223, pressure(255), 1e-1);
}

TEST(Iop_analogue, LinearSensorLimits)
{
    // 0.5 V .. 4.5 V over 0 .. 100
    EXPECT_FLOAT_EQ(0, linear_sensor(0, 0.5f, 4.5f, 100));
    EXPECT_NEAR(50, linear_sensor(128, 0.5f, 4.5f, 100), 1e-4); // 2.5 V
    EXPECT_NEAR((255 * 5 / 256.0 - 0.5) * 25, linear_sensor(255, 0.5f, 4.5f, 100), 1e-3);
    EXPECT_FLOAT_EQ(0, linear_sensor(200, 2.0f, 2.0f, 100)); // zero span
    EXPECT_FLOAT_EQ(0, linear_sensor(200, 3.0f, 2.0f, 100)); // inverted span
}

TEST(Iop_analogue, OutputCountClampsAndRoundsHalfUp)
{
    // 1 V .. 4 V over 0 .. 300: 100 -> 2 V -> 102.4 counts
    EXPECT_EQ(102, output_count(100, 1, 4, 0, 300));
    EXPECT_EQ(51, output_count(0, 1, 4, 0, 300)); // 51.2
    EXPECT_EQ(205, output_count(300, 1, 4, 0, 300)); // 204.8 rounds up
    EXPECT_EQ(255, output_count(10000, 1, 4, 0, 300));
    EXPECT_EQ(0, output_count(-10000, 1, 4, 0, 300));
    // zero or negative value span: flat at the low end
    EXPECT_EQ(51, output_count(100, 1, 4, 50, 50));
    EXPECT_EQ(51, output_count(100, 1, 4, 60, 50));
    // The low end of the value span sits at the low volts.
    EXPECT_EQ(51, output_count(50, 1, 4, 50, 350));
    EXPECT_EQ(205, output_count(350, 1, 4, 50, 350));
    EXPECT_EQ(0, output_count(std::nanf(""), 1, 4, 0, 300));
}

TEST(Iop_analogue, CurveThroughItsRowsAndZeroOutside)
{
    EXPECT_FLOAT_EQ(0, curve(0));
    EXPECT_FLOAT_EQ(0, curve(15));
    EXPECT_FLOAT_EQ(7.4f, curve(16));
    EXPECT_FLOAT_EQ(105.1f, curve(50));
    EXPECT_FLOAT_EQ(333.7f, curve(100));
    EXPECT_FLOAT_EQ(611.0f, curve(134));
    EXPECT_FLOAT_EQ(0, curve(135));
    EXPECT_FLOAT_EQ(0, curve(255));
    for (int x = 17; x <= 134; ++x)
        EXPECT_GT(curve(uint8_t(x)), curve(uint8_t(x - 1))) << x;
}

} // namespace
