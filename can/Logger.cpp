#include "can/Logger.h"

Logger::Logger(const char* name)
    : name_(name ? name : ""), start_(Atime::now()), previous_(start_)
{
}

Logger::~Logger() { close_current(); }

void Logger::close_current()
{
    if (out_ && out_ != stderr && out_ != stdout)
        std::fclose(out_);
    out_ = stderr;
}

void Logger::vLog(const char* fmt, va_list args)
{
    Atime now = Atime::now();
    if (!name_.empty())
        std::fprintf(out_, "%s: ", name_.c_str());
    std::vfprintf(out_, fmt, args);
    std::fprintf(out_, " at time %li (%li since previous)\n", static_cast<long>(now - start_),
                 static_cast<long>(now - previous_));
    std::fflush(out_);
    previous_ = now;
}

void Logger::Log(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vLog(fmt, ap);
    va_end(ap);
}

void Logger::Log(int level, const char* fmt, ...)
{
    if (level > 16)
        return;
    va_list ap;
    va_start(ap, fmt);
    va_list copy;
    va_copy(copy, ap);
    std::vfprintf(stdout, fmt, copy);
    va_end(copy);
    vLog(fmt, ap);
    va_end(ap);
    std::fprintf(stdout, "\n");
}

void Logger::Open(const char* path)
{
    // The path may be the name itself: keep a copy before the name clears.
    std::string p = path ? path : "";
    close_current();
    name_.clear();
    if (p.empty())
        return;
    FILE* f = std::fopen(p.c_str(), "w");
    if (!f) {
        std::fprintf(stderr, "Could not open %s\n", p.c_str());
        return;
    }
    out_ = f;
    std::fprintf(stderr, "Debug file %s opened\n", p.c_str());
}

void Logger::Open() { Open(name_.empty() ? nullptr : name_.c_str()); }

void Logger::Open(FILE* f, const char* name)
{
    if (!f) {
        Open();
        return;
    }
    close_current();
    out_ = f;
    if (name)
        name_ = name;
}
