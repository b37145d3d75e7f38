#include "tests/support/serial/Scripted_device.h"

#include <chrono>

namespace test_support {

int Scripted_device::pump(int timeout_ms)
{
    std::vector<uint8_t> bytes = line_.read_some(timeout_ms);
    std::lock_guard<std::mutex> lock(mutex_);
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    return serve(input_);
}

int Scripted_device::pump_requests(int n, int timeout_ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    int served = 0;
    while (served < n && std::chrono::steady_clock::now() < end)
        served += pump(20);
    return served;
}

void Scripted_device::start()
{
    if (running_.exchange(true))
        return;
    runner_ = std::thread([this] {
        while (running_)
            pump(20);
    });
}

void Scripted_device::stop()
{
    if (!running_.exchange(false))
        return;
    runner_.join();
}

} // namespace test_support
