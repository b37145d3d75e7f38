#include "platform/can/Bus_select.h"
#include "tests/platform/can/Bus_wakeup.h"
#include "tests/support/Hub_process.h"
#include "tests/support/Socketcand_client.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::unique_ptr<CAN_bus> open(const std::string& spec)
{
    std::string error;
    std::unique_ptr<CAN_bus> bus(Bus_select::start(spec.c_str(), error));
    EXPECT_NE(bus, nullptr) << error;
    return bus;
}

TEST(Tcp_bus, ExchangesFramesThroughTheHub)
{
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    auto a = open(hub.bus_spec()), b = open(hub.bus_spec());
    ASSERT_TRUE(a && b);
    Bus_wakeup wa, wb;
    ASSERT_TRUE(wa.attach_to(*a));
    ASSERT_TRUE(wb.attach_to(*b));

    std::vector<CAN_packet> sent;
    for (int i = 0; i < 300; ++i)
        sent.push_back(i % 3 == 0 ? make_frame(0x7E0 + (i % 16), false, {uint8_t(i)})
                                  : make_frame(0x18EF0000 | uint32_t(i), true,
                                               {uint8_t(i), 1, 2, 3, 4, 5, 6, uint8_t(i % 9)}));
    size_t next = 0;
    while (next < sent.size()) {
        int space = a->tx_space(6);
        ASSERT_GT(space, 0);
        for (; space > 0 && next < sent.size(); --space) ASSERT_GT(a->write(sent[next++], 6), 0);
    }
    auto got = Bus_wakeup::collect(*b, wb, sent.size());
    ASSERT_EQ(got.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_TRUE(same_frame(got[i], sent[i])) << i;
    EXPECT_EQ(a->error_check(), 0);

    // The other way, and a plain socketcand client joins the same bus.
    Socketcand_client tool;
    ASSERT_TRUE(tool.join(hub.port()));
    CAN_packet f = make_frame(0x0CFE6C17, true, {0xAA, 0x55});
    ASSERT_GT(b->write(f, 3), 0);
    CAN_packet seen;
    ASSERT_TRUE(tool.next_frame(seen));
    EXPECT_TRUE(same_frame(seen, f));
    got = Bus_wakeup::collect(*a, wa, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(same_frame(got[0], f));
}

TEST(Tcp_bus, ReportsTheHubGoingAway)
{
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    auto a = open(hub.bus_spec());
    ASSERT_TRUE(a);
    Bus_wakeup w;
    ASSERT_TRUE(w.attach_to(*a));
    ASSERT_TRUE(hub.stop());
    ASSERT_TRUE(w.woken());  // the bus wakes its stack to notice
    testing::internal::CaptureStderr();
    EXPECT_EQ(a->error_check(), -1);
    EXPECT_EQ(a->error_check(), -1);
    std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("connection closed by the server"), std::string::npos) << report;
    EXPECT_EQ(report.find("closed", report.find("closed") + 1), std::string::npos)
        << "reported more than once: " << report;
    EXPECT_EQ(a->tx_space(0), 0);
    EXPECT_EQ(a->write(make_frame(1, false, {}), 0), 0);
}

// A socketcand server that reads nothing until asked to: the bus runs out
// of transmit space, and must wake its receiver once space frees.
TEST(Tcp_bus, WakesWhenTransmitSpaceFrees)
{
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    socklen_t len = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    int rcv = 4096;
    setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &rcv, sizeof rcv);

    // The handshake answers can be sent before the client asks.
    std::string error;
    int server = -1;
    std::thread accept_thread([&] {
        server = accept(listener, nullptr, nullptr);
        const char answers[] = "< hi >";
        send(server, answers, sizeof answers - 1, MSG_NOSIGNAL);
        char buf[64];
        std::string got;
        while (got.find("rawmode") == std::string::npos) {
            ssize_t n = recv(server, buf, sizeof buf, 0);
            if (n <= 0) return;
            got.append(buf, size_t(n));
            if (got.find("open") != std::string::npos && got.find("ok1") == std::string::npos) {
                send(server, "< ok >", 6, MSG_NOSIGNAL);
                got += "ok1";
            }
        }
        send(server, "< ok >", 6, MSG_NOSIGNAL);
    });
    std::unique_ptr<CAN_bus> bus(
        Bus_select::start(("tcp,addr=127.0.0.1,port=" + std::to_string(ntohs(addr.sin_port))).c_str(),
                          error));
    accept_thread.join();
    ASSERT_NE(bus, nullptr) << error;
    Bus_wakeup w;
    ASSERT_TRUE(w.attach_to(*bus));

    int written = 0;
    while (bus->tx_space(7) > 0) {
        ASSERT_GT(bus->write(make_frame(0x18FF0000, true, {1, 2, 3, 4, 5, 6, 7, 8}), 7), 0);
        ASSERT_LT(++written, 1000000) << "the bus never ran out of space";
    }
    EXPECT_FALSE(w.woken(0));
    // The server reads everything written so far: space frees.
    char buf[65536];
    size_t drained = 0;
    while (drained < size_t(written) * 40) {
        ssize_t n = recv(server, buf, sizeof buf, 0);
        ASSERT_GT(n, 0);
        drained += size_t(n);
    }
    EXPECT_TRUE(w.woken());
    EXPECT_GT(bus->tx_space(7), 0);
    bus.reset();
    close(server);
    close(listener);
}

}  // namespace
