#include "tools/can_hub/Can_hub.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// What one read() may take from a client per turn, so that a client that
// floods the hub cannot starve the others.
constexpr size_t READ_CHUNK = 16384;

// Kernel send buffer of a client connection.
constexpr int SEND_BUFFER = 65536;

bool set_nonblocking(int fd)
{
    int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool valid_bus_name(std::string_view name)
{
    if (name.empty() || name.size() > 32) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
            return false;
    return true;
}

}  // namespace

struct Can_hub::Client {
    enum State { GREETED, OPEN, RAW };

    int fd = -1;
    int number = 0;
    State state = GREETED;
    std::string bus;
    Socketcand::Message_reader reader;
    std::string out;       // queued text; out_sent bytes of it are gone already
    size_t out_sent = 0;
    bool dead = false;

    size_t queued() const { return out.size() - out_sent; }
};

Can_hub::Can_hub(const Hub_options& options) : options_(options) {}

Can_hub::~Can_hub()
{
    for (auto& c : clients_)
        if (c->fd >= 0) close(c->fd);
    if (listen_fd_ >= 0) close(listen_fd_);
    if (log_) fclose(log_);
}

bool Can_hub::start(std::string& error)
{
    if (options_.port < 0 || options_.port > 65535) {
        error = "port out of range: " + std::to_string(options_.port);
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(uint16_t(options_.port));
    if (inet_pton(AF_INET, options_.address.c_str(), &addr.sin_addr) != 1) {
        error = "not an IPv4 address: " + options_.address;
        return false;
    }
    if (!options_.log_path.empty()) {
        log_ = fopen(options_.log_path.c_str(), "a");
        if (!log_) {
            error = "cannot open log file " + options_.log_path + ": " + strerror(errno);
            return false;
        }
    }
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0) {
        error = std::string("socket: ") + strerror(errno);
        return false;
    }
    int one = 1;
    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listen_fd_, 64) != 0 || !set_nonblocking(listen_fd_)) {
        error = "cannot listen on " + options_.address + ":" + std::to_string(options_.port) +
                ": " + strerror(errno);
        return false;
    }
    socklen_t len = sizeof addr;
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    return true;
}

int Can_hub::run(volatile sig_atomic_t& stop, const sigset_t& wait_mask)
{
    std::vector<pollfd> fds;
    while (!stop) {
        fds.clear();
        // Out of descriptors: leave new connections waiting a while rather
        // than spin on a listening socket that stays readable.
        const bool accepting = !accept_paused_ || accept_pause_.elapsed_ms() >= 100;
        accept_paused_ = !accepting;
        fds.push_back({listen_fd_, short(accepting ? POLLIN : 0), 0});
        for (auto& c : clients_)
            fds.push_back({c->fd, short(POLLIN | (c->queued() ? POLLOUT : 0)), 0});

        timespec pause{0, 100 * 1000 * 1000};
        int n = ppoll(fds.data(), fds.size(), accept_paused_ ? &pause : nullptr, &wait_mask);
        if (n < 0) {
            if (errno == EINTR) continue;
            perror("can_hub: poll");
            return -1;
        }
        // Clients accepted below are not in fds yet; only the first
        // fds.size() - 1 clients have results.
        const size_t polled = fds.size() - 1;
        if (fds[0].revents & POLLIN) accept_clients();
        for (size_t i = 0; i < polled; ++i) {
            Client& c = *clients_[i];
            if (!c.dead && (fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR))) read_from(c);
        }
        for (auto& c : clients_)
            if (!c->dead && c->queued()) flush(*c);

        for (size_t i = 0; i < clients_.size();) {
            if (clients_[i]->dead) {
                close(clients_[i]->fd);
                clients_.erase(clients_.begin() + long(i));
            } else {
                ++i;
            }
        }
        if (log_) fflush(log_);
    }
    return 0;
}

void Can_hub::accept_clients()
{
    for (;;) {
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                fprintf(stderr, "can_hub: accept: %s (new clients wait)\n", strerror(errno));
                accept_paused_ = true;
                accept_pause_.restart();
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                fprintf(stderr, "can_hub: accept: %s\n", strerror(errno));
            }
            return;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        // A fixed send buffer keeps what a client that stops reading can hold
        // up near max_queue (the kernel's own tuning would let it hold
        // megabytes before the hub noticed).
        int send_buffer = SEND_BUFFER;
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &send_buffer, sizeof send_buffer);
        auto c = std::make_unique<Client>();
        c->fd = fd;
        c->number = next_client_number_++;
        queue_text(*c, "< hi >");
        clients_.push_back(std::move(c));
    }
}

void Can_hub::read_from(Client& c)
{
    char buf[READ_CHUNK];
    ssize_t got = read(c.fd, buf, sizeof buf);
    if (got == 0 || (got < 0 && errno == ECONNRESET)) {
        if (c.reader.in_message())
            fprintf(stderr, "can_hub: client %d left in the middle of a message\n", c.number);
        c.dead = true;
        return;
    }
    if (got < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) drop(c, strerror(errno));
        return;
    }
    const char* p = buf;
    size_t left = size_t(got);
    while (left && !c.dead) {
        Socketcand::Message_reader::Kind kind;
        size_t used = c.reader.feed(p, left, kind);
        p += used;
        left -= used;
        switch (kind) {
        case Socketcand::Message_reader::MESSAGE:
            handle_message(c, c.reader.message());
            break;
        case Socketcand::Message_reader::GARBAGE:
            queue_text(c, "< error garbage outside a message >");
            break;
        case Socketcand::Message_reader::TOO_LONG:
            queue_text(c, "< error message too long >");
            break;
        case Socketcand::Message_reader::NONE:
            break;
        }
    }
}

void Can_hub::handle_message(Client& c, std::string_view message)
{
    std::string_view words[12];
    int n = Socketcand::split_words(message, words, 12);
    std::string_view command = n > 0 ? words[0] : std::string_view();

    if (command == "send") {
        if (c.state == Client::GREETED) {
            queue_text(c, "< error no bus open >");
            return;
        }
        CAN_packet frame;
        if (const char* fault = Socketcand::parse_send(message, frame)) {
            queue_text(c, std::string("< error ") + fault + " >");
            return;
        }
        relay(c, frame);
    } else if (command == "open" && n == 2) {
        if (c.state != Client::GREETED) {
            queue_text(c, "< error bus already open >");
        } else if (!valid_bus_name(words[1])) {
            queue_text(c, "< error bad bus name >");
        } else {
            c.bus = std::string(words[1]);
            c.state = Client::OPEN;
            queue_text(c, "< ok >");
        }
    } else if (command == "rawmode" && n == 1) {
        if (c.state == Client::GREETED) {
            queue_text(c, "< error no bus open >");
        } else {
            c.state = Client::RAW;
            queue_text(c, "< ok >");
        }
    } else if (command == "echo" && n == 1) {
        queue_text(c, "< echo >");
    } else {
        queue_text(c, "< error unknown command >");
    }
}

void Can_hub::relay(Client& from, const CAN_packet& frame)
{
    int64_t seconds;
    long micros;
    Socketcand::wall_time(seconds, micros);
    char text[Socketcand::MAX_MESSAGE];
    size_t len = Socketcand::format_frame(frame, seconds, micros, text);
    for (auto& c : clients_)
        if (c.get() != &from && !c->dead && c->state == Client::RAW)
            queue_text(*c, std::string_view(text, len));
    if (log_) {
        len = Socketcand::format_candump_line(frame, seconds, micros, from.bus, text);
        fwrite(text, 1, len, log_);
    }
}

void Can_hub::queue_text(Client& c, std::string_view text)
{
    if (c.dead) return;
    if (c.queued() + text.size() > options_.max_queue) {
        drop(c, "not reading (queue full)");
        return;
    }
    if (c.out_sent > 0 && c.out_sent >= c.out.size() / 2) {
        c.out.erase(0, c.out_sent);
        c.out_sent = 0;
    }
    c.out.append(text);
}

void Can_hub::flush(Client& c)
{
    while (c.queued()) {
        ssize_t sent = send(c.fd, c.out.data() + c.out_sent, c.queued(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            if (errno == EINTR) continue;
            drop(c, strerror(errno));
            return;
        }
        c.out_sent += size_t(sent);
    }
    c.out.clear();
    c.out_sent = 0;
}

void Can_hub::drop(Client& c, const char* why)
{
    if (c.dead) return;
    fprintf(stderr, "can_hub: dropping client %d: %s\n", c.number, why);
    c.dead = true;
}
