#include "apps/sowvane/control_logic/Time_window_filter.h"

void Time_window_filter::add(float value, const Atime& at)
{
    expire(at);
    if (count_ == CAPACITY) {
        first_ = (first_ + 1) % CAPACITY;
        --count_;
    }
    samples_[(first_ + count_) % CAPACITY] = Sample{value, at};
    ++count_;
}

void Time_window_filter::expire(const Atime& now)
{
    while (count_ > 0 && now - samples_[first_].at > window_ms_) {
        first_ = (first_ + 1) % CAPACITY;
        --count_;
    }
}

float Time_window_filter::average(const Atime& now)
{
    expire(now);
    if (count_ == 0)
        return 0;
    double sum = 0;
    for (unsigned i = 0; i < count_; ++i)
        sum += nth_newest(i).value;
    return float(sum / count_);
}

unsigned Time_window_filter::count(const Atime& now)
{
    expire(now);
    return count_;
}

bool Time_window_filter::last(float& value) const
{
    if (count_ == 0)
        return false;
    value = nth_newest(0).value;
    return true;
}

bool Time_window_filter::last_differing_from(float value, float& found) const
{
    for (unsigned i = 0; i < count_; ++i) {
        if (nth_newest(i).value != value) {
            found = nth_newest(i).value;
            return true;
        }
    }
    return false;
}
