// Waiting for another thread to reach a state, without timing assertions:
// polls until the condition holds; only a hang (minutes) counts as failure.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace test_support {

inline bool wait_until(const std::function<bool()>& condition,
                       std::chrono::seconds limit = std::chrono::seconds(120))
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace test_support
