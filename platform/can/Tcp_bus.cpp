#include "platform/can/Tcp_bus.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The longest "< send ... >" text: 29-bit identifier and 8 bytes.
constexpr size_t SEND_TEXT_MAX = 43;
constexpr size_t OUT_LIMIT = Tcp_bus::TX_FRAMES * SEND_TEXT_MAX;

// Milliseconds until end, rounded up so that a wait never ends early.
int ms_until(std::chrono::steady_clock::time_point end)
{
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                    end - std::chrono::steady_clock::now())
                    .count();
    return left > 0 ? int((left + 999) / 1000) : 0;
}

int ms_left(std::chrono::steady_clock::time_point end)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now())
                    .count();
    return left > 0 ? int(left) : 0;
}

// poll() of one descriptor until end; a signal (the program's stop, which
// its start looks at after this step) does not cut the wait short.
int poll_until(pollfd& p, std::chrono::steady_clock::time_point end)
{
    for (;;) {
        const int rc = poll(&p, 1, ms_left(end));
        if (rc >= 0 || errno != EINTR) return rc;
    }
}

}  // namespace

Tcp_bus::Tcp_bus(const std::string& host, int port, std::string spec, int timeout_ms)
    : Queued_bus(std::move(spec))
{
    out_.reserve(OUT_LIMIT + SEND_TEXT_MAX);
    if (!open_connection(host, port, timeout_ms)) {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        return;
    }
    wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) {
        error_ = std::string("eventfd: ") + strerror(errno);
        close(fd_);
        fd_ = -1;
        return;
    }
    thread_ = std::thread([this] { run(); });
}

Tcp_bus::~Tcp_bus()
{
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(tx_mutex_);
            stopping_ = true;
        }
        poke();
        thread_.join();
    }
    if (wake_fd_ >= 0) close(wake_fd_);
    if (fd_ >= 0) close(fd_);
}

bool Tcp_bus::open_connection(const std::string& host, int port, int timeout_ms)
{
    const std::string where = host + ":" + std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0) {
        error_ = "cannot resolve host " + host + ": " + gai_strerror(rc);
        return false;
    }
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) {
        freeaddrinfo(found);
        error_ = std::string("socket: ") + strerror(errno);
        return false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    rc = connect(fd_, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    // Interrupted, the connection goes on being made as with EINPROGRESS.
    if (rc != 0 && errno != EINPROGRESS && errno != EINTR) {
        error_ = "cannot connect to " + where + ": " + strerror(errno);
        return false;
    }
    if (rc != 0) {
        pollfd p{fd_, POLLOUT, 0};
        int err = 0;
        socklen_t len = sizeof err;
        if (poll_until(p, end) != 1) {
            error_ = "cannot connect to " + where + ": timed out";
            return false;
        }
        getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) {
            error_ = "cannot connect to " + where + ": " + strerror(err);
            return false;
        }
    }
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    if (!expect("< hi >", timeout_ms) ||
        !send_all(std::string("< open ") + BUS_NAME + " >", timeout_ms) ||
        !expect("< ok >", timeout_ms) || !send_all("< rawmode >", timeout_ms) ||
        !expect("< ok >", timeout_ms)) {
        error_ = "socketcand handshake with " + where + " failed: " + error_;
        return false;
    }
    return true;
}

bool Tcp_bus::expect(const char* wanted, int timeout_ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        while (!pending_in_.empty()) {
            Socketcand::Message_reader::Kind kind;
            size_t used = reader_.feed(pending_in_.data(), pending_in_.size(), kind);
            pending_in_.erase(0, used);
            if (kind == Socketcand::Message_reader::MESSAGE) {
                if (reader_.message() == wanted) return true;
                error_ = "expected '" + std::string(wanted) + "', got '" +
                         std::string(reader_.message()) + "'";
                return false;
            }
            if (kind != Socketcand::Message_reader::NONE) {
                error_ = "expected '" + std::string(wanted) + "', got garbage";
                return false;
            }
        }
        pollfd p{fd_, POLLIN, 0};
        if (poll_until(p, end) != 1) {
            error_ = "no '" + std::string(wanted) + "' from the server";
            return false;
        }
        char buf[512];
        ssize_t n = recv(fd_, buf, sizeof buf, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            error_ = "the server closed the connection";
            return false;
        }
        pending_in_.append(buf, size_t(n));
    }
}

bool Tcp_bus::send_all(const std::string& text, int timeout_ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            error_ = std::string("send: ") + strerror(errno);
            return false;
        }
        pollfd p{fd_, POLLOUT, 0};
        if (poll_until(p, end) != 1) {
            error_ = "send timed out";
            return false;
        }
    }
    return true;
}

int Tcp_bus::tx_space(int)
{
    if (failed()) return 0;
    std::lock_guard<std::mutex> lock(tx_mutex_);
    size_t queued = out_.size() - out_sent_;
    int space = queued >= OUT_LIMIT ? 0 : int((OUT_LIMIT - queued) / SEND_TEXT_MAX);
    if (space == 0) tx_starved_ = true;
    return space;
}

int Tcp_bus::send_frame(const CAN_packet& frame, int)
{
    if (failed()) return 0;
    char text[Socketcand::MAX_MESSAGE];
    size_t len = Socketcand::format_send(frame, text);
    std::lock_guard<std::mutex> lock(tx_mutex_);
    size_t queued = out_.size() - out_sent_;
    if (queued + len > OUT_LIMIT + SEND_TEXT_MAX) {
        tx_starved_ = true;
        return 0;
    }
    if (queued == 0) {
        out_.clear();
        out_sent_ = 0;
    }
    out_.append(text, len);
    // Only the first queued text is sent from here; behind it the bus's
    // thread is already waiting for the socket.
    if (queued == 0) {
        if (!push_out_locked()) return 0;
        if (out_.size() > out_sent_) poke();
    }
    return 1;
}

bool Tcp_bus::push_out_locked()
{
    while (out_sent_ < out_.size()) {
        ssize_t n = send(fd_, out_.data() + out_sent_, out_.size() - out_sent_, MSG_NOSIGNAL);
        if (n > 0) {
            out_sent_ += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        fail(std::string("connection lost: ") + (n < 0 ? strerror(errno) : "closed"));
        return false;
    }
    out_.clear();
    out_sent_ = 0;
    return true;
}

void Tcp_bus::poke()
{
    uint64_t one = 1;
    ssize_t ignored = ::write(wake_fd_, &one, sizeof one);
    (void)ignored;
}

// Cuts the frames out of received text and stores them; true when any.
bool Tcp_bus::take_text(const char* p, size_t left)
{
    CAN_packet frames[STORE_BATCH];
    int n = 0;
    bool any = false;
    while (left) {
        Socketcand::Message_reader::Kind kind;
        size_t used = reader_.feed(p, left, kind);
        p += used;
        left -= used;
        // Other messages (error answers, echoes) and garbage carry no
        // frames; they are skipped.
        if (kind == Socketcand::Message_reader::MESSAGE &&
            Socketcand::parse_frame(reader_.message(), frames[n]) == nullptr &&
            ++n == STORE_BATCH) {
            store(frames, n);
            n = 0;
            any = true;
        }
    }
    if (n) store(frames, n);
    return any || n > 0;
}

// Reads what the socket holds; false when the connection is gone.
bool Tcp_bus::read_socket(bool& got_frames)
{
    char buf[16384];
    for (;;) {
        ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            if (take_text(buf, size_t(n))) got_frames = true;
            if (size_t(n) < sizeof buf) return true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        fail(n == 0 ? "connection closed by the server"
                    : std::string("connection lost: ") + strerror(errno));
        return false;
    }
}

// Frames are gathered for up to GATHER_MS after the first of a batch
// arrived, then the reader is woken once for all of them: a busy bus then
// costs a wake-up per batch instead of one per frame (and per TCP segment)
// on both sides.
void Tcp_bus::run()
{
    // Whatever arrived together with the handshake's last answer.
    if (!pending_in_.empty() && take_text(pending_in_.data(), pending_in_.size())) wake();
    pending_in_.clear();
    using clock = std::chrono::steady_clock;
    bool gathering = false;
    clock::time_point gather_end;
    for (;;) {
        bool want_out;
        {
            std::lock_guard<std::mutex> lock(tx_mutex_);
            if (stopping_) return;
            want_out = out_.size() > out_sent_;
        }
        // While gathering, the socket is left alone until the batch is due.
        const short in = gathering ? 0 : POLLIN;
        pollfd fds[2] = {{fd_, short(in | (want_out ? POLLOUT : 0)), 0}, {wake_fd_, POLLIN, 0}};
        const int timeout = gathering ? ms_until(gather_end) : -1;
        int rc = (fds[0].events || timeout != 0) ? poll(fds, 2, timeout) : 0;
        if (rc < 0) {
            if (errno == EINTR) continue;
            fail(std::string("poll: ") + strerror(errno));
            return;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            ssize_t ignored = ::read(wake_fd_, &count, sizeof count);
            (void)ignored;
        }
        if (fds[0].revents & POLLOUT) {
            bool freed;
            {
                std::lock_guard<std::mutex> lock(tx_mutex_);
                if (!push_out_locked()) return;
                freed = tx_starved_ && out_.size() - out_sent_ < OUT_LIMIT;
                if (freed) tx_starved_ = false;
            }
            if (freed) wake();
        }
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            bool got = false;
            if (!read_socket(got)) return;
        }
        if (!gathering && (fds[0].revents & POLLIN)) {
            bool got = false;
            if (!read_socket(got)) return;
            if (got) {
                gathering = true;
                gather_end = clock::now() + std::chrono::milliseconds(GATHER_MS);
            }
        } else if (gathering && clock::now() >= gather_end) {
            bool got = false;
            if (!read_socket(got)) return;
            gathering = false;
            wake();
        }
    }
}
