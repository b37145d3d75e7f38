#include "util/Atime.h"

#include "util/Bugger.h"

#include <cerrno>
#include <cstdint>

namespace {

int64_t clock_ns(clockid_t clock)
{
    struct timespec ts;
    clock_gettime(clock, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t floor_div(int64_t a, int64_t b)
{
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Wall time minus monotonic time, taken once: the shift of the process time
// line.
int64_t process_line_shift_ns()
{
    static const int64_t shift = clock_ns(CLOCK_REALTIME) - clock_ns(CLOCK_MONOTONIC);
    return shift;
}

int64_t process_now_ms()
{
    return floor_div(clock_ns(CLOCK_MONOTONIC) + process_line_shift_ns(), 1000000);
}

// How far the wall clock has been set away from the process time line,
// rounded to whole milliseconds (0 while nobody has set the clock).
int64_t wall_minus_line_ms()
{
    int64_t shift = process_line_shift_ns();
    int64_t d = clock_ns(CLOCK_REALTIME) - clock_ns(CLOCK_MONOTONIC) - shift;
    return floor_div(d + 500000, 1000000);
}

constexpr int64_t MS_MAX = INT64_MAX - 999;
constexpr int64_t MS_MIN = INT64_MIN + 1000;

// Milliseconds since the epoch, saturated to the range that from_ms() and
// add_ms() can carry without overflow.
int64_t to_ms(const _Atime& t)
{
    if (int64_t(t.time) > MS_MAX / 1000)
        return MS_MAX;
    if (int64_t(t.time) < MS_MIN / 1000)
        return MS_MIN;
    return int64_t(t.time) * 1000 + t.millitm;
}

int64_t add_ms(int64_t ms, int64_t delta)
{
    int64_t sum;
    if (__builtin_add_overflow(ms, delta, &sum))
        return delta > 0 ? MS_MAX : MS_MIN;
    return sum < MS_MIN ? MS_MIN : (sum > MS_MAX ? MS_MAX : sum);
}

void from_ms(_Atime& t, int64_t ms)
{
    int64_t sec = ms / 1000;
    int64_t rest = ms % 1000;
    if (rest < 0) {
        rest += 1000;
        sec -= 1;
    }
    t.time = time_t(sec);
    t.millitm = static_cast<unsigned short>(rest);
}

void check_millis(const _Atime& t)
{
    if (t.millitm >= 1000)
        Bugger::report_bug("Atime milliseconds out of range (tm.millitm < 1000)");
}

} // namespace

_Atime::Offset _Atime::real_offset = {0, 0};

_Atime::_Atime(bool now)
{
    if (now)
        set_now();
}

void _Atime::set_now()
{
    from_ms(*this, process_now_ms());
    timezone = 0;
    dstflag = 0;
}

_Atime _Atime::now()
{
    return _Atime(true);
}

unsigned int _Atime::ms_into_week() const
{
    int64_t sec = int64_t(time) % 604800;
    if (sec < 0)
        sec += 604800;
    return static_cast<unsigned int>(millitm + sec * 1000);
}

unsigned int _Atime::ms_into_day() const
{
    return ms_into_week() % 86400000u;
}

long _Atime::week() const
{
    return static_cast<long>(time / 604800);
}

Atime::Atime(time_t seconds, int ms) : _Atime(false)
{
    _Atime start;
    start.time = seconds;
    from_ms(*this, add_ms(to_ms(start), ms));
}

Atime Atime::now()
{
    return Atime(true);
}

Atime Atime::wall_now()
{
    Atime t;
    from_ms(t, floor_div(clock_ns(CLOCK_REALTIME), 1000000));
    return t;
}

Atime Atime::from_now(int ms)
{
    Atime t(true);
    t += ms;
    return t;
}

void Atime::set_from_now(int ms)
{
    set_now();
    *this += ms;
}

// Sums are computed in 64 bits and saturate at the ends of the millisecond
// range, so that a time-out of INT_MAX or a period added to a far deadline
// cannot wrap into the past.
const Atime& Atime::operator+=(int ms)
{
    check_millis(*this);
    from_ms(*this, add_ms(to_ms(*this), ms));
    check_millis(*this);
    return *this;
}

const Atime& Atime::operator-=(int ms)
{
    check_millis(*this);
    from_ms(*this, add_ms(to_ms(*this), -int64_t(ms)));
    check_millis(*this);
    return *this;
}

Atime Atime::operator+(int ms) const
{
    Atime t(*this);
    t += ms;
    return t;
}

Atime Atime::operator-(int ms) const
{
    Atime t(*this);
    t -= ms;
    return t;
}

int Atime::operator-(const _Atime& other) const
{
    if (time > other.time) {
        int64_t d = int64_t(time) - int64_t(other.time);
        if (d > 604800)
            return MAX_DIFF_MS;
        return int(d * 1000 - other.millitm + millitm);
    }
    int64_t d = int64_t(other.time) - int64_t(time);
    if (d > 604800)
        return -MAX_DIFF_MS;
    return int(millitm - d * 1000 - other.millitm);
}

bool Atime::operator<(const _Atime& o) const
{
    return time < o.time || (time == o.time && millitm < o.millitm);
}

bool Atime::operator>(const _Atime& o) const
{
    return time > o.time || (time == o.time && millitm > o.millitm);
}

bool Atime::operator==(const _Atime& o) const
{
    return time == o.time && millitm == o.millitm;
}

int Atime::get_ms_from_now() const
{
    return *this - now();
}

int Atime::get_elapsed_ms_since() const
{
    return now() - *this;
}

unsigned int Atime::now_ms_into_day()
{
    return now().ms_into_day();
}

struct timeb Atime::timeb() const
{
    struct timeb tb{};
    tb.time = time;
    tb.millitm = millitm;
    tb.timezone = timezone;
    tb.dstflag = dstflag;
    return tb;
}

Atime& Atime::operator=(const struct timeb& tb)
{
    time = tb.time;
    millitm = tb.millitm;
    timezone = tb.timezone;
    dstflag = tb.dstflag;
    return *this;
}

struct timespec Atime::timespec() const
{
    struct timespec ts{};
    ts.tv_sec = time;
    ts.tv_nsec = long(millitm) * 1000000L;
    return ts;
}

struct timeb Atime::real_timeb() const
{
    // Move from the process time line to the wall clock by the distance the
    // two have now, then add the real-time offset.
    Atime t;
    _Atime offset;
    offset.time = real_offset.time;
    offset.millitm = real_offset.millitm;
    from_ms(t, add_ms(add_ms(to_ms(*this), wall_minus_line_ms()), to_ms(offset)));
    t.timezone = timezone;
    t.dstflag = dstflag;
    return t.timeb();
}

void Atime::set_real_offset(const struct timeb& offset)
{
    real_offset.time = offset.time;
    real_offset.millitm = offset.millitm;
}

time_t Atime::get_current_time()
{
    return ::time(nullptr);
}

void Atime::delay(int ms)
{
    if (ms <= 0)
        return;
    struct timespec left;
    left.tv_sec = ms / 1000;
    left.tv_nsec = long(ms % 1000) * 1000000L;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

namespace {
// Anchor the process time line when the library is loaded.
const int64_t process_line_anchor = process_line_shift_ns();
} // namespace
