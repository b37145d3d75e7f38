#include "tests/support/Hub_process.h"
#include "tests/support/Socketcand_client.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class Can_hub_test : public ::testing::Test {
protected:
    void SetUp() override { start_hub({}); }

    void start_hub(const std::vector<std::string>& args)
    {
        hub.stop();
        ASSERT_TRUE(hub.start(args)) << hub.error();
    }

    Hub_process hub;
};

TEST_F(Can_hub_test, GreetsOpensAndEntersRawMode)
{
    Socketcand_client c;
    ASSERT_TRUE(c.connect_to(hub.port()));
    EXPECT_EQ(c.next_message(), "< hi >");
    ASSERT_TRUE(c.send_text("< rawmode >"));
    EXPECT_EQ(c.next_message(), "< error no bus open >");
    ASSERT_TRUE(c.send_text("< open can0 >"));
    EXPECT_EQ(c.next_message(), "< ok >");
    ASSERT_TRUE(c.send_text("< open can1 >"));
    EXPECT_EQ(c.next_message(), "< error bus already open >");
    ASSERT_TRUE(c.send_text("< rawmode >"));
    EXPECT_EQ(c.next_message(), "< ok >");
}

TEST_F(Can_hub_test, RelaysToEveryOtherClientButNotBack)
{
    Socketcand_client a, b, c;
    ASSERT_TRUE(a.join(hub.port()));
    ASSERT_TRUE(b.join(hub.port()));
    ASSERT_TRUE(c.join(hub.port()));

    const CAN_packet sent[] = {make_frame(0x18EAFF1C, true, {0x00, 0xEE, 0x00}),
                               make_frame(0x123, false, {1, 2, 3, 4, 5, 6, 7, 8}),
                               make_frame(0x100, true, {}),  // short id, but 29-bit
                               make_frame(0x7FF, false, {0xAB})};
    for (const auto& f : sent) ASSERT_TRUE(a.send_frame(f));

    for (Socketcand_client* r : {&b, &c}) {
        for (const auto& f : sent) {
            CAN_packet got;
            ASSERT_TRUE(r->next_frame(got));
            EXPECT_TRUE(same_frame(got, f)) << std::hex << got.id;
        }
    }
    // The sender's own frames are not echoed: the next thing it sees is the
    // answer to its echo.
    ASSERT_TRUE(a.send_text("< echo >"));
    EXPECT_EQ(a.next_message(), "< echo >");
}

TEST_F(Can_hub_test, KeepsEachSendersOrderWhenSeveralSend)
{
    Socketcand_client a, b, r;
    ASSERT_TRUE(a.join(hub.port()));
    ASSERT_TRUE(b.join(hub.port()));
    ASSERT_TRUE(r.join(hub.port()));
    const int count = 2000;
    std::string burst_a, burst_b;
    char buf[Socketcand::MAX_MESSAGE];
    for (int i = 0; i < count; ++i) {
        CAN_packet fa = make_frame(0x0CF00401, true, {uint8_t(i), uint8_t(i >> 8)});
        CAN_packet fb = make_frame(0x0CF00402, true, {uint8_t(i), uint8_t(i >> 8)});
        burst_a.append(buf, Socketcand::format_send(fa, buf));
        burst_b.append(buf, Socketcand::format_send(fb, buf));
    }
    ASSERT_TRUE(a.send_text(burst_a));
    ASSERT_TRUE(b.send_text(burst_b));

    int next[2] = {0, 0};
    for (int n = 0; n < 2 * count; ++n) {
        CAN_packet got;
        ASSERT_TRUE(r.next_frame(got)) << "after " << n << " frames";
        int who = got.id == 0x0CF00401 ? 0 : 1;
        ASSERT_EQ(got.data[0] | got.data[1] << 8, next[who]);
        ++next[who];
    }
}

// Each bad client must be answered or dropped without disturbing the good
// clients on the same hub.
TEST_F(Can_hub_test, SurvivesBadInput)
{
    struct Case {
        const char* name;
        std::string text;
        const char* answer;  // nullptr: no answer expected
    };
    const Case cases[] = {
        {"garbage outside a message", "hello there\r\n", "< error garbage outside a message >"},
        {"over-long message", "< send " + std::string(5000, '1') + " >", "< error message too long >"},
        {"unknown command", "< bogus 1 2 >", "< error unknown command >"},
        {"identifier too wide", "< send 123456789 1 00 >", "< error bad identifier >"},
        {"identifier above 29 bits", "< send 3FFFFFFF 0 >", "< error identifier above 29 bits >"},
        {"length beyond 8", "< send 123 9 1 2 3 4 5 6 7 8 9 >", "< error bad length >"},
        {"missing bytes", "< send 123 3 1 2 >", "< error byte count differs from length >"},
        {"bad byte", "< send 123 1 xyz >", "< error bad data byte >"},
        {"empty message", "<>", "< error unknown command >"},
    };
    Socketcand_client good_tx, good_rx;
    ASSERT_TRUE(good_tx.join(hub.port()));
    ASSERT_TRUE(good_rx.join(hub.port()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Socketcand_client bad;
        ASSERT_TRUE(bad.join(hub.port()));
        ASSERT_TRUE(bad.send_text(c.text));
        EXPECT_EQ(bad.next_message(), c.answer);
        // The bad client still works afterwards.
        CAN_packet f = make_frame(0x18FEF100, true, {0x42});
        ASSERT_TRUE(bad.send_frame(f));
        CAN_packet got;
        ASSERT_TRUE(good_rx.next_frame(got));
        EXPECT_TRUE(same_frame(got, f));
        // And nothing of the bad input reached the others.
        ASSERT_TRUE(good_tx.send_frame(make_frame(0x1, false, {})));
        ASSERT_TRUE(good_rx.sync());
    }
}

TEST_F(Can_hub_test, ClientLeavingMidMessageRelaysNothing)
{
    Socketcand_client tx, rx;
    ASSERT_TRUE(rx.join(hub.port()));
    {
        Socketcand_client leaver;
        ASSERT_TRUE(leaver.join(hub.port()));
        ASSERT_TRUE(leaver.send_text("< send 18FEF100 2 01"));
    }
    ASSERT_TRUE(tx.join(hub.port()));
    CAN_packet f = make_frame(0x321, false, {9});
    ASSERT_TRUE(tx.send_frame(f));
    CAN_packet got;
    ASSERT_TRUE(rx.next_frame(got));
    EXPECT_TRUE(same_frame(got, f));
}

TEST_F(Can_hub_test, DropsAClientThatStopsReadingWithoutStallingOthers)
{
    start_hub({"--max-queue", "65536"});
    Socketcand_client tx, rx, stalled;
    ASSERT_TRUE(tx.join(hub.port()));
    ASSERT_TRUE(rx.join(hub.port()));
    ASSERT_TRUE(stalled.connect_to(hub.port(), 4096));
    ASSERT_EQ(stalled.next_message(), "< hi >");
    ASSERT_TRUE(stalled.send_text("< open can0 >< rawmode >"));
    ASSERT_EQ(stalled.next_message(), "< ok >");
    ASSERT_EQ(stalled.next_message(), "< ok >");

    // Far more than the socket buffers and the queue hold, in steps that rx
    // reads before the next is sent, so only the client that never reads
    // falls behind.
    const int steps = 120, per_step = 500;
    char buf[Socketcand::MAX_MESSAGE];
    int received = 0;
    for (int step = 0; step < steps; ++step) {
        std::string burst;
        for (int i = 0; i < per_step; ++i) {
            int n = step * per_step + i;
            burst.append(buf, Socketcand::format_send(
                                  make_frame(0x18FF0000, true, {uint8_t(n), uint8_t(n >> 8)}), buf));
        }
        ASSERT_TRUE(tx.send_text(burst));
        for (int i = 0; i < per_step; ++i, ++received) {
            CAN_packet got;
            ASSERT_TRUE(rx.next_frame(got)) << "frame " << received;
            ASSERT_EQ(got.data[0] | got.data[1] << 8, received & 0xFFFF);
        }
    }
    EXPECT_TRUE(stalled.closed_by_peer());
}

TEST_F(Can_hub_test, WritesCandumpLog)
{
    char path[] = "/tmp/can_hub_log_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    start_hub({"--log", path});
    {
        Socketcand_client tx, rx;
        ASSERT_TRUE(tx.join(hub.port(), "vcan3"));
        ASSERT_TRUE(rx.join(hub.port()));
        ASSERT_TRUE(tx.send_frame(make_frame(0x18EAFF1C, true, {0x00, 0xEE, 0x00})));
        ASSERT_TRUE(tx.send_frame(make_frame(0x05A, false, {0xDE, 0xAD})));
        ASSERT_TRUE(tx.send_frame(make_frame(0x0CFE6CEE, true, {})));
        ASSERT_TRUE(tx.sync());
    }
    ASSERT_TRUE(hub.stop());

    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    unlink(path);
    ASSERT_EQ(lines.size(), 3u);
    const std::regex stamp(R"(^\(\d{9,}\.\d{6}\) (.*)$)");
    const char* expected[] = {"vcan3 18EAFF1C#00EE00", "vcan3 05A#DEAD", "vcan3 0CFE6CEE#"};
    for (size_t i = 0; i < 3; ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, stamp)) << lines[i];
        EXPECT_EQ(m[1], expected[i]);
    }
}

TEST(Can_hub_program, RejectsBadArguments)
{
    std::string out;
    EXPECT_EQ(Hub_process::run_program({Hub_process::binary_path(), "--port", "70000"}, out), 2);
    EXPECT_EQ(Hub_process::run_program({Hub_process::binary_path(), "--port", "x"}, out), 2);
    EXPECT_EQ(Hub_process::run_program({Hub_process::binary_path(), "--address", "nowhere", "-p", "0"}, out), 1);
    EXPECT_EQ(Hub_process::run_program({Hub_process::binary_path(), "-p", "0", "-l", "/nonexistent/dir/log"}, out), 1);
}

}  // namespace

namespace {

// The descriptors a process holds open.
size_t descriptors_of(pid_t pid)
{
    std::error_code error;
    size_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error))
        ++count;
    return count;
}

// A hub out of file descriptors keeps serving the clients it has and takes
// new ones once descriptors are free again.
TEST(Can_hub_program, OutOfDescriptorsKeepsServing)
{
    Hub_process hub;
    ASSERT_TRUE(hub.start({"--max-queue", "65536"})) << hub.error();
    // Room for what the hub holds (the standard streams, the listener) and
    // eight clients only, however many that is.
    const rlim_t held = rlim_t(descriptors_of(hub.pid()));
    ASSERT_GT(held, 3u);
    rlimit limit{held + 8, held + 8};
    ASSERT_EQ(prlimit(hub.pid(), RLIMIT_NOFILE, &limit, nullptr), 0);
    std::vector<std::unique_ptr<Socketcand_client>> clients;
    for (int i = 0; i < 12; ++i) {
        clients.push_back(std::make_unique<Socketcand_client>());
        ASSERT_TRUE(clients.back()->connect_to(hub.port()));
    }
    // The first ones were taken and work; the hub is not spinning.
    Socketcand_client& a = *clients[0];
    Socketcand_client& b = *clients[1];
    ASSERT_EQ(a.next_message(), "< hi >");
    ASSERT_EQ(b.next_message(), "< hi >");
    ASSERT_TRUE(a.send_text("< open can0 >< rawmode >"));
    ASSERT_TRUE(b.send_text("< open can0 >< rawmode >"));
    for (auto* c : {&a, &b}) {
        ASSERT_EQ(c->next_message(), "< ok >");
        ASSERT_EQ(c->next_message(), "< ok >");
    }
    ASSERT_TRUE(a.send_frame(make_frame(0x123, false, {1})));
    CAN_packet got;
    ASSERT_TRUE(b.next_frame(got));
    // Freeing descriptors lets the waiting clients in.
    clients.erase(clients.begin() + 2, clients.begin() + 8);
    EXPECT_EQ(clients.back()->next_message(), "< hi >")
        << "waited for the last client, which waited for a free descriptor, to be greeted";
}

}  // namespace
