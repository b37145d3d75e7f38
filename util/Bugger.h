// Fatal report of a broken internal invariant.
#pragma once

class Bugger {
public:
    // Prints "BUG: <text>" on standard output and ends the process.
    [[noreturn]] static void report_bug(const char* text);
};
