#pragma once
// Debug output captured in a file for the life of one object, for tests that
// check what was reported.

#include "util/Debug_print.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

class Debug_capture {
public:
    // The process id keeps test runs that share the machine apart.
    explicit Debug_capture(const char* name = "debug_capture.txt")
        : path_(testing::TempDir() + std::to_string(::getpid()) + "_" + name)
    {
        Debug_print::set_debug_file(path_.c_str());
    }
    ~Debug_capture()
    {
        Debug_print::set_debug_file(nullptr);
        std::remove(path_.c_str());
    }
    Debug_capture(const Debug_capture&) = delete;
    Debug_capture& operator=(const Debug_capture&) = delete;

    std::string text() const
    {
        std::fflush(Debug_print::get_debug_file());
        std::ifstream in(path_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Waits until the output holds the text (another thread is to print it);
    // false when it has not appeared within the time limit.
    bool wait_for(const char* wanted, int limit_ms = 10000) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
        while (text().find(wanted) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    std::string path_;
};
