#include "glue/cds/Receive_buffer.h"
#include "glue/cds/Send_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

using CDS::Remote::Receive_buffer;
using CDS::Remote::Send_buffer;

namespace {

// Produces a fixed mixed output through the typed appends.
void produce(Send_buffer& out)
{
    out.append_UINT32(0x04030201);
    out.str_append("1:5:system{");
    out.append_BOOL(true);
    out.append_INT16(-2);
    out.append_DOUBLE(2.5);
    out.append_UINT8(7);
    out.append_FLOAT(-0.25f);
    out.append_INT64(-3);
    out.str_append("}");
}

std::string whole_output()
{
    char buffer[256];
    Send_buffer out(buffer, 0, sizeof buffer);
    produce(out);
    return std::string(buffer, sizeof buffer - out.get_free_space());
}

} // namespace

TEST(Send_buffer, WindowKeepsOutputPositionsThreeToSix)
{
    char buffer[8] = {};
    Send_buffer out(buffer, 3, 4);
    EXPECT_EQ(out.append_UINT32(1), 4);
    EXPECT_EQ(out.append_UINT32(2), 4);
    EXPECT_EQ(out.append_UINT32(3), 4);
    const char expect[4] = {0, 2, 0, 0};
    EXPECT_EQ(std::memcmp(buffer, expect, 4), 0);
    EXPECT_EQ(out.get_free_space(), 0);
}

TEST(Send_buffer, EmptyWindowWritesNothing)
{
    char buffer[4] = {9, 9, 9, 9};
    Send_buffer out(buffer, 0, 0);
    EXPECT_EQ(out.buf_append("abc", 3), 0);
    EXPECT_EQ(buffer[0], 9);
}

TEST(Send_buffer, NegativeSkipWritesNothingAndSaysSo)
{
    char buffer[4] = {9, 9, 9, 9};
    Send_buffer out(buffer, -1, 4);
    testing::internal::CaptureStderr();
    EXPECT_EQ(out.buf_append("abc", 3), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Negative offset!!"), std::string::npos);
    EXPECT_EQ(buffer[0], 9);
}

TEST(Send_buffer, WindowedSendsConcatenateToTheWholeOutput)
{
    const std::string whole = whole_output();
    for (int window : {1, 3, 7, 8, 13, 64}) {
        std::string joined;
        for (int skip = 0; skip < int(whole.size()); skip += window) {
            std::vector<char> piece(window);
            Send_buffer out(piece.data(), skip, window);
            produce(out);
            joined.append(piece.data(), window - out.get_free_space());
        }
        EXPECT_EQ(joined, whole) << "window " << window;
    }
}

TEST(Send_buffer, ScalarEncodings)
{
    char buffer[16];
    Send_buffer out(buffer, 0, sizeof buffer);
    EXPECT_EQ(out.append_BOOL(true), 1);
    EXPECT_EQ(out.append_INT16(-2), 2);
    EXPECT_EQ(out.append_UINT32(0x11223344), 4);
    const unsigned char expect[] = {0x01, 0xFE, 0xFF, 0x44, 0x33, 0x22, 0x11};
    EXPECT_EQ(std::memcmp(buffer, expect, sizeof expect), 0);
}

TEST(Receive_buffer, RoundTripOfEveryType)
{
    char buffer[64];
    Send_buffer out(buffer, 0, sizeof buffer);
    out.append_BOOL(true);
    out.append_CHAR('z');
    out.append_INT8(-7);
    out.append_UINT8(200);
    out.append_INT16(-300);
    out.append_UINT16(60000);
    out.append_INT32(-70000);
    out.append_UINT32(4000000000u);
    out.append_INT64(-5000000000LL);
    out.append_UINT64(18000000000000000000ULL);
    out.append_FLOAT(1.5f);
    out.append_DOUBLE(-2.25);
    Receive_buffer in(buffer, int(sizeof buffer) - out.get_free_space());
    bool b; char c; signed char i8; unsigned char u8; short i16; unsigned short u16;
    int i32; unsigned u32; long long i64; unsigned long long u64; float f; double d;
    ASSERT_TRUE(in.pop_BOOL(b) && in.pop_CHAR(c) && in.pop_INT8(i8) && in.pop_UINT8(u8));
    ASSERT_TRUE(in.pop_INT16(i16) && in.pop_UINT16(u16) && in.pop_INT32(i32) && in.pop_UINT32(u32));
    ASSERT_TRUE(in.pop_INT64(i64) && in.pop_UINT64(u64) && in.pop_FLOAT(f) && in.pop_DOUBLE(d));
    EXPECT_EQ(in.get_remaining(), 0);
    EXPECT_TRUE(b);
    EXPECT_EQ(c, 'z');
    EXPECT_EQ(i8, -7);
    EXPECT_EQ(u8, 200);
    EXPECT_EQ(i16, -300);
    EXPECT_EQ(u16, 60000);
    EXPECT_EQ(i32, -70000);
    EXPECT_EQ(u32, 4000000000u);
    EXPECT_EQ(i64, -5000000000LL);
    EXPECT_EQ(u64, 18000000000000000000ULL);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, -2.25);
}

TEST(Receive_buffer, AnyNonZeroByteIsTrue)
{
    const char data[] = {7};
    Receive_buffer in(data, 1);
    bool b = false;
    EXPECT_TRUE(in.pop_BOOL(b));
    EXPECT_TRUE(b);
}

TEST(Receive_buffer, ShortPopConsumesNothing)
{
    const char data[] = {1, 2, 3};
    Receive_buffer in(data, 3);
    unsigned value = 99;
    EXPECT_FALSE(in.pop_UINT32(value));
    EXPECT_EQ(value, 99u);
    EXPECT_EQ(in.get_remaining(), 3);
    EXPECT_EQ(in.get_position(), data);
}

TEST(Receive_buffer, ItemHeaderIsRead)
{
    const char text[] = "a:1f:rate,";
    Receive_buffer in(text, int(sizeof text - 1));
    Data_item::item_type_t type{};
    unsigned short id = 0;
    int length = 0;
    const char* name = in.pop_item(type, id, length);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(type, 10);
    EXPECT_EQ(id, 31);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(std::string(name, length), "rate");
    EXPECT_TRUE(in.field_sep());
    EXPECT_EQ(in.get_remaining(), 1);
}

TEST(Receive_buffer, MalformedHeadersFailAndStayPut)
{
    for (const char* text : {"a:1frate", "a1f:rate", ":1f:rate", "a::rate", "", "a:", "a:1f"}) {
        Receive_buffer in(text, int(std::strlen(text)));
        Data_item::item_type_t type{};
        unsigned short id = 0;
        int length = -1;
        EXPECT_EQ(in.pop_item(type, id, length), nullptr) << text;
        EXPECT_EQ(in.get_position(), text) << text;
        EXPECT_EQ(in.get_remaining(), int(std::strlen(text))) << text;
    }
}

TEST(Receive_buffer, NameAtTheVeryEndOfTheMessageIsBounded)
{
    // No terminator after the name: the scan must stop at the last byte. A
    // heap copy of exactly the message lets the sanitizer see any overrun.
    const std::string text = "1:5:system";
    std::unique_ptr<char[]> exact(new char[text.size()]);
    std::memcpy(exact.get(), text.data(), text.size());
    Receive_buffer in(exact.get(), int(text.size()));
    Data_item::item_type_t type{};
    unsigned short id = 0;
    int length = 0;
    ASSERT_NE(in.pop_item(type, id, length), nullptr);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(in.get_remaining(), 0);
    EXPECT_FALSE(in.struct_start());
    EXPECT_FALSE(in.field_sep());
    EXPECT_FALSE(in.struct_finish());
    EXPECT_FALSE(in.pop_one());
}

TEST(Receive_buffer, SchemaWalk)
{
    const char text[] = "1:5:system{2:6:alive,a:7:rate,24:8:levels}";
    Receive_buffer in(text, int(sizeof text - 1));
    Data_item::item_type_t type{};
    unsigned short id = 0;
    int length = 0;
    ASSERT_NE(in.pop_item(type, id, length), nullptr);
    ASSERT_TRUE(in.struct_start());
    std::vector<std::string> names;
    std::vector<int> types;
    do {
        in.pop_one(); // over "{" or ","
        const char* name = in.pop_item(type, id, length);
        ASSERT_NE(name, nullptr);
        names.emplace_back(name, length);
        types.push_back(type);
    } while (in.field_sep());
    ASSERT_TRUE(in.struct_finish());
    EXPECT_FALSE(in.pop_one()); // over "}", nothing left
    EXPECT_EQ(in.get_remaining(), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"alive", "rate", "levels"}));
    EXPECT_EQ(types, (std::vector<int>{2, 10, 0x24}));
}

// Random and mutated schema texts and value streams: every operation stays
// inside the bytes given (each input lives in a heap block of exactly its
// size, so the address sanitizer reports any overrun).
TEST(Receive_buffer, RandomInputStaysInBounds)
{
    std::mt19937 rng(12345);
    const std::string seeds[] = {"1:5:system{2:6:alive,a:7:rate,24:8:levels}", "a:1f:rate,", "0:1:PS{}"};
    const char alphabet[] = "0123456789abcdefxyz_:{},\0";
    for (int round = 0; round < 20000; ++round) {
        std::string text = seeds[rng() % 3];
        int edits = int(rng() % 6);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            size_t at = rng() % text.size();
            switch (rng() % 3) {
            case 0: text[at] = alphabet[rng() % (sizeof alphabet - 1)]; break;
            case 1: text.erase(at, 1 + rng() % 4); break;
            default: text.resize(at); break;
            }
        }
        std::unique_ptr<char[]> exact(new char[text.size()]);
        std::memcpy(exact.get(), text.data(), text.size());
        Receive_buffer in(exact.get(), int(text.size()));
        for (int step = 0; step < 64 && in.get_remaining() > 0; ++step) {
            Data_item::item_type_t type{};
            unsigned short id = 0;
            int length = 0;
            const int before = in.get_remaining();
            const char* name = in.pop_item(type, id, length);
            if (name) {
                ASSERT_GE(name, exact.get());
                ASSERT_LE(name + length, exact.get() + text.size());
            }
            in.struct_start();
            in.field_sep();
            in.struct_finish();
            double d;
            unsigned short u16;
            switch (rng() % 3) {
            case 0: in.pop_one(); break;
            case 1: in.pop_DOUBLE(d); break;
            default: in.pop_UINT16(u16); break;
            }
            ASSERT_GE(in.get_remaining(), 0);
            ASSERT_LE(in.get_remaining(), before);
            ASSERT_EQ(in.get_position() + in.get_remaining(), exact.get() + text.size());
        }
    }
}
