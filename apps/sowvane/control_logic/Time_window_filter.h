// Time-stamped samples over a sliding window: the window average, the last
// sample and the last sample that differs from a given value. Samples older
// than the window drop out as time moves on; the oldest also drops out when
// the fixed room is full. Time is handed in (the control core's clock), so
// that the filter can be driven without waiting.
#pragma once

#include "util/Atime.h"

#include <array>

class Time_window_filter {
public:
    static constexpr unsigned CAPACITY = 32;

    explicit Time_window_filter(int window_ms = 1000) : window_ms_(window_ms) {}

    void set_window(int window_ms) { window_ms_ = window_ms; }
    void add(float value, const Atime& at);
    void clear() { count_ = 0; }

    // Average of the samples inside the window that ends at now; 0 when none.
    float average(const Atime& now);
    // Number of samples inside the window that ends at now.
    unsigned count(const Atime& now);
    // The newest sample; false when there is none.
    bool last(float& value) const;
    // The newest sample that differs from value; false when there is none.
    bool last_differing_from(float value, float& found) const;

private:
    struct Sample {
        float value = 0;
        Atime at = Atime(false);
    };
    void expire(const Atime& now);
    const Sample& nth_newest(unsigned n) const
    {
        return samples_[(first_ + count_ - 1 - n) % CAPACITY];
    }

    int window_ms_;
    std::array<Sample, CAPACITY> samples_;
    unsigned first_ = 0; // oldest
    unsigned count_ = 0;
};
