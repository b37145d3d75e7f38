// Debug output: printf-style lines to standard error or a debug file.
#pragma once

#include <cstdio>

// The debug port number; this system has one port, 0, named "stdio".
enum IOPortIndex : int { IOPORT_STDIO = 0 };

class Debug_print {
public:
    // Longest line written at once, including the terminating NUL.
    static constexpr int LINE_SIZE = 256;

    class Error_reporter_base {
    public:
        virtual ~Error_reporter_base() = default;
        virtual void report(const char* file, unsigned int line, unsigned char level,
                            const char* text) = 0;
    };

    static void dprint(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void dprint(IOPortIndex port, const char* format, ...)
        __attribute__((format(printf, 2, 3)));
    static void printd(const char* text, int len);
    static void printd(IOPortIndex port, const char* text, int len);
    static void cprint(bool flush, const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Always flushed: for messages that precede an abort.
    static void bprint(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void charput(char c);
    static void binprint(const unsigned char* data, unsigned int len);
    static void printhex(const unsigned char* data, unsigned int len, unsigned int per_line);
    // One line stamped with the monotonic clock, the thread, file and line.
    static void dprint_detail(const char* file, unsigned int line, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    [[noreturn]] static void die(const char* file, int line);

    // Opens path for writing and sends all output there; standard error
    // when it cannot be opened (or path is null).
    static void set_debug_file(const char* path);
    static FILE* get_debug_file();

    static void set_debug_port(IOPortIndex) {}
    static void set_debug_port(const char*) {}
    static IOPortIndex get_debug_port() { return IOPORT_STDIO; }
    static const char* get_debug_port_str() { return "stdio"; }
    static void print_debug_port();
    static int log_to_file(const char* path, IOPortIndex port);

    static void set_reporter(Error_reporter_base* reporter);
    static void report(const char* file, unsigned int line, unsigned char level,
                       const char* text);
};

// A reporter that only says it was called; one instance exists, not installed.
class Dummy_reporter : public Debug_print::Error_reporter_base {
public:
    void report(const char* file, unsigned int line, unsigned char level,
                const char* text) override;
};

extern Dummy_reporter dummy_reporter;
