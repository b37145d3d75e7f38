#include "glue/message/Binary_message.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

// Every getter with its width: at offset length - width it reads the last
// bytes of the message; one further it is out of range and gives 0.
struct Getter {
    const char* name;
    unsigned width;
    std::function<double(const Binary_message&, unsigned)> get;
};

const std::vector<Getter>& all_getters()
{
    static const std::vector<Getter> getters = {
        {"int8", 1, [](const Binary_message& m, unsigned o) { return m.get_int8(o); }},
        {"uint8", 1, [](const Binary_message& m, unsigned o) { return m.get_uint8(o); }},
        {"int16_le", 2, [](const Binary_message& m, unsigned o) { return m.get_int16_le(o); }},
        {"uint16_le", 2, [](const Binary_message& m, unsigned o) { return m.get_uint16_le(o); }},
        {"int16_be", 2, [](const Binary_message& m, unsigned o) { return m.get_int16_be(o); }},
        {"uint16_be", 2, [](const Binary_message& m, unsigned o) { return m.get_uint16_be(o); }},
        {"int24_le", 3, [](const Binary_message& m, unsigned o) { return m.get_int24_le(o); }},
        {"uint24_le", 3, [](const Binary_message& m, unsigned o) { return m.get_uint24_le(o); }},
        {"int24_be", 3, [](const Binary_message& m, unsigned o) { return m.get_int24_be(o); }},
        {"uint24_be", 3, [](const Binary_message& m, unsigned o) { return m.get_uint24_be(o); }},
        {"int32_le", 4, [](const Binary_message& m, unsigned o) { return m.get_int32_le(o); }},
        {"uint32_le", 4, [](const Binary_message& m, unsigned o) { return m.get_uint32_le(o); }},
        {"int32_be", 4, [](const Binary_message& m, unsigned o) { return m.get_int32_be(o); }},
        {"uint32_be", 4, [](const Binary_message& m, unsigned o) { return m.get_uint32_be(o); }},
        {"int64_le", 8, [](const Binary_message& m, unsigned o) { return double(m.get_int64_le(o)); }},
        {"uint64_le", 8, [](const Binary_message& m, unsigned o) { return double(m.get_uint64_le(o)); }},
        {"int64_be", 8, [](const Binary_message& m, unsigned o) { return double(m.get_int64_be(o)); }},
        {"uint64_be", 8, [](const Binary_message& m, unsigned o) { return double(m.get_uint64_be(o)); }},
        {"float", 4, [](const Binary_message& m, unsigned o) { return m.get_float(o); }},
        {"double", 8, [](const Binary_message& m, unsigned o) { return m.get_double(o); }},
    };
    return getters;
}

} // namespace

TEST(Binary_message, EveryGetterReadsUpToTheEndAndNotOneByteFurther)
{
    // Bytes 1..12 so that no in-range read can be 0.
    unsigned char bytes[12];
    for (unsigned i = 0; i < sizeof bytes; ++i) {
        bytes[i] = static_cast<unsigned char>(0x41 + i);
    }
    Binary_message m(bytes, sizeof bytes);
    for (const Getter& g : all_getters()) {
        SCOPED_TRACE(g.name);
        EXPECT_NE(0.0, g.get(m, sizeof bytes - g.width));
        EXPECT_EQ(0.0, g.get(m, sizeof bytes - g.width + 1));
        // Offsets so large that offset + width wraps around 32 bits.
        EXPECT_EQ(0.0, g.get(m, 0xFFFFFFFFu));
        EXPECT_EQ(0.0, g.get(m, 0xFFFFFFF9u));
    }
}

TEST(Binary_message, ByteOrderAndSignOfIntegers)
{
    unsigned char bytes[8] = {0x80, 0x00, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0x03};
    Binary_message m(bytes, sizeof bytes);
    EXPECT_EQ(-32768, m.get_int16_be(0));
    EXPECT_EQ(32768u, m.get_uint16_be(0));
    EXPECT_EQ(128, m.get_int16_le(0));
    EXPECT_EQ(-1, m.get_int8(2));
    EXPECT_EQ(255u, m.get_uint8(2));
    // 24-bit reads are not sign-extended.
    EXPECT_EQ(16777215, m.get_int24_le(2));
    EXPECT_EQ(16777215, m.get_int24_be(2));
    EXPECT_EQ(0x0201FFu, m.get_uint24_le(4));
    EXPECT_EQ(0xFF0102u, m.get_uint24_be(4));
    EXPECT_EQ(0x030201FFFFFF0080ull, m.get_uint64_le(0));
    EXPECT_EQ(0x8000FFFFFF010203ull, m.get_uint64_be(0));
    EXPECT_EQ(int64_t(0x8000FFFFFF010203ull), m.get_int64_be(0));
}

TEST(Binary_message, SettersRoundTripThroughGetters)
{
    unsigned char bytes[16] = {};
    Binary_message m(bytes, sizeof bytes);
    m.set_int16_le(0, -2);
    EXPECT_EQ(0xFE, bytes[0]);
    EXPECT_EQ(0xFF, bytes[1]);
    EXPECT_EQ(-2, m.get_int16_le(0));
    m.set_uint32_be(2, 0x11223344);
    EXPECT_EQ(0x11, bytes[2]);
    EXPECT_EQ(0x44, bytes[5]);
    m.set_int24_le(6, -1); // the low 24 bits
    EXPECT_EQ(0xFFFFFFu, m.get_uint24_le(6));
    EXPECT_EQ(0, bytes[9]);
    m.set_int64_le(8, std::numeric_limits<int64_t>::min());
    EXPECT_EQ(std::numeric_limits<int64_t>::min(), m.get_int64_le(8));
    m.set_float(0, 3.5f);
    EXPECT_EQ(3.5f, m.get_float(0));
    m.set_double(8, -1e-9);
    EXPECT_EQ(-1e-9, m.get_double(8));
}

TEST(Binary_message, ViewWithoutCapacityWritesPastTheLengthWithoutGrowing)
{
    unsigned char bytes[16] = {};
    Binary_message m(bytes, 4);
    EXPECT_TRUE(m.set_uint32_le(8, 0xAABBCCDD));
    EXPECT_EQ(0xDD, bytes[8]);
    EXPECT_EQ(4u, m.get_length());
    EXPECT_EQ(0u, m.get_uint32_le(8)); // still beyond the valid bytes

    EXPECT_TRUE(m.set_bytes(10, static_cast<unsigned char>(7), 3));
    EXPECT_EQ(13u, m.get_length());
    EXPECT_EQ(7, m.get_uint8(12));
}

TEST(Binary_message, ViewOverReceivedDataRefusesWritesPastItsEnd)
{
    unsigned char frame[12] = {1, 2, 3, 4, 5, 6, 7, 8, 0xEE, 0xEE, 0xEE, 0xEE};
    Binary_message m(frame, 8, 8);
    EXPECT_FALSE(m.set_uint32_le(6, 0));
    EXPECT_FALSE(m.set_uint8(8, 0));
    EXPECT_FALSE(m.set_uint64_be(0xFFFFFFFCu, 0)); // would wrap around
    EXPECT_FALSE(m.set_double(4, 0.0));
    EXPECT_FALSE(m.set_bytes(6, static_cast<unsigned char>(0), 3));
    const unsigned char src[4] = {9, 9, 9, 9};
    EXPECT_FALSE(m.set_bytes(5, src, 4));
    EXPECT_FALSE(m.set_bits_msb(7, 0xFFFF, 4, 8));
    EXPECT_FALSE(m.set_bit_msb(8, true, 0));
    EXPECT_EQ(8u, m.get_length());
    for (int i = 8; i < 12; ++i) {
        EXPECT_EQ(0xEE, frame[i]);
    }
    // In range writes work.
    EXPECT_TRUE(m.set_uint32_le(4, 0x0A0B0C0D));
    EXPECT_EQ(0x0A0B0C0Du, m.get_uint32_le(4));
    EXPECT_TRUE(m.set_bytes(6, src, 2));
    EXPECT_EQ(8u, m.get_length());
}

TEST(Binary_message, ByteRuns)
{
    unsigned char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Binary_message m(bytes, 6);
    EXPECT_EQ(bytes + 2, m.get_bytes(2, 4));
    EXPECT_EQ(nullptr, m.get_bytes(3, 4));
    EXPECT_EQ(nullptr, m.get_bytes(0xFFFFFFFFu, 2));
    EXPECT_EQ(nullptr, m.get_bytes(0, -1));

    unsigned char out[8] = {};
    EXPECT_TRUE(m.get_bytes(4, out, 2));
    EXPECT_EQ(5, out[0]);
    EXPECT_FALSE(m.get_bytes(5, out, 2)); // past the end: nothing copied
    EXPECT_EQ(5, out[0]);

    EXPECT_EQ(6u, m.get_data(out, 8));
    EXPECT_EQ(3u, m.get_data(out, 3));
}

TEST(Binary_message, Strings)
{
    unsigned char bytes[10] = {'a', 'b', 0, 'c', 'd', 'e', 'f', 0, 'x', 'y'};
    Binary_message m(bytes, sizeof bytes);
    EXPECT_STREQ("ab", m.get_string(0, 2));
    EXPECT_STREQ("cdef", m.get_string(3, 4));
    // offset + maxlen must stay below the length.
    EXPECT_STREQ("", m.get_string(3, 7));
    EXPECT_STREQ("", m.get_string(3, 2)); // no 0 within maxlen + 1 bytes
    EXPECT_STREQ("", m.get_string(0xFFFFFFF0u, 20));

    EXPECT_STREQ("cdef", m.get_partial_string(3));
    EXPECT_STREQ("", m.get_partial_string(8)); // no 0 before the end
    EXPECT_STREQ("", m.get_partial_string(10));
    EXPECT_EQ(nullptr, m.get_partial_string(11));

    EXPECT_TRUE(m.set_string(3, "hello world", 4));
    EXPECT_STREQ("hell", m.get_string(3, 4));
    EXPECT_TRUE(m.set_string(0, "z", 2));
    EXPECT_EQ(0, bytes[1]);
    EXPECT_FALSE(m.set_string(5, "abc", 5)); // 5 + 5 is not below 10
    EXPECT_EQ(10u, m.get_length());
}

TEST(Binary_message, BitFieldsInBothOrders)
{
    unsigned char bytes[6] = {0xAB, 0xCD, 0, 0, 0, 0};
    Binary_message m(bytes, sizeof bytes);
    EXPECT_EQ(0xDAu, m.get_bits_lsb(0, 4, 8));
    EXPECT_EQ(0xBCu, m.get_bits_msb(0, 4, 8));
    EXPECT_EQ(0xCDABu, m.get_bits_lsb(0, 0, 16));
    EXPECT_EQ(0xABCDu, m.get_bits_msb(0, 0, 16));
    EXPECT_EQ(0x3u, m.get_bits_lsb(0, 0, 2));  // J1939 2-bit status in the low bits
    EXPECT_EQ(0x2u, m.get_bits_msb(0, 0, 2));
    // A field that starts in the second covered byte.
    EXPECT_EQ(0xCDu, m.get_bits_lsb(0, 8, 8));
    EXPECT_EQ(0xCDu, m.get_bits_msb(0, 8, 8));

    // Setting a field changes only its bits, even with a value too wide.
    m.set_bits_lsb(2, 0x5, 2, 3);
    EXPECT_EQ(0x14, bytes[2]);
    m.set_bits_lsb(2, 0xFF, 5, 2);
    EXPECT_EQ(0x74, bytes[2]);
    EXPECT_EQ(0x5u, m.get_bits_lsb(2, 2, 3));
    m.set_bits_msb(3, 0x3FF, 3, 10);
    EXPECT_EQ(0x1F, bytes[3]);
    EXPECT_EQ(0xF8, bytes[4]);
    EXPECT_EQ(0x3FFu, m.get_bits_msb(3, 3, 10));
    m.set_bits_lsb(2, 0x12345, 4, 20);
    EXPECT_EQ(0x12345u, m.get_bits_lsb(2, 4, 20));

    // Out of range: 0, and no write.
    EXPECT_EQ(0u, m.get_bits_msb(5, 4, 8));
    Binary_message fixed(bytes, 6, 6);
    EXPECT_FALSE(fixed.set_bits_lsb(5, 1, 4, 8));
}

TEST(Binary_message, SingleBitsAndSwaps)
{
    unsigned char bytes[2] = {0x05, 0};
    Binary_message m(bytes, sizeof bytes);
    EXPECT_TRUE(m.get_bit_msb(0, 0));
    EXPECT_FALSE(m.get_bit_msb(0, 1));
    EXPECT_TRUE(m.get_bit_msb(0, 2));
    EXPECT_FALSE(m.get_bit_msb(0, 40));
    m.set_bit_msb(1, true, 7);
    EXPECT_EQ(0x80, bytes[1]);
    m.set_bit_msb(0, false, 0);
    EXPECT_EQ(0x04, bytes[0]);

    EXPECT_EQ(0x00030201u, Binary_message::swap_byte_order(0xAA010203u, 24));
    EXPECT_EQ(0x0201u, Binary_message::swap_byte_order(0x0102u, 12));
    EXPECT_EQ(0xAA030201u, Binary_message::swap_bit_order(0xAA010203u, 24));
    EXPECT_EQ(0xAA003020u, Binary_message::swap_bit_order(0xAA000203u, 20));
}

TEST(Binary_message, CopyAssignmentSharesTheBuffer)
{
    unsigned char a[4] = {1, 2, 3, 4};
    unsigned char b[2] = {9, 9};
    Binary_message ma(a, 4);
    Binary_message mb(b, 2, 2);
    mb = ma;
    EXPECT_EQ(a, mb.get_buffer());
    EXPECT_EQ(4u, mb.get_length());
    mb.set_uint8(0, 7);
    EXPECT_EQ(7, a[0]);
}

TEST(Binary_message_death, MaskOverMoreThanFourBytesAborts)
{
    EXPECT_DEATH(Binary_message::Mask(1, 32, true), "");
    EXPECT_DEATH(Binary_message::Mask(0, 33, false), "");
}

#include "util/Debug_base.h"
#include "util/Debug_print.h"

#include <fstream>
#include <sstream>

TEST(Binary_message, OutOfRangeTraceOnlyForItsGettersAndFilter)
{
    std::string path = std::string(::testing::TempDir()) + "binary_message_trace_" + std::to_string(::getpid()) + ".txt";
    Debug_print::set_debug_file(path.c_str());
    unsigned char bytes[2] = {1, 2};
    Binary_message m(bytes, 2);
    m.get_float(0); // filter off: silent
    JDB::set_filters("22"); // code 34
    m.get_uint16_le(1);     // silent getter
    m.get_float(0);
    m.get_double(0);
    m.get_int24_le(0);
    m.get_uint24_le(0);
    m.get_int24_be(0);
    m.get_uint24_be(0);
    m.get_uint16_be(0); // in range
    JDB::set_filters("00");
    std::fflush(Debug_print::get_debug_file());
    Debug_print::set_debug_file(nullptr);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(path.c_str());
    EXPECT_EQ("add 0x22\n"
              "Binary_message: index out of range 42\n"
              "Binary_message: index out of range 52\n"
              "Binary_message: index out of range 75\n"
              "Binary_message: index out of range 124\n"
              "Binary_message: index out of range 568\n"
              "Binary_message: index out of range 610\n",
              text.str());
}
