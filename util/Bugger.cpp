#include "util/Bugger.h"

#include <cstdio>
#include <cstdlib>

void Bugger::report_bug(const char* text)
{
    std::printf("BUG: %s\r\n", text ? text : "");
    std::fflush(stdout);
    std::fprintf(stderr, "util/Bugger.cpp: static void Bugger::report_bug(const char*): "
                         "Assertion `false' failed (%s).\n", text ? text : "");
    std::abort();
}
