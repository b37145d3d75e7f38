#include "apps/sowvane/console/Line_gate.h"

void Line_gate::enter()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return state_ == State::open; });
    running_ = true;
}

void Line_gate::leave()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
    }
    changed_.notify_all();
}

void Line_gate::open()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ == State::held)
            state_ = State::open;
    }
    changed_.notify_all();
}

void Line_gate::shut()
{
    std::unique_lock<std::mutex> lock(mutex_);
    state_ = State::shut;
    changed_.wait(lock, [this] { return !running_; });
}
