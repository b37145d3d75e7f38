#include "apps/sowvane/control_logic/Packet_interface.h"

#include "tests/support/serial/Fake_satellite_ecu.h"
#include "tests/support/serial/Memory_stream.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace {

using Packet = Packet_interface::Packet;
using Bytes = std::vector<uint8_t>;
using test_support::Fake_satellite_ecu;

Bytes reply(uint8_t source, uint8_t command, const Bytes& data)
{
    return Fake_satellite_ecu::frame(Packet_interface::OWN_ADDRESS, source, command, data);
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes frame_of(const Packet& p) { return Bytes(p.data, p.data + p.packet_length()); }

struct Link : ::testing::Test {
    Memory_stream stream;
    Packet_interface link{stream};
    Packet got;
};

TEST_F(Link, BinaryRequestGoesOutWithLengthAndChecksum)
{
    Packet request(50, 9);
    request.append(0x01);
    request.append(0x02);
    request.append(0xF0);
    Atime before = Atime::now();
    ASSERT_TRUE(link.send(request));
    Atime after = Atime::now();
    // 50 + 7 + 0x31 + 9 + 1 + 2 + 0xF0 = 0x166
    EXPECT_EQ((Bytes{50, 7, 0x31, 9, 0x01, 0x02, 0xF0, 0x66}), stream.written());
    EXPECT_EQ(8u, request.packet_length());
    EXPECT_GE(link.reply_deadline(), before + int(link.timeout()));
    EXPECT_LE(link.reply_deadline(), after + int(link.timeout()));
}

TEST_F(Link, PacketRoomAndAccessorsStayInsideTheBuffer)
{
    Packet binary(52, 0x40, 3);
    EXPECT_EQ(0x40, binary.source());
    for (int i = 0; i < 27; ++i)
        binary.append(uint8_t(i));
    Packet full = binary;
    binary.append(0xEE); // a 28th data byte is dropped
    EXPECT_EQ(27u, binary.length);
    EXPECT_EQ(0, std::memcmp(full.data, binary.data, sizeof full.data));
    EXPECT_EQ(26, binary.data_byte(26));
    EXPECT_EQ(0xFF, binary.data_byte(27)); // the checksum's place, unsent
    for (unsigned i : {28u, 29u, 1000u, ~0u})
        EXPECT_EQ(0, binary.data_byte(i)) << i;

    Packet ascii;
    ascii.init(true);
    for (int i = 0; i < 40; ++i)
        ascii.append('A');
    EXPECT_EQ(32u, ascii.length);
    EXPECT_EQ('A', ascii.data_byte(31));
    EXPECT_EQ(0, ascii.data_byte(32));
}

TEST_F(Link, ReceivesAReplyRoundTrip)
{
    Packet sent(0x31, 52, 3);
    sent.append(7);
    sent.append(8);
    Memory_stream out;
    Packet_interface(out).send(sent);
    ASSERT_TRUE(stream.feed(out.written()));
    ASSERT_EQ(1, link.receive(got, false));
    EXPECT_EQ(out.written(), frame_of(got));
    EXPECT_EQ(2u, got.length);
    EXPECT_EQ(52, got.source());
    EXPECT_EQ(8, got.data_byte(1));
    EXPECT_EQ(0u, stream.bytes_avail());
}

TEST_F(Link, PartialFrameWaitsForTheRest)
{
    Bytes r = reply(50, 1, {1, 2, 3, 4, 5});
    for (size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(0, link.receive(got, false)) << i;
        stream.feed({r[i]});
    }
    ASSERT_EQ(1, link.receive(got, false));
    EXPECT_EQ(r, frame_of(got));
}

// The RS485 line gives back what we sent; at 57,600 baud the echo and the
// controller's reply commonly land in one read. Only the echo may go.
TEST_F(Link, EchoIsDroppedAndTheReplyBehindItKept)
{
    Packet request(50, 1);
    link.send(request);
    Bytes good = reply(50, 1, {9, 8, 7, 6, 5, 4});
    stream.feed(stream.written() + good);
    ASSERT_EQ(1, link.receive(got, false));
    EXPECT_EQ(good, frame_of(got));
    EXPECT_EQ(0u, stream.bytes_avail());
}

TEST_F(Link, EchoAloneIsDroppedAndAPartialEchoWaits)
{
    Packet request(50, 1);
    request.append(1);
    link.send(request);
    Bytes echo = stream.written();
    stream.feed(Bytes(echo.begin(), echo.begin() + 5));
    EXPECT_EQ(0, link.receive(got, false));
    EXPECT_EQ(5u, stream.bytes_avail());
    stream.feed(Bytes(echo.begin() + 5, echo.end()));
    EXPECT_EQ(0, link.receive(got, false));
    EXPECT_EQ(0u, stream.bytes_avail());
}

// Every corrupt input costs bytes up to the next good frame, never that frame.
TEST_F(Link, CorruptInputResynchronisesOnTheNextGoodFrame)
{
    Bytes good = reply(53, 4, {0x10, 0x20, 0x30});
    Bytes bad_checksum = reply(50, 1, {1, 2, 3});
    bad_checksum.back() ^= 0xFF;
    Bytes truncated = reply(51, 2, {1, 2, 3, 4, 5, 6});
    truncated.resize(6);
    struct Case {
        const char* name;
        Bytes before;
    } cases[] = {
        {"bad checksum", bad_checksum},
        {"foreign destination", Fake_satellite_ecu::frame(0x40, 50, 1, {1, 2})},
        {"length byte 32 or more", Bytes{0x31, 32, 50, 1, 0, 0}},
        {"length byte 255", Bytes{0x31, 0xFF, 0x31, 1, 0, 0}},
        {"length byte below the header", Bytes{0x31, 3, 50, 1, 0x65}},
        {"length byte 0", Bytes{0x31, 0, 0x31, 0x31, 0x31}},
        {"truncated frame", truncated},
        {"garbage", Bytes{0x00, 0x01, 0x02, 0xFF, 0xFE}},
        {"corrupt echo", Bytes{50, 5, 0x31, 1, 0x00, 0x77}},
    };
    ::testing::internal::CaptureStdout();
    for (const Case& c : cases) {
        stream.drop_all();
        stream.feed(c.before + good);
        EXPECT_EQ(1, link.receive(got, false)) << c.name;
        EXPECT_EQ(good, frame_of(got)) << c.name;
        EXPECT_EQ(0u, stream.bytes_avail()) << c.name;
    }
    std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Pkt fail Packet_interface:"));
}

TEST_F(Link, TwoRepliesInOneReadComeOneByOne)
{
    Bytes a = reply(50, 1, {1});
    Bytes b = reply(51, 1, {2, 3});
    stream.feed(a + b);
    ASSERT_EQ(1, link.receive(got, false));
    EXPECT_EQ(a, frame_of(got));
    ASSERT_EQ(1, link.receive(got, false));
    EXPECT_EQ(b, frame_of(got));
    EXPECT_EQ(0, link.receive(got, false));
}

// ASCII framing of the scales.

Packet ascii_packet(const std::string& s)
{
    Packet p;
    p.init(true);
    for (char c : s)
        p.append(uint8_t(c));
    return p;
}

TEST_F(Link, AsciiRequestGoesOutAsItStands)
{
    Packet request = ascii_packet("S2x110026:");
    ASSERT_TRUE(link.send(request));
    EXPECT_EQ(text("S2x110026:"), stream.written());
}

TEST_F(Link, AsciiEchoThenReplyYieldsTheReplyAlone)
{
    Packet request = ascii_packet("S2x110026:");
    link.send(request);
    std::string answer = "S21110026:+0012345kg\x03";
    stream.feed(text("S2x110026:") + text(answer));
    ASSERT_EQ(1, link.receive(got, true));
    EXPECT_EQ(answer.size(), got.packet_length());
    EXPECT_EQ(1, got.ascii);
    EXPECT_EQ(text(answer), frame_of(got));
    EXPECT_EQ(0u, stream.bytes_avail());
}

// One request has one echo: a reply that begins with the request's own
// bytes is still the reply.
TEST_F(Link, AsciiReplyThatBeginsLikeTheRequestIsKept)
{
    Packet request = ascii_packet("S21110026:");
    link.send(request);
    std::string answer = "S21110026:00001000\x03";
    stream.feed(text("S21110026:") + text(answer));
    ASSERT_EQ(1, link.receive(got, true));
    EXPECT_EQ(text(answer), frame_of(got));
}

TEST_F(Link, AsciiWithNothingSentYetHasNoEcho)
{
    std::string answer = "S21110026:+12\x03";
    stream.feed(text(answer));
    ASSERT_EQ(1, link.receive(got, true));
    EXPECT_EQ(text(answer), frame_of(got));
}

TEST_F(Link, AsciiRealignsOnTheColon)
{
    std::string answer = "S21110026:+12\x03";
    struct Case {
        const char* name;
        std::string before;
    } cases[] = {
        {"noise before the frame", "xyz"},
        {"truncated frame", "0026:"},
        {"colon at index 0", ":"},
        {"runaway frame without ETX", "S21110026:" + std::string(30, '9')},
    };
    ::testing::internal::CaptureStdout();
    for (const Case& c : cases) {
        stream.drop_all();
        stream.feed(text(c.before + answer));
        EXPECT_EQ(1, link.receive(got, true)) << c.name;
        EXPECT_EQ(text(answer), frame_of(got)) << c.name;
    }
    EXPECT_NE(std::string::npos,
              ::testing::internal::GetCapturedStdout().find("Colon out of position\n"));
}

TEST_F(Link, AsciiWithoutColonKeepsOnlyAPossibleFrameStart)
{
    stream.feed(text(std::string(100, 'n') + "S21110026"));
    EXPECT_EQ(0, link.receive(got, true));
    EXPECT_EQ(9u, stream.bytes_avail());
    stream.feed(text(":+1\x03"));
    ASSERT_EQ(1, link.receive(got, true));
    EXPECT_EQ(text("S21110026:+1\x03"), frame_of(got));
}

TEST_F(Link, AsciiReplyWithoutEtxYetWaits)
{
    stream.feed(text("S21110026:+12"));
    EXPECT_EQ(0, link.receive(got, true));
    stream.feed(text("34\x03"));
    ASSERT_EQ(1, link.receive(got, true));
    EXPECT_EQ(text("S21110026:+1234\x03"), frame_of(got));
}

} // namespace
