// A device played on the master side of a Pty_pair. The test drives it with
// pump() (serve what arrives within a bounded wait) or lets a background
// thread pump it with start()/stop() when the code under test runs on its
// own thread. The script may be changed while it runs.
#pragma once

#include "tests/support/serial/Pty_pair.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace test_support {

class Scripted_device {
public:
    explicit Scripted_device(Pty_pair& line) : line_(line) {}
    virtual ~Scripted_device() { stop(); }
    Scripted_device(const Scripted_device&) = delete;
    Scripted_device& operator=(const Scripted_device&) = delete;

    // Reads what arrives within timeout_ms and answers every whole request
    // in it; the number of requests served.
    int pump(int timeout_ms = 1000);
    // Pumps until n requests were served or timeout_ms passed in all.
    int pump_requests(int n, int timeout_ms = 5000);

    void start();
    void stop();

protected:
    // Takes whole requests from the front of input_ and answers them; the
    // count served. Called with mutex_ held.
    virtual int serve(std::vector<uint8_t>& input) = 0;

    Pty_pair& line_;
    std::mutex mutex_;

private:
    std::vector<uint8_t> input_;
    std::thread runner_;
    std::atomic<bool> running_{false};
};

} // namespace test_support
