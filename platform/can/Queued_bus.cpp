#include "platform/can/Queued_bus.h"

#include "glue/diner/waiter_descriptor.h"

#include <cstdio>

Queued_bus::Queued_bus(std::string spec) : CAN_bus(std::move(spec)), ring_(RX_CAPACITY) {}

int Queued_bus::read(CAN_packet* frames, int max)
{
    // Cleared before taking frames: a frame stored after this point sends a
    // new wake-up, so none is ever left unannounced.
    wake_pending_.store(false);
    std::lock_guard<std::mutex> lock(rx_mutex_);
    int n = 0;
    while (n < max && count_ > 0) {
        frames[n++] = ring_[size_t(head_)];
        head_ = (head_ + 1) % RX_CAPACITY;
        --count_;
    }
    return n;
}

int Queued_bus::attach(waiter_descriptor* waiter)
{
    if (!waiter) return -1;
    {
        std::lock_guard<std::mutex> lock(waiter_mutex_);
        waiter_ = waiter;
    }
    // Frames that came before the receiver did are announced now.
    wake_pending_.store(false);
    wake();
    return 0;
}

int Queued_bus::detach(waiter_descriptor* waiter)
{
    std::lock_guard<std::mutex> lock(waiter_mutex_);
    if (!waiter || waiter_ != waiter) return -1;
    waiter_ = nullptr;
    return 0;
}

void Queued_bus::deliver(const CAN_packet& frame)
{
    store(&frame, 1);
    wake();
}

void Queued_bus::store(const CAN_packet* frames, int n)
{
    std::lock_guard<std::mutex> lock(rx_mutex_);
    for (int i = 0; i < n; ++i) {
        if (count_ == RX_CAPACITY) {
            lost_ += static_cast<unsigned long>(n - i);
            return;
        }
        ring_[size_t((head_ + count_) % RX_CAPACITY)] = frames[i];
        ++count_;
    }
}

void Queued_bus::wake()
{
    if (wake_pending_.exchange(true)) return;
    std::lock_guard<std::mutex> lock(waiter_mutex_);
    if (waiter_) waiter_->send_anonymous_event();
}

void Queued_bus::fail(const std::string& message)
{
    {
        std::lock_guard<std::mutex> lock(error_mutex_);
        if (failed_.load()) return;
        failure_ = message;
        failed_.store(true);
    }
    wake();
}

int Queued_bus::report_errors()
{
    unsigned long lost;
    {
        std::lock_guard<std::mutex> lock(rx_mutex_);
        lost = lost_ - lost_reported_;
        lost_reported_ = lost_;
    }
    if (lost) fprintf(stderr, "CAN bus %s: %lu received frames lost (reader too slow)\n",
                      spec().c_str(), lost);
    if (!failed_.load()) return 0;
    std::lock_guard<std::mutex> lock(error_mutex_);
    if (!failure_reported_) {
        fprintf(stderr, "CAN bus %s: %s\n", spec().c_str(), failure_.c_str());
        failure_reported_ = true;
    }
    return -1;
}
