#include "platform/util/Debug_dumper.h"
#include "platform/util/Random.h"
#include "platform/util/Util.h"
#include "platform/util/ieee754.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <string>

TEST(Ieee754, FloatFormIsLittleEndianAndRoundTrips)
{
    unsigned char bytes[4];
    float one = 1.0f;
    float_to_bytes_ieee754(one, bytes);
    const unsigned char expected[4] = {0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(0, std::memcmp(bytes, expected, 4));

    for (float v : {0.0f, -0.0f, 1.5f, -3.25e-12f, std::numeric_limits<float>::max(),
                    std::numeric_limits<float>::denorm_min(),
                    std::numeric_limits<float>::infinity()}) {
        float_to_bytes_ieee754(v, bytes);
        float back = bytes_to_float_ieee754(bytes);
        EXPECT_EQ(0, std::memcmp(&v, &back, 4)) << v;
    }
    float nan = std::numeric_limits<float>::quiet_NaN();
    float_to_bytes_ieee754(nan, bytes);
    EXPECT_TRUE(std::isnan(bytes_to_float_ieee754(bytes)));
}

TEST(Ieee754, DoubleFormIsLittleEndianAndRoundTrips)
{
    unsigned char bytes[8];
    double minus_two = -2.0;
    double_to_bytes_ieee754(minus_two, bytes);
    const unsigned char expected[8] = {0, 0, 0, 0, 0, 0, 0x00, 0xC0};
    EXPECT_EQ(0, std::memcmp(bytes, expected, 8));

    for (double v : {0.0, -0.0, 3.141592653589793, -1e300, std::numeric_limits<double>::min()}) {
        double_to_bytes_ieee754(v, bytes);
        double back = bytes_to_double_ieee754(bytes);
        EXPECT_EQ(0, std::memcmp(&v, &back, 8)) << v;
    }
}

TEST(Crc32, KnownValueAndRunningInPieces)
{
    const char text[] = "123456789";
    EXPECT_EQ(0xCBF43926ul, Util::crc32(0, text, 9));

    unsigned long running = Util::crc32(0, text, 4);
    running = Util::crc32(running, text + 4, 5);
    EXPECT_EQ(0xCBF43926ul, running);

    // Non-zero start values (the checksummed files start at 0x5CA1AB1E).
    unsigned long whole = Util::crc32(0x5CA1AB1E, text, 9);
    unsigned long parts = Util::crc32(Util::crc32(0x5CA1AB1E, text, 2), text + 2, 7);
    EXPECT_EQ(whole, parts);
}

TEST(Crc32, EmptyNullAndNegativeLengthsLeaveTheValue)
{
    EXPECT_EQ(0x12345678ul, Util::crc32(0x12345678, "abc", 0));
    EXPECT_EQ(0x12345678ul, Util::crc32(0x12345678, "abc", -5));
    EXPECT_EQ(0x12345678ul, Util::crc32(0x12345678, nullptr, 3));
}

TEST(Random, SameSeedSameSequenceAndFullLowByteRange)
{
    Random a, b;
    a.init(42);
    b.init(42);
    std::set<unsigned> low_bytes;
    for (int i = 0; i < 5000; ++i) {
        unsigned va = a.rand();
        EXPECT_EQ(va, b.rand());
        EXPECT_LE(va, 0x7FFFFFFFu);
        low_bytes.insert(va & 0xFF);
    }
    EXPECT_EQ(256u, low_bytes.size());

    Random c;
    c.init(43);
    a.init(42);
    int same = 0;
    for (int i = 0; i < 100; ++i) {
        same += a.rand() == c.rand();
    }
    EXPECT_LT(same, 5);
}

namespace {
std::string dump_to_string(void (*fill)(Debug::Dumper&), int max_depth = 32)
{
    char* buf = nullptr;
    size_t len = 0;
    FILE* f = open_memstream(&buf, &len);
    {
        Debug::Debug_dumper d(f, "\n", max_depth);
        fill(d);
    }
    std::fclose(f);
    std::string s(buf, len);
    std::free(buf);
    return s;
}
} // namespace

TEST(Debug_dumper, WritesNestedGroupsAndDeclinesTooDeep)
{
    auto fill = [](Debug::Dumper& d) {
        if (d.begin("PS")) {
            d.value("speed", "4.5");
            if (d.begin("tank")) {
                d.value("name", "\"seed\"");
                d.end("tank");
            }
            d.end("PS");
        }
    };
    EXPECT_EQ("PS {\n  speed = 4.5\n  tank {\n    name = \"seed\"\n  }\n}\n", dump_to_string(fill));
    EXPECT_EQ("PS {\n  speed = 4.5\n}\n", dump_to_string(fill, 1));
}
