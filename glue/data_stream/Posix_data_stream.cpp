#include "glue/data_stream/Posix_data_stream.h"

#include "util/Atime.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Waits until fd is ready for events or the deadline passes: 1 ready, 0 time
// out, -1 failure.
int wait_ready(int fd, short events, const Atime& deadline)
{
    for (;;) {
        int left = deadline.get_ms_from_now();
        if (left < 0) {
            left = 0;
        }
        pollfd p{fd, events, 0};
        int rc = ::poll(&p, 1, left);
        if (rc < 0 && errno == EINTR) {
            continue;
        }
        return rc;
    }
}

int open_flags(bool create, bool blocking, bool append)
{
    int flags = O_CLOEXEC;
    if (create) {
        flags |= O_CREAT;
    }
    if (!blocking) {
        flags |= O_NONBLOCK;
    }
    if (append) {
        flags |= O_APPEND;
    }
    return flags;
}

} // namespace

bool Posix_data_stream::Commander::send_break(int)
{
    return fd_ >= 0 && ::tcsendbreak(fd_, 0) == 0;
}

Posix_data_stream::Posix_data_stream(int read_fd, int write_fd)
    : read_fd_(read_fd), write_fd_(write_fd)
{
    update_name();
}

Posix_data_stream::~Posix_data_stream()
{
    close();
    close_write();
    close_read();
}

void Posix_data_stream::update_name()
{
    if (read_fd_ < 0 && write_fd_ < 0) {
        set_name("DSPosix(%p)", static_cast<void*>(this));
    } else {
        set_name("DSPosix(%p, %s, %s)", static_cast<void*>(this), path_, mode_);
    }
}

bool Posix_data_stream::open(const char* path, bool create, bool blocking, bool append)
{
    if (path == nullptr) {
        return false;
    }
    close();
    close_write();
    close_read();
    std::fprintf(stderr, "About to Open %s\n", path);
    int fd = ::open(path, O_RDWR | open_flags(create, blocking, append), 0644);
    if (fd < 0) {
        std::fprintf(stderr, "Error opening file [%s]\n", path);
        return false;
    }
    std::fprintf(stderr, "Opened %s\n", path);
    read_fd_ = write_fd_ = fd;
    std::snprintf(path_, sizeof path_, "%s", path);
    mode_ = "rw";
    update_name();
    return true;
}

bool Posix_data_stream::open_write(const char* path, bool create, bool blocking, bool append)
{
    if (path == nullptr) {
        return false;
    }
    close();
    close_write();
    int fd = ::open(path, O_WRONLY | O_NOCTTY | open_flags(create, blocking, append), 0644);
    if (fd < 0) {
        std::fprintf(stderr, "Error opening file [%s]\n", path);
        return false;
    }
    write_fd_ = fd;
    std::snprintf(path_, sizeof path_, "%s", path);
    mode_ = "w";
    update_name();
    return true;
}

bool Posix_data_stream::open_read(const char* path, bool blocking)
{
    if (path == nullptr) {
        return false;
    }
    close();
    close_read();
    int fd = ::open(path, O_RDONLY | open_flags(false, blocking, false));
    if (fd < 0) {
        std::fprintf(stderr, "Error opening file [%s]\n", path);
        return false;
    }
    read_fd_ = fd;
    std::snprintf(path_, sizeof path_, "%s", path);
    mode_ = "r";
    update_name();
    return true;
}

bool Posix_data_stream::close()
{
    if (read_fd_ < 0 || read_fd_ != write_fd_) {
        return false;
    }
    ::close(read_fd_);
    read_fd_ = write_fd_ = -1;
    update_name();
    return true;
}

bool Posix_data_stream::close_write()
{
    if (write_fd_ < 0 || write_fd_ == read_fd_) {
        return false;
    }
    ::close(write_fd_);
    write_fd_ = -1;
    update_name();
    return true;
}

bool Posix_data_stream::close_read()
{
    if (read_fd_ < 0 || read_fd_ == write_fd_) {
        return false;
    }
    ::close(read_fd_);
    read_fd_ = -1;
    update_name();
    return true;
}

bool Posix_data_stream::set_read_timeout(int ms)
{
    read_timeout_ms_ = ms;
    return true;
}

bool Posix_data_stream::set_default_read_timeout()
{
    return set_read_timeout(-1);
}

bool Posix_data_stream::set_write_timeout(int ms)
{
    write_timeout_ms_ = ms;
    return true;
}

bool Posix_data_stream::set_default_write_timeout()
{
    return set_write_timeout(-1);
}

bool Posix_data_stream::init_commander(Commander& commander)
{
    if (write_fd_ < 0) {
        return false;
    }
    commander.bind(write_fd_);
    return true;
}

bool Posix_data_stream::get_data(int n)
{
    if (read_fd_ < 0) {
        return false;
    }
    const bool timed = read_timeout_ms_ >= 0;
    const Atime deadline = Atime::from_now(timed ? read_timeout_ms_ : 0);
    for (int i = 0; i < n; ++i) {
        // A byte read into a full buffer would be lost: leave it in the source.
        if (ring_count() >= BUFFER_SIZE) {
            flush_log_data();
            return false;
        }
        if (timed) {
            int rc = wait_ready(read_fd_, POLLIN, deadline);
            if (rc < 0) {
                std::perror("select(), Posix_data_stream::get_data");
            } else if (rc == 0) {
                flush_log_data();
                return false;
            }
        }
        unsigned char byte;
        ssize_t got;
        do {
            got = ::read(read_fd_, &byte, 1);
        } while (got < 0 && errno == EINTR);
        if (got != 1) {
            flush_log_data();
            return false;
        }
        ring_append(byte);
        log_data(&byte, 1);
    }
    flush_log_data();
    return true;
}

int Posix_data_stream::_write(const unsigned char* src, unsigned n)
{
    if (write_fd_ < 0) {
        return -1;
    }
    if (write_timeout_ms_ < 0) {
        ssize_t rc;
        do {
            rc = ::write(write_fd_, src, n);
        } while (rc < 0 && errno == EINTR);
        return static_cast<int>(rc);
    }
    const Atime deadline = Atime::from_now(write_timeout_ms_);
    for (unsigned i = 0; i < n; ++i) {
        int rc = wait_ready(write_fd_, POLLOUT, deadline);
        if (rc < 0) {
            std::perror("select(), Posix_data_stream::_write");
        } else if (rc == 0) {
            return static_cast<int>(i);
        }
        ssize_t put;
        do {
            put = ::write(write_fd_, src + i, 1);
        } while (put < 0 && errno == EINTR);
        if (put != 1) {
            return static_cast<int>(i);
        }
    }
    return static_cast<int>(n);
}
