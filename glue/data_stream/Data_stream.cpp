#include "glue/data_stream/Data_stream.h"

#include "glue/diner/Mutex.h"
#include "glue/message/Binary_message.h"
#include "util/Debug_print.h"

#include <cassert>
#include <cstdio>
#include <cstring>

// Holds the buffer lock, when the stream has one, for a buffer operation.
class Data_stream::Buffer_guard {
public:
    explicit Buffer_guard(Mutex* lock) : lock_(lock)
    {
        if (lock_ != nullptr) {
            lock_->lock();
        }
    }
    ~Buffer_guard()
    {
        if (lock_ != nullptr) {
            lock_->unlock();
        }
    }
    Buffer_guard(const Buffer_guard&) = delete;
    Buffer_guard& operator=(const Buffer_guard&) = delete;

private:
    Mutex* lock_;
};

Data_stream::Commander::~Commander() = default;

Data_stream::Data_stream()
{
    set_name("DS(%p)", static_cast<void*>(this));
}

Data_stream::~Data_stream() = default;

void Data_stream::flush() {}
bool Data_stream::set_read_timeout(int) { return false; }
bool Data_stream::set_default_read_timeout() { return false; }
bool Data_stream::set_write_timeout(int) { return false; }
bool Data_stream::set_default_write_timeout() { return false; }
void Data_stream::log_data(unsigned char*, int) {}
void Data_stream::flush_log_data() {}

void Data_stream::set_name(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(name_, sizeof name_, format, args);
    va_end(args);
}

unsigned Data_stream::bytes_avail()
{
    Buffer_guard guard(buffer_lock_);
    return ring_.count();
}

bool Data_stream::fill_to(unsigned n)
{
    unsigned have = ring_.count();
    if (have >= n) {
        return true;
    }
    if (n > BUFFER_SIZE) {
        return false;
    }
    get_data(static_cast<int>(n - have));
    return ring_.count() >= n;
}

bool Data_stream::bytes_avail(unsigned n)
{
    Buffer_guard guard(buffer_lock_);
    return fill_to(n);
}

unsigned char Data_stream::operator[](unsigned i)
{
    Buffer_guard guard(buffer_lock_);
    if (i >= BUFFER_SIZE || !fill_to(i + 1)) {
        return 0;
    }
    return ring_.at(i);
}

bool Data_stream::get_data(unsigned char* dst, unsigned n)
{
    Buffer_guard guard(buffer_lock_);
    return fill_to(n) && ring_.copy_out(dst, 0, n) == n;
}

bool Data_stream::drop(unsigned n)
{
    Buffer_guard guard(buffer_lock_);
    if (!fill_to(n)) {
        return false;
    }
    ring_.drop(n);
    return true;
}

void Data_stream::drop_all()
{
    Buffer_guard guard(buffer_lock_);
    ring_.clear();
}

int Data_stream::__write(const unsigned char* src, unsigned n)
{
    return _write(src, n);
}

bool Data_stream::write(const Binary_message& message, bool newline)
{
    unsigned len = message.get_length();
    int written = len > 0 ? _write(message.get_buffer(), len) : 0;
    bool all = written >= 0 && static_cast<unsigned>(written) == len;
    bool nl_ok = true;
    if (newline) {
        const unsigned char nl = 0x0A;
        nl_ok = _write(&nl, 1) == 1;
    }
    if (all && nl_ok) {
        return true;
    }
    Debug_print::dprint("Failed write len=%u/%u %d %d\n", written < 0 ? 0u : unsigned(written), len,
                        all ? 1 : 0, nl_ok ? 1 : 0);
    return false;
}

bool Data_stream::write(Data_stream& other)
{
    unsigned char copy[BUFFER_SIZE];
    unsigned avail;
    {
        Buffer_guard guard(other.buffer_lock_);
        avail = other.ring_.count();
        assert(avail <= BUFFER_SIZE);
        other.ring_.copy_out(copy, 0, avail);
    }
    return _write(copy, avail) != 0;
}

bool Data_stream::printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool ok = vprintf(format, args);
    va_end(args);
    return ok;
}

bool Data_stream::vprintf(const char* format, va_list args)
{
    char text[256];
    int n = std::vsnprintf(text, sizeof text, format, args);
    if (n < 0) {
        return false;
    }
    unsigned len = static_cast<unsigned>(std::strlen(text));
    if (echo_) {
        Debug_print::printd(text, static_cast<int>(len));
    }
    return _write(reinterpret_cast<const unsigned char*>(text), len) != 0;
}
