// The links on the project's serial port stream, talking through a
// pseudo-terminal to the fake devices the later control tests use.
#include "apps/sowvane/control_logic/Iop_Packet_interface.h"
#include "apps/sowvane/control_logic/Packet_interface.h"

#include "glue/data_stream/Posix_threaded_serial_data_stream.h"
#include "tests/support/serial/Fake_io_processor.h"
#include "tests/support/serial/Fake_satellite_ecu.h"
#include "tests/support/serial/Pty_pair.h"
#include "tests/support/serial/Pty_serial_stream.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

namespace {

using test_support::Fake_io_processor;
using test_support::Fake_satellite_ecu;
using test_support::Pty_pair;
using test_support::wait_until;
using Behaviour = Fake_satellite_ecu::Behaviour;

struct Rs485_line : ::testing::Test {
    test_support::Pty_serial_stream line;
    Fake_satellite_ecu ecu{line.pty};
    std::unique_ptr<Posix_threaded_serial_data_stream>& stream = line.stream;
    std::unique_ptr<Packet_interface> link;
    Packet_interface::Packet got;

    void SetUp() override
    {
        ASSERT_TRUE(line.open());
        link = std::make_unique<Packet_interface>(*stream);
    }

    // Sends a poll, lets the fake serve it and waits (bounded) for a frame.
    bool poll(uint8_t id, uint8_t command)
    {
        Packet_interface::Packet request(id, command);
        request.append(0);
        if (!link->send(request) || ecu.pump_requests(1) != 1)
            return false;
        return wait_until([&] { return link->receive(got, false) == 1; },
                          std::chrono::seconds(20));
    }
};

TEST_F(Rs485_line, PollIsEchoedAndAnsweredThroughThePort)
{
    ecu.set_reply(50, 1, {1, 2, 3, 4, 5});
    ASSERT_TRUE(poll(50, 1));
    EXPECT_EQ(50, got.source());
    EXPECT_EQ(1, got.command());
    EXPECT_EQ(10u, got.packet_length());
    EXPECT_EQ(5, got.data_byte(4));
    ASSERT_EQ(1u, ecu.requests().size());
    EXPECT_EQ((std::vector<uint8_t>{50, 5, 0x31, 1, 0, 0x69}), ecu.requests()[0]);
}

TEST_F(Rs485_line, CorruptAndWrongLengthRepliesFromTheFake)
{
    ecu.set_reply(51, 3, {7, 7});
    ecu.set_behaviour(51, Behaviour::WRONG_LENGTH, 2);
    ASSERT_TRUE(poll(51, 3));
    EXPECT_EQ(9u, got.packet_length()); // two data bytes more

    ecu.set_behaviour(51, Behaviour::CORRUPT);
    ::testing::internal::CaptureStdout();
    Packet_interface::Packet request(51, 3);
    link->send(request);
    ASSERT_EQ(1, ecu.pump_requests(1));
    // The echo and the corrupt reply come back in one write; the echo goes,
    // the corrupt reply is skipped byte by byte: nothing is delivered, and
    // its last bytes do not keep the next reply from being found.
    ASSERT_TRUE(wait_until([&] { return stream->bytes_avail() >= 5 + 7; }));
    EXPECT_EQ(0, link->receive(got, false));
    ::testing::internal::GetCapturedStdout();

    ecu.set_behaviour(51, Behaviour::ANSWER);
    ASSERT_TRUE(poll(51, 3));
    EXPECT_EQ(7u, got.packet_length());
}

TEST_F(Rs485_line, SilentAndLateControllers)
{
    ecu.set_reply(52, 2, {1});
    ecu.set_behaviour(52, Behaviour::SILENT);
    Packet_interface::Packet request(52, 2);
    link->send(request);
    ASSERT_EQ(1, ecu.pump_requests(1));
    ASSERT_TRUE(wait_until([&] { return stream->bytes_avail() >= 5; }));
    EXPECT_EQ(0, link->receive(got, false)); // the echo only
    EXPECT_EQ(0u, stream->bytes_avail());

    ecu.set_behaviour(52, Behaviour::LATE);
    link->send(request);
    ASSERT_EQ(1, ecu.pump_requests(1));
    ASSERT_TRUE(wait_until([&] { return stream->bytes_avail() >= 5; }));
    EXPECT_EQ(0, link->receive(got, false));
    ecu.release_late();
    ASSERT_TRUE(wait_until([&] { return link->receive(got, false) == 1; }));
    EXPECT_EQ(52, got.source());
}

TEST_F(Rs485_line, ScaleAnswersItsAsciiRequest)
{
    ecu.set_ascii_reply("S21110026:", "S21110026:+0001234\x03");
    Packet_interface::Packet request;
    request.init(true);
    for (char c : std::string("S21110026:"))
        request.append(uint8_t(c));
    link->send(request);
    ASSERT_EQ(1, ecu.pump_requests(1));
    ASSERT_TRUE(wait_until([&] { return link->receive(got, true) == 1; }));
    EXPECT_EQ(std::string("S21110026:+0001234\x03"),
              std::string(reinterpret_cast<char*>(got.data), got.length));
}

TEST(Iop_line, FakeIoProcessorAnswersItsCommands)
{
    Pty_pair pty;
    ASSERT_TRUE(pty.ok());
    Fake_io_processor iop(pty);
    iop.set_switch_inputs(0x02);
    iop.set_speed_period(0x1234);
    Posix_threaded_serial_data_stream stream(pty.port_spec().c_str());
    ASSERT_TRUE(stream.is_open());
    Iop_Packet_interface link(stream);

    struct Case {
        uint8_t command;
        uint8_t byte4, byte5;
    } cases[] = {{15, 0, 0x02}, {17, 1, 0}, {37, 1, 0}, {39, 1, 0}, {47, 0x12, 0x34}, {49, 1, 0}};
    for (const Case& c : cases) {
        Iop_Packet_interface::Packet request(c.command);
        request.append(1);
        ASSERT_TRUE(link.send(request));
        ASSERT_EQ(1, iop.pump_requests(1)) << int(c.command);
        Iop_Packet_interface::Packet reply;
        ASSERT_TRUE(wait_until([&] { return link.receive(reply) == 1; }));
        EXPECT_EQ(c.command + 1, reply.command());
        EXPECT_EQ(c.byte4, reply.byte(4)) << int(c.command);
        EXPECT_EQ(c.byte5, reply.byte(5)) << int(c.command);
    }
    ASSERT_EQ(6u, iop.commands().size());
    EXPECT_EQ(std::vector<uint8_t>({1, 0, 0, 0, 0, 0, 0}), iop.commands()[3].payload);
    stream.close();
}

} // namespace
