#include "platform/can/Socketcan_bus.h"

#include <cerrno>
#include <cstring>
#include <linux/can.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Frames offered per transmit pass while the socket is writable; the kernel
// queue behind it absorbs them.
constexpr int TX_BATCH = 8;

bool writable(int fd)
{
    pollfd p{fd, POLLOUT, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLOUT);
}

}  // namespace

Socketcan_bus::Socketcan_bus(const std::string& interface, std::string spec)
    : Queued_bus(std::move(spec))
{
    const std::string prefix = "socketcan interface " + interface + ": ";
    if (interface.empty() || interface.size() >= IFNAMSIZ) {
        error_ = prefix + "bad interface name";
        return;
    }
    int fd = socket(PF_CAN, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, CAN_RAW);
    if (fd < 0) {
        error_ = prefix + "cannot open a CAN socket: " + strerror(errno) +
                 (errno == EAFNOSUPPORT ? " (this kernel has no SocketCAN)" : "");
        return;
    }
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, interface.c_str(), IFNAMSIZ - 1);
    if (ioctl(fd, SIOCGIFINDEX, &ifr) < 0) {
        error_ = prefix + "no such interface: " + strerror(errno);
        close(fd);
        return;
    }
    sockaddr_can addr{};
    addr.can_family = AF_CAN;
    addr.can_ifindex = ifr.ifr_ifindex;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0) {
        error_ = prefix + "cannot bind: " + strerror(errno);
        close(fd);
        return;
    }
    wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) {
        error_ = prefix + "eventfd: " + strerror(errno);
        close(fd);
        return;
    }
    fd_ = fd;
    thread_ = std::thread([this] { run(); });
}

Socketcan_bus::~Socketcan_bus()
{
    if (thread_.joinable()) {
        stopping_.store(true);
        uint64_t one = 1;
        ssize_t ignored = ::write(wake_fd_, &one, sizeof one);
        (void)ignored;
        thread_.join();
    }
    if (wake_fd_ >= 0) close(wake_fd_);
    if (fd_ >= 0) close(fd_);
}

int Socketcan_bus::tx_space(int)
{
    if (failed()) return 0;
    if (writable(fd_)) return TX_BATCH;
    tx_starved_.store(true);
    uint64_t one = 1;  // the reader thread starts watching for space
    ssize_t ignored = ::write(wake_fd_, &one, sizeof one);
    (void)ignored;
    return 0;
}

int Socketcan_bus::send_frame(const CAN_packet& frame, int)
{
    if (failed()) return 0;
    can_frame out{};
    out.can_id = frame.is_extended() ? (frame.id & CAN_EFF_MASK) | CAN_EFF_FLAG
                                     : frame.id & CAN_SFF_MASK;
    out.can_dlc = frame.length;
    std::memcpy(out.data, frame.data, frame.length);
    ssize_t n = ::write(fd_, &out, sizeof out);
    if (n == ssize_t(sizeof out)) return 1;
    if (n < 0 && (errno == EAGAIN || errno == ENOBUFS)) {
        tx_starved_.store(true);
        return 0;
    }
    fail(std::string("write failed: ") + strerror(errno));
    return 0;
}

void Socketcan_bus::run()
{
    while (!stopping_.load()) {
        pollfd fds[2] = {{fd_, short(POLLIN | (tx_starved_.load() ? POLLOUT : 0)), 0},
                         {wake_fd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            fail(std::string("poll: ") + strerror(errno));
            return;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            ssize_t ignored = ::read(wake_fd_, &count, sizeof count);
            (void)ignored;
        }
        if ((fds[0].revents & POLLOUT) && tx_starved_.exchange(false)) wake();
        if (fds[0].revents & (POLLIN | POLLERR)) {
            can_frame in;
            for (;;) {
                ssize_t n = ::read(fd_, &in, sizeof in);
                if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
                if (n != ssize_t(sizeof in)) {
                    fail(std::string("read failed: ") + (n < 0 ? strerror(errno) : "short frame"));
                    return;
                }
                if (in.can_id & (CAN_ERR_FLAG | CAN_RTR_FLAG)) continue;
                CAN_packet frame;
                frame.set_extended(in.can_id & CAN_EFF_FLAG);
                frame.id = in.can_id & (frame.is_extended() ? CAN_EFF_MASK : CAN_SFF_MASK);
                frame.length = in.can_dlc > 8 ? 8 : in.can_dlc;
                std::memcpy(frame.data, in.data, frame.length);
                deliver(frame);
            }
        }
    }
}
