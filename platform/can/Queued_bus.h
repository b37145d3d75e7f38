// The receive side shared by the bus kinds: a fixed ring of received frames
// filled by the bus's own thread (or, for the loop bus, by the writer), and
// the attached receiver, woken once per batch of arrivals rather than once
// per frame.
#pragma once

#include "platform/can/CAN_bus.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class Queued_bus : public CAN_bus {
public:
    // Frames held for the reader; beyond it arrivals are lost and counted.
    static constexpr int RX_CAPACITY = 4096;

    int read(CAN_packet* frames, int max) override;
    int attach(waiter_descriptor* waiter) override;
    int detach(waiter_descriptor* waiter) override;
    bool one_batch_per_pass() override { return false; }

protected:
    explicit Queued_bus(std::string spec);

    // Stores a received frame and wakes the receiver.
    void deliver(const CAN_packet& frame);
    // Stores received frames without waking the receiver; the caller wakes
    // it once for the batch.
    void store(const CAN_packet* frames, int n);
    // Wakes the receiver unless a wake-up is already on its way.
    void wake();
    // Marks the bus down with a message (reported once by check_errors).
    void fail(const std::string& message);
    bool failed() const { return failed_.load(); }
    // Reports lost frames and failure; used as check_errors by the kinds.
    int report_errors();

private:
    std::mutex rx_mutex_;
    std::vector<CAN_packet> ring_;
    int head_ = 0;   // oldest frame
    int count_ = 0;
    unsigned long lost_ = 0;
    unsigned long lost_reported_ = 0;

    std::mutex waiter_mutex_;
    waiter_descriptor* waiter_ = nullptr;
    // Set when a wake-up was sent and the reader has not read since.
    std::atomic<bool> wake_pending_{false};

    std::mutex error_mutex_;
    std::atomic<bool> failed_{false};
    std::string failure_;
    bool failure_reported_ = false;
};
