#include "tests/support/Socketcand_client.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

Socketcand_client::~Socketcand_client() { close_socket(); }

void Socketcand_client::close_socket()
{
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool Socketcand_client::connect_to(int port, int receive_buffer)
{
    close_socket();
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    if (receive_buffer > 0)
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(uint16_t(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

bool Socketcand_client::join(int port, const char* bus)
{
    return connect_to(port) && next_message() == "< hi >" &&
           send_text(std::string("< open ") + bus + " >") && next_message() == "< ok >" &&
           send_text("< rawmode >") && next_message() == "< ok >";
}

bool Socketcand_client::send_text(const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

bool Socketcand_client::send_frame(const CAN_packet& frame)
{
    char buf[Socketcand::MAX_MESSAGE];
    return send_text(std::string(buf, Socketcand::format_send(frame, buf)));
}

std::string Socketcand_client::next_message(int timeout_ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        while (!pending_.empty()) {
            Socketcand::Message_reader::Kind kind;
            size_t used = reader_.feed(pending_.data(), pending_.size(), kind);
            pending_.erase(0, used);
            if (kind == Socketcand::Message_reader::MESSAGE) return std::string(reader_.message());
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0 || fd_ < 0) return "";
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, int(left)) <= 0) continue;
        char buf[8192];
        ssize_t n = recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) return "";
        pending_.append(buf, size_t(n));
    }
}

bool Socketcand_client::next_frame(CAN_packet& frame, int timeout_ms)
{
    std::string m = next_message(timeout_ms);
    return !m.empty() && Socketcand::parse_frame(m, frame) == nullptr;
}

bool Socketcand_client::sync(int timeout_ms)
{
    if (!send_text("< echo >")) return false;
    for (;;) {
        std::string m = next_message(timeout_ms);
        if (m.empty()) return false;
        if (m == "< echo >") return true;
    }
}

bool Socketcand_client::closed_by_peer(int timeout_ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    char buf[65536];
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        ssize_t n = recv(fd_, buf, sizeof buf, 0);
        if (n == 0) return true;
        if (n < 0) return errno == ECONNRESET;
    }
    return false;
}

CAN_packet make_frame(uint32_t id, bool extended, std::initializer_list<uint8_t> data)
{
    CAN_packet f;
    f.id = id;
    f.set_extended(extended);
    for (uint8_t b : data) f.data[f.length++] = b;
    return f;
}

bool same_frame(const CAN_packet& a, const CAN_packet& b)
{
    return a.id == b.id && a.is_extended() == b.is_extended() && a.length == b.length &&
           std::memcmp(a.data, b.data, a.length) == 0;
}
