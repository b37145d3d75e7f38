// Encode and decode of the twelve process-data value types at their limits,
// with and without the multiplier.
#include "tc_client/TC_interface_process_data.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace TaskController_interface;

namespace {

template <typename T> class Codec_pd : public TC_interface_process_data<T> {
public:
    Codec_pd(double multiplier, bool use) : TC_interface_process_data<T>(nullptr, 1, 2, nullptr)
    {
        this->set_multiplier(multiplier);
        this->set_use_multiplier(use);
    }
    int handle_other_event(waiter_event&) override { return 0; }
    int request_value() override { return 0; }
    unsigned char change_value(unsigned int) override { return 0; }
};

template <typename T> long long enc(T v, double m = 1000.0, bool use = true)
{
    return Codec_pd<T>(m, use).encode(v);
}
template <typename T> T dec(int p, double m = 1000.0, bool use = true)
{
    return Codec_pd<T>(m, use).decode(p);
}

struct Row {
    template <typename G, typename W>
    Row(std::string w, G g, W e) : what(std::move(w)), got((long double)g), want((long double)e)
    {
    }
    std::string what;
    long double got;
    long double want;
};

const double a_nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

} // namespace

TEST(Pd_codec, TwelveTypesAtTheirLimits)
{
    const long long imax = INT_MAX, imin = INT_MIN;
    const std::vector<Row> rows = {
        // bool
        {"bool true", enc(true), 1000},
        {"bool from 1 (q = 0.001)", dec<bool>(1), 1},
        {"bool from 0", dec<bool>(0), 0},
        {"bool raw true", enc(true, 1000, false), 1},
        {"bool raw from 5", dec<bool>(5, 1000, false), 1},
        // char: 0 to 255 wherever built
        {"char 255", enc(char(255)), 255000},
        {"char from -1000", (unsigned char)dec<char>(-1000), 0},
        {"char from 300000 keeps low 8 bits", (unsigned char)dec<char>(300000), 44},
        {"char raw 200", enc(char(200), 1000, false), 200},
        {"char raw from 0x1FF", (unsigned char)dec<char>(0x1FF, 1000, false), 255},
        // unsigned char
        {"uchar 255", enc((unsigned char)255), 255000},
        {"uchar from 256000", dec<unsigned char>(256000), 0},
        {"uchar from INT_MAX", dec<unsigned char>(INT_MAX), 2147483 & 0xFF},
        // unsigned short
        {"ushort 65535", enc((unsigned short)65535), 65535000},
        {"ushort from 70000000", dec<unsigned short>(70000000), 4464},
        {"ushort raw from -1", dec<unsigned short>(-1, 1000, false), 65535},
        // unsigned int
        {"uint 12", enc(12u), 12000},
        {"uint from 12345", dec<unsigned>(12345), 12},
        {"uint from -5", dec<unsigned>(-5), 0},
        {"uint beyond its range saturates at its top", enc(4294967295u), -1},
        {"uint all bits with multiplier 1", enc(0xFFFFFFFFu, 1.0), -1},
        {"uint 0x80000000 with multiplier 1", enc(0x80000000u, 1.0), imin},
        {"uint with a negative multiplier", enc(5u, -1.0), 0},
        {"uint raw max is -1", enc(4294967295u, 1000, false), -1},
        {"uint raw from -1", dec<unsigned>(-1, 1000, false), 4294967295.0L},
        {"uint from 5 with multiplier 0 saturates", dec<unsigned>(5, 0.0), 4294967295.0L},
        // signed char
        {"schar -128", enc((signed char)-128), -128000},
        {"schar from -128000", dec<signed char>(-128000), -128},
        {"schar from 200000 keeps low 8 bits", dec<signed char>(200000), -56},
        {"schar raw -1", enc((signed char)-1, 1000, false), -1},
        // short
        {"short from -32768000", dec<short>(-32768000), -32768},
        {"short from 40000000 keeps low 16 bits", dec<short>(40000000), -25536},
        {"short raw from 0x18000", dec<short>(0x18000, 1000, false), -32768},
        // int
        {"int max saturates", enc(INT_MAX), imax},
        {"int min saturates", enc(INT_MIN), imin},
        {"int from -5 truncates to 0", dec<int>(-5), 0},
        {"int from INT_MIN", dec<int>(INT_MIN), -2147483},
        {"int raw -7", enc(-7, 1000, false), -7},
        {"int from 5 with multiplier 0 saturates", dec<int>(5, 0.0), imax},
        {"int from 0 with multiplier 0 (NaN)", dec<int>(0, 0.0), 0},
        // float
        {"float 2.5 with multiplier 1 rounds away", enc(2.5f, 1.0), 3},
        {"float raw 2.5 truncates", enc(2.5f, 1000, false), 2},
        {"float NaN", enc(float(a_nan)), 0},
        {"float 1e30 saturates", enc(1e30f), imax},
        {"float -1e30 saturates", enc(-1e30f), imin},
        {"float raw 3e9 saturates", enc(3e9f, 1000, false), imax},
        {"float from 1234", dec<float>(1234), (long double)1.234f},
        // double
        {"double 0.0005", enc(0.0005), 1},
        {"double -0.0005", enc(-0.0005), -1},
        {"double from 12345", dec<double>(12345), 12.345},
        {"double inf saturates", enc(inf), imax},
        {"double -inf saturates", enc(-inf), imin},
        {"double NaN", enc(a_nan), 0},
        {"double raw NaN", enc(a_nan, 1000, false), 0},
        {"double raw -1e20 saturates", enc(-1e20, 1000, false), imin},
        // unsigned long long
        {"ull raw 5000000000 keeps low 32 bits", enc(5000000000ULL, 1000, false), 705032704},
        {"ull raw from -1", dec<unsigned long long>(-1, 1000, false), 18446744073709551615.0L},
        {"ull from -5000", dec<unsigned long long>(-5000), 0},
        {"ull max saturates at the unsigned top", enc(std::numeric_limits<unsigned long long>::max()), -1},
        // long long
        {"ll raw 5000000000 keeps low 32 bits", enc(5000000000LL, 1000, false), 705032704},
        {"ll raw -5", enc(-5LL, 1000, false), -5},
        {"ll from INT_MIN", dec<long long>(INT_MIN), -2147483},
        {"ll raw from -1", dec<long long>(-1, 1000, false), -1},
        {"ll min saturates", enc(std::numeric_limits<long long>::min()), imin},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.got, r.want) << r.what;
}

TEST(Pd_codec, ScaleAndOffsetRoundTripAtTheLimits)
{
    // A multiplier that is not a power of ten, and the switch that ignores it.
    EXPECT_EQ(enc(100.0, 0.1), 10);
    EXPECT_EQ(dec<double>(10, 0.1), 100.0);
    EXPECT_EQ(enc(7, 0.5), 4) << "3.5 rounds away from zero";
    EXPECT_EQ(enc(-7, 0.5), -4);
    EXPECT_EQ(enc(7, 123.0, false), 7) << "the multiplier is ignored when switched off";
    EXPECT_EQ(dec<int>(7, 123.0, false), 7);
    for (int p : {INT_MIN, -1, 0, 1, INT_MAX}) {
        EXPECT_EQ(enc(dec<int>(p, 1.0), 1.0), p);
        EXPECT_EQ(enc(dec<double>(p)), p);
        EXPECT_EQ(enc(dec<long long>(p, 1.0), 1.0), p);
    }
}
