#include "apps/sowvane/control_logic/Iop_Packet_interface.h"

#include "tests/support/serial/Fake_io_processor.h"
#include "tests/support/serial/Memory_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Packet = Iop_Packet_interface::Packet;
using Bytes = std::vector<uint8_t>;
using test_support::Fake_io_processor;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Iop_link : ::testing::Test {
    Memory_stream stream;
    Iop_Packet_interface link{stream};
    Packet got;
};

TEST_F(Iop_link, RequestIsTwelveBytesWithXorChecksum)
{
    Packet request(39);
    request.append(1);
    request.append(0x80);
    ASSERT_TRUE(link.send(request));
    // 39 ^ 1 ^ 0x80 = 0xA6
    EXPECT_EQ((Bytes{0xAA, 0x55, 8, 39, 1, 0x80, 0, 0, 0, 0, 0, 0xA6}), stream.written());
}

TEST_F(Iop_link, AppendStopsAtTheRoomOfThePacket)
{
    Packet p(1);
    for (int i = 0; i < 70; ++i)
        p.append(0xEE);
    EXPECT_EQ(59u, p.count);
    EXPECT_EQ(0xEE, p.byte(62));
    EXPECT_EQ(0, p.byte(63));
    EXPECT_EQ(0, p.byte(64));
    EXPECT_EQ(0, p.byte(~0u));
}

TEST_F(Iop_link, RequestWithAPayloadLengthBeyondThePacketIsRefused)
{
    Packet p(1);
    p.data[2] = 61; // 61 + 4 bytes would run past the 64-byte packet
    EXPECT_FALSE(link.send(p));
    EXPECT_TRUE(stream.written().empty());
}

TEST_F(Iop_link, ReceivesAReplyRoundTrip)
{
    Bytes f = Fake_io_processor::frame(48, {0x01, 0x02, 0, 0, 0, 0, 0});
    stream.feed(f);
    ASSERT_EQ(1, link.receive(got));
    EXPECT_EQ(48, got.command());
    EXPECT_EQ(0x02, got.byte(5));
    EXPECT_EQ(0, std::memcmp(f.data(), got.data, f.size()));
    EXPECT_EQ(0u, stream.bytes_avail());
}

TEST_F(Iop_link, CorruptInputResynchronisesOnTheNextGoodFrame)
{
    Bytes good = Fake_io_processor::frame(16, {0, 0x02, 0, 0, 0, 0, 0});
    Bytes bad_checksum = Fake_io_processor::frame(40, {1, 0, 0, 0, 0, 0, 0});
    bad_checksum.back() ^= 0x01;
    struct Case {
        const char* name;
        Bytes before;
    } cases[] = {
        // Behind this bad checksum "08 28 01 00 00" would pass a one-byte
        // checksum: only a frame at its lead bytes counts.
        {"bad checksum", bad_checksum},
        {"length beyond the packet", Bytes{0xAA, 0x55, 0xF0, 1, 2, 3}},
        {"length 61", Bytes{0xAA, 0x55, 61, 1, 2}},
        {"zero length", Bytes{0xAA, 0x55, 0, 0}},
        {"garbage", Bytes{0x13, 0x14, 0x01, 0x02}},
        {"lead bytes missing", Bytes{0x00, 0x55, 1, 7, 7}},
    };
    ::testing::internal::CaptureStdout();
    for (const Case& c : cases) {
        stream.drop_all();
        stream.feed(c.before + good);
        EXPECT_EQ(1, link.receive(got)) << c.name;
        EXPECT_EQ(0, std::memcmp(good.data(), got.data, good.size())) << c.name;
        EXPECT_EQ(0u, stream.bytes_avail()) << c.name;
    }
    std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos,
              log.find("IOP pkt fail due to checksum. Expected = 28 Calc = 29\n"));
}

TEST_F(Iop_link, LongestFrameFitsAndPartialFrameWaits)
{
    Bytes payload(59, 0x11);
    Bytes f = Fake_io_processor::frame(2, payload); // N = 60, 64 bytes
    ASSERT_EQ(64u, f.size());
    stream.feed(Bytes(f.begin(), f.end() - 1));
    EXPECT_EQ(0, link.receive(got));
    stream.feed({f.back()});
    ASSERT_EQ(1, link.receive(got));
    EXPECT_EQ(f.back(), got.byte(63));
}

} // namespace
