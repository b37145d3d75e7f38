#include "glue/diagnostics/Diagnostic_history.h"

#include "util/Debug_print.h"

Diagnostic_history::Diagnostic_history() : ready_time_(Atime::now()) {}

Diagnostic_history::~Diagnostic_history() = default;

bool Diagnostic_history::check_ready()
{
    return ready_time_ < Atime::now();
}

void Diagnostic_history::set_filter(unsigned char src, unsigned short code, unsigned int from,
                                    unsigned int to)
{
    filter_src_ = src;
    filter_code_ = code;
    filter_from_ = from;
    filter_to_ = to;
}

void Diagnostic_history::_output(unsigned char src, unsigned short count, unsigned short code,
                                 unsigned int seconds, unsigned short ms)
{
    if (seconds < filter_from_ || seconds >= filter_to_)
        return;
    if (filter_src_ != 0 && filter_src_ != src)
        return;
    if (filter_code_ != 0 && filter_code_ != code)
        return;
    output(src, count, code, seconds, ms);
}

void Debug_print_diagnostic_history::output(unsigned char src, unsigned short count,
                                            unsigned short code, unsigned int seconds,
                                            unsigned short ms)
{
    Debug_print::dprint("ERR,%d:%d,%d,%d.%03d\n", src, code, count, static_cast<int>(seconds), ms);
}
