#include "platform/can/Bus_select.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

TEST(Bus_select, RejectsBadSpecificationsWithAClearMessage)
{
    struct Case {
        const char* spec;
        const char* message_part;
    };
    const Case cases[] = {
        {"", "empty bus specification"},
        {"can0", "unknown bus kind 'can0'"},
        {"tcp,addr", "'addr' in 'tcp,addr' is not key=value"},
        {"tcp,=1", "is not key=value"},
        {"tcp,port=", "is not key=value"},
        {"tcp,host=1.2.3.4", "unknown setting 'host' for a tcp bus"},
        {"tcp,port=1,port=2", "setting 'port' given twice"},
        {"tcp,addr=127.0.0.1,port=0", "bad port '0'"},
        {"tcp,addr=127.0.0.1,port=99999", "bad port '99999'"},
        {"tcp,addr=127.0.0.1,port=12ab", "bad port '12ab'"},
        {"tcp,addr=no.such.host.invalid,port=1500", "cannot resolve host no.such.host.invalid"},
        {"loop,if=x", "unknown setting 'if' for a loop bus"},
        {"socketcan", "names no interface"},
        {"socketcan,if=averyveryverylongname", "bad interface name"},
        // No CAN sockets in this kernel (or no such interface on a board).
        {"socketcan,if=can0", "socketcan interface can0"},
    };
    for (const auto& c : cases) {
        std::string error;
        std::unique_ptr<CAN_bus> bus(Bus_select::start(c.spec, error));
        EXPECT_EQ(bus, nullptr) << c.spec;
        EXPECT_NE(error.find(c.message_part), std::string::npos)
            << c.spec << " gave: " << error;
    }
    EXPECT_EQ(Bus_select::start(nullptr), nullptr);
}

TEST(Bus_select, OpensLoopBuses)
{
    std::string error;
    std::unique_ptr<CAN_bus> a(Bus_select::start("loop", error));
    std::unique_ptr<CAN_bus> b(Bus_select::start("loop,name=other", error));
    ASSERT_NE(a, nullptr) << error;
    ASSERT_NE(b, nullptr) << error;
    EXPECT_EQ(a->spec(), "loop");
}

// A listening socket that answers the handshake with its own text.
class Fake_server {
public:
    explicit Fake_server(std::string greeting) : greeting_(std::move(greeting))
    {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(fd_, 1);
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] {
            int c = accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            ssize_t n = send(c, greeting_.data(), greeting_.size(), MSG_NOSIGNAL);
            (void)n;
            char buf[256];
            while (recv(c, buf, sizeof buf, 0) > 0) {}
            close(c);
        });
    }
    ~Fake_server()
    {
        shutdown(fd_, SHUT_RDWR);
        thread_.join();
        close(fd_);
    }
    std::string spec() const { return "tcp,addr=127.0.0.1,port=" + std::to_string(port_); }

private:
    std::string greeting_;
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

TEST(Bus_select, ReportsAServerThatDoesNotSpeakSocketcand)
{
    Fake_server server("SSH-2.0-OpenSSH\r\n");
    std::string error;
    std::unique_ptr<CAN_bus> bus(Bus_select::start(server.spec().c_str(), error));
    EXPECT_EQ(bus, nullptr);
    EXPECT_NE(error.find("socketcand handshake"), std::string::npos) << error;
}

TEST(Bus_select, ReportsARefusedOpen)
{
    Fake_server server("< hi >< error no such bus >");
    std::string error;
    std::unique_ptr<CAN_bus> bus(Bus_select::start(server.spec().c_str(), error));
    EXPECT_EQ(bus, nullptr);
    EXPECT_NE(error.find("got '< error no such bus >'"), std::string::npos) << error;
}

TEST(Bus_select, ReportsNobodyListening)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    // Bound but not listening: connections are refused.
    std::string spec = "tcp,addr=127.0.0.1,port=" + std::to_string(ntohs(addr.sin_port));
    std::string error;
    std::unique_ptr<CAN_bus> bus(Bus_select::start(spec.c_str(), error));
    close(fd);
    EXPECT_EQ(bus, nullptr);
    EXPECT_NE(error.find("cannot connect to 127.0.0.1"), std::string::npos) << error;
}

}  // namespace
