#include "tests/support/serial/Pty_pair.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace test_support {

Pty_pair::Pty_pair()
{
    int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return;
    char name[128];
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return;
    }
    // Raw on the slave from the start, so nothing the device writes before
    // the code under test sets the port up is cooked or echoed.
    slave_keep_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_keep_ >= 0) {
        termios t{};
        if (::tcgetattr(slave_keep_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(slave_keep_, TCSANOW, &t);
        }
    }
    master_ = fd;
    slave_name_ = name;
}

Pty_pair::~Pty_pair()
{
    if (slave_keep_ >= 0)
        ::close(slave_keep_);
    if (master_ >= 0)
        ::close(master_);
}

bool Pty_pair::write(const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

std::vector<uint8_t> Pty_pair::read_some(int timeout_ms)
{
    std::vector<uint8_t> out;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0 || !(p.revents & POLLIN))
        return out;
    uint8_t buf[512];
    ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0)
        out.assign(buf, buf + n);
    return out;
}

} // namespace test_support
