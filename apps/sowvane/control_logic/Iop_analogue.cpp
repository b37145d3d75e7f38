#include "apps/sowvane/control_logic/Iop_analogue.h"

#include <cmath>

namespace Iop_analogue {

namespace {

constexpr float FULL_SCALE_VOLTS = 5.0f;
constexpr float COUNTS = 256.0f;

float volts(uint8_t x) { return float(x) * FULL_SCALE_VOLTS / COUNTS; }

constexpr unsigned CURVE_FIRST = 16;
constexpr unsigned CURVE_LAST = 134;

// Tenths, for readings 16 .. 134, rising.
constexpr uint16_t CURVE_TENTHS[CURVE_LAST - CURVE_FIRST + 1] = {
    74, 101, 129, 156, 183, 210, 237, 265, 292, 319,
    347, 374, 402, 429, 457, 485, 513, 541, 569, 598,
    626, 655, 684, 713, 743, 772, 802, 832, 863, 893,
    924, 955, 987, 1019, 1051, 1084, 1116, 1150, 1183, 1217,
    1252, 1287, 1322, 1358, 1394, 1430, 1468, 1505, 1543, 1582,
    1621, 1660, 1701, 1741, 1782, 1824, 1867, 1910, 1953, 1997,
    2042, 2088, 2134, 2181, 2228, 2276, 2325, 2375, 2425, 2476,
    2528, 2580, 2634, 2688, 2743, 2798, 2855, 2912, 2970, 3029,
    3089, 3150, 3211, 3274, 3337, 3401, 3466, 3533, 3600, 3668,
    3737, 3807, 3878, 3950, 4023, 4097, 4172, 4248, 4325, 4404,
    4483, 4563, 4645, 4728, 4811, 4896, 4983, 5070, 5158, 5248,
    5339, 5431, 5524, 5619, 5714, 5811, 5910, 6009, 6110,
};

} // namespace

float offset_scaled(uint8_t x)
{
    float v = (float(x) - 61.4f) * 0.16875f;
    return v < 0 ? 0 : v;
}

float pressure(uint8_t x)
{
    float v = volts(x);
    return v < 0.8f ? 0 : (v - 0.8f) * 4309.223f;
}

float linear_sensor(uint8_t x, float zero_volts, float full_scale_volts, float full_scale_value)
{
    float v = volts(x);
    if (!(full_scale_volts > zero_volts) || v < zero_volts)
        return 0;
    float result = (v - zero_volts) * full_scale_value / (full_scale_volts - zero_volts);
    return std::isfinite(result) ? result : 0;
}

uint8_t output_count(float value, float low_volts, float high_volts, float low_value,
                     float high_value)
{
    float span = high_value - low_value;
    float slope = span > 0 ? (high_volts - low_volts) / span : 0;
    float offset = span > 0 ? value - low_value : 0;
    float count = (low_volts + slope * offset) * COUNTS / FULL_SCALE_VOLTS;
    if (!(count > 0)) // also NaN
        return 0;
    if (count >= 255)
        return 255;
    return uint8_t(std::floor(count + 0.5f));
}

float curve(uint8_t x)
{
    if (x < CURVE_FIRST || x > CURVE_LAST)
        return 0;
    return float(CURVE_TENTHS[x - CURVE_FIRST]) / 10.0f;
}

} // namespace Iop_analogue
