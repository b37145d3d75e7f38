#include "glue/data_stream/Posix_threaded_data_stream.h"

#include "platform/rtos/Task.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {
std::atomic<int> reader_counter{0};
} // namespace

Posix_threaded_data_stream::Posix_threaded_data_stream()
{
    set_buffer_lock(&buffer_mutex_);
    update_name();
}

Posix_threaded_data_stream::~Posix_threaded_data_stream()
{
    close();
    stop_reader();
}

void Posix_threaded_data_stream::update_name()
{
    if (fd_ < 0) {
        set_name("DSPosT(%p)", static_cast<void*>(this));
    } else {
        set_name("DSPosT(%p, %s)", static_cast<void*>(this), path_);
    }
}

bool Posix_threaded_data_stream::open_descriptor(const char* path, bool create, bool append)
{
    if (path == nullptr) {
        return false;
    }
    Mutex::Protection guard(&control_mutex_);
    int fd = -1;
    if (fd_ < 0) {
        int flags = O_RDWR | O_CLOEXEC | O_NOCTTY | (create ? O_CREAT : 0) | (append ? O_APPEND : 0);
        fd = ::open(path, flags, 0644);
    }
    if (fd < 0) {
        std::fprintf(stderr, "Error opening file [%s]\n", path);
        return false;
    }
    fd_ = fd;
    std::snprintf(path_, sizeof path_, "%s", path);
    update_name();
    return true;
}

bool Posix_threaded_data_stream::open(const char* path, bool create, bool append)
{
    if (!open_descriptor(path, create, append)) {
        return false;
    }
    return start();
}

bool Posix_threaded_data_stream::start()
{
    Mutex::Protection guard(&control_mutex_);
    if (fd_ < 0 || reader_ != nullptr) {
        return false;
    }
    if (::pipe2(wake_pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        wake_pipe_[0] = wake_pipe_[1] = -1;
        return false;
    }
    char name[8];
    std::snprintf(name, sizeof name, "PDS%d", reader_counter.fetch_add(1));
    name[4] = '\0'; // PDS0 to PDS9, then PDS1 again for 10 to 19, ...
    stopping_ = false;
    reader_ = std::make_unique<Task>(name, 1024, true, 0);
    if (reader_->start(READER_PRIORITY, &Posix_threaded_data_stream::reader_entry, this) != 0) {
        reader_.reset();
        ::close(wake_pipe_[0]);
        ::close(wake_pipe_[1]);
        wake_pipe_[0] = wake_pipe_[1] = -1;
        return false;
    }
    return true;
}

void Posix_threaded_data_stream::stop_reader()
{
    if (reader_ == nullptr) {
        return;
    }
    stopping_ = true;
    const char wake = 1;
    ssize_t rc;
    do {
        rc = ::write(wake_pipe_[1], &wake, 1);
    } while (rc < 0 && errno == EINTR);
    reader_.reset(); // joins the thread
    ::close(wake_pipe_[0]);
    ::close(wake_pipe_[1]);
    wake_pipe_[0] = wake_pipe_[1] = -1;
}

bool Posix_threaded_data_stream::close()
{
    Mutex::Protection guard(&control_mutex_);
    stop_reader();
    if (fd_ < 0) {
        return false;
    }
    ::close(fd_);
    fd_ = -1;
    update_name();
    return true;
}

void* Posix_threaded_data_stream::reader_entry(void* self)
{
    static_cast<Posix_threaded_data_stream*>(self)->reader_loop();
    return nullptr;
}

void Posix_threaded_data_stream::reader_loop()
{
    flush();
    const int fd = fd_;
    const int wake = wake_pipe_[0];
    while (!stopping_) {
        pollfd fds[2] = {{wake, POLLIN, 0}, {fd, POLLIN, 0}};
        int rc = ::poll(fds, 2, -1);
        if (rc < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents != 0 || stopping_) {
            break;
        }
        unsigned char chunk[READ_CHUNK];
        ssize_t got = -1;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            got = ::read(fd, chunk, sizeof chunk);
        }
        if (got > 0) {
            Mutex::Protection guard(&buffer_mutex_);
            ring_append(chunk, static_cast<unsigned>(got));
            waiters_.send(0);
            continue;
        }
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        // Nothing came (end of file, a hung-up line, an error): pause, but
        // stay ready to be stopped.
        pollfd pause{wake, POLLIN, 0};
        ::poll(&pause, 1, RETRY_MS);
    }
}

bool Posix_threaded_data_stream::get_data(int n)
{
    return n == 0;
}

int Posix_threaded_data_stream::_write(const unsigned char* src, unsigned n)
{
    int fd = fd_;
    if (fd < 0) {
        return -1;
    }
    ssize_t rc;
    do {
        rc = ::write(fd, src, n);
    } while (rc < 0 && errno == EINTR);
    return static_cast<int>(rc);
}

bool Posix_threaded_data_stream::register_waiter(waiter_descriptor* waiter)
{
    Mutex::Protection guard(&buffer_mutex_);
    if (waiter == nullptr || waiters_.get_count() > 0) {
        return false;
    }
    return waiters_.add(waiter);
}

bool Posix_threaded_data_stream::deregister_waiter(waiter_descriptor* waiter)
{
    Mutex::Protection guard(&buffer_mutex_);
    return waiters_.remove(waiter);
}

void Posix_threaded_data_stream::init_module_id(module_man& mm)
{
    Mutex::Protection guard(&buffer_mutex_);
    waiters_.assign_module_id(mm);
}

bool Posix_threaded_data_stream::init_commander(Posix_data_stream::Commander& commander)
{
    if (fd_ < 0) {
        return false;
    }
    commander.bind(fd_);
    return true;
}
