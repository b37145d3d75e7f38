#include "util/Debug_print.h"

#include "util/Debug_base.h"

#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <pthread.h>

namespace {

std::mutex file_mutex;
FILE* debug_file = nullptr; // null means standard error
std::atomic<Debug_print::Error_reporter_base*> reporter{nullptr};

FILE* out()
{
    return debug_file ? debug_file : stderr;
}

void write_text(const char* text)
{
    std::lock_guard<std::mutex> guard(file_mutex);
    std::fputs(text, out());
}

void vformat(char (&buf)[Debug_print::LINE_SIZE], const char* format, va_list ap)
{
    std::vsnprintf(buf, sizeof buf, format, ap);
}

} // namespace

Dummy_reporter dummy_reporter;

void Dummy_reporter::report(const char*, unsigned int, unsigned char, const char*)
{
    Debug_print::dprint("Dummy Report\n");
}

void Debug_print::dprint(const char* format, ...)
{
    char buf[LINE_SIZE];
    va_list ap;
    va_start(ap, format);
    vformat(buf, format, ap);
    va_end(ap);
    write_text(buf);
}

void Debug_print::dprint(IOPortIndex, const char* format, ...)
{
    char buf[LINE_SIZE];
    va_list ap;
    va_start(ap, format);
    vformat(buf, format, ap);
    va_end(ap);
    write_text(buf);
}

void Debug_print::printd(const char* text, int)
{
    if (text)
        write_text(text);
}

void Debug_print::printd(IOPortIndex, const char* text, int len)
{
    printd(text, len);
}

void Debug_print::cprint(bool flush, const char* format, ...)
{
    char buf[LINE_SIZE];
    va_list ap;
    va_start(ap, format);
    vformat(buf, format, ap);
    va_end(ap);
    std::lock_guard<std::mutex> guard(file_mutex);
    std::fputs(buf, out());
    if (flush)
        std::fflush(out());
}

void Debug_print::bprint(const char* format, ...)
{
    char buf[LINE_SIZE];
    va_list ap;
    va_start(ap, format);
    vformat(buf, format, ap);
    va_end(ap);
    std::lock_guard<std::mutex> guard(file_mutex);
    std::fputs(buf, out());
    std::fflush(out());
}

void Debug_print::charput(char c)
{
    std::lock_guard<std::mutex> guard(file_mutex);
    std::putchar(c);
    std::fflush(out());
}

void Debug_print::binprint(const unsigned char* data, unsigned int len)
{
    if (!data)
        return;
    for (unsigned int i = 0; i < len; ++i) {
        if (data[i] >= 32 && data[i] <= 126)
            dprint("%02X(%c) ", data[i], data[i]);
        else
            dprint("%02X ", data[i]);
    }
}

void Debug_print::printhex(const unsigned char* data, unsigned int len, unsigned int per_line)
{
    if (!data || per_line == 0)
        return;
    // The character column of the line before, printed at the start of the
    // next line.
    char column[LINE_SIZE] = "";
    unsigned int width = per_line < LINE_SIZE - 1 ? per_line : LINE_SIZE - 1;
    unsigned int in_line = 0;
    for (unsigned int i = 0; i < len; ++i) {
        if (i % per_line == 0) {
            dprint(" %s\n    ", column);
            column[0] = '\0';
            in_line = 0;
        }
        if (in_line < width) {
            column[in_line] = (data[i] >= 32 && data[i] <= 126) ? char(data[i]) : '.';
            column[in_line + 1] = '\0';
        }
        ++in_line;
        dprint("%02lx ", static_cast<unsigned long>(data[i]));
    }
    if (len > 0 && len % per_line != 0) {
        for (unsigned int i = len % per_line; i < per_line; ++i)
            dprint("   ");
    }
    dprint(" %s\n", column);
}

void Debug_print::dprint_detail(const char* file, unsigned int line, const char* format, ...)
{
    char msg[LINE_SIZE];
    va_list ap;
    va_start(ap, format);
    vformat(msg, format, ap);
    va_end(ap);
    size_t n = std::strlen(msg);
    if (n > 0 && msg[n - 1] == '\n')
        msg[n - 1] = '\0';

    struct timespec ts;
    unsigned int sec = 0, ms = 0;
    if (clock_gettime(CLOCK_MONOTONIC, &ts) == 0) {
        sec = static_cast<unsigned int>(ts.tv_sec);
        ms = static_cast<unsigned int>(ts.tv_nsec / 1000000);
    }
    char buf[LINE_SIZE];
    std::snprintf(buf, sizeof buf, "[%5u.%03u%s%p] %s:%u: '%s'\n", sec, ms, "|ThreadID:",
                  reinterpret_cast<void*>(pthread_self()), file ? file : "", line, msg);
    write_text(buf);
}

void Debug_print::die(const char* file, int line)
{
    bprint("DIE file=%s line=%d\n", file ? file : "", line);
    std::exit(3358);
}

void Debug_print::set_debug_file(const char* path)
{
    FILE* f = path ? std::fopen(path, "w") : nullptr;
    std::lock_guard<std::mutex> guard(file_mutex);
    if (debug_file)
        std::fclose(debug_file);
    debug_file = f;
}

FILE* Debug_print::get_debug_file()
{
    std::lock_guard<std::mutex> guard(file_mutex);
    return out();
}

void Debug_print::print_debug_port()
{
    dprint("%s\n", get_debug_port_str());
}

int Debug_print::log_to_file(const char*, IOPortIndex port)
{
    return (port == 1 || port == 2) ? 1 : 0;
}

void Debug_print::set_reporter(Error_reporter_base* r)
{
    reporter = r;
}

void Debug_print::report(const char* file, unsigned int line, unsigned char level,
                         const char* text)
{
    if (Error_reporter_base* r = reporter.load())
        r->report(file, line, level, text);
}

std::atomic<unsigned char> _JDB::current_active[_JDB::MAX_ACTIVE] = {};
