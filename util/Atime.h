// Time values: points in time and deadlines in milliseconds.
//
// Two clocks stand behind Atime:
// - The process time line, read by Atime::now(): CLOCK_MONOTONIC shifted so
//   that it equals the wall clock at the moment the process first read it.
//   It reads as wall time until somebody sets the system clock (GNSS, NTP),
//   and it never jumps, so deadlines, waits and ages measured on it stay
//   right when the clock is set.
// - The wall clock, read by Atime::wall_now(): CLOCK_REALTIME, for time
//   stamps that leave the process (files, logs). real_timeb() converts a
//   value of the process time line to wall time (plus the real-time offset).
// Seconds are held in a 64-bit time_t, so nothing wraps in 2038.
#pragma once

#include <sys/timeb.h>
#include <ctime>

struct _Atime {
    time_t time = 0;            // seconds since the epoch
    unsigned short millitm = 0; // 0 to 999
    short timezone = 0;         // as ftime fills them; nothing reads them
    short dstflag = 0;

    // The current time when now is true, else zero.
    explicit _Atime(bool now = false);

    // Fills the record with the present moment of the process time line.
    void set_now();
    static _Atime now();

    // Milliseconds since the last epoch-aligned week boundary (Thursday
    // 00:00 UTC), since the last midnight, and weeks since the epoch.
    unsigned int ms_into_week() const;
    unsigned int ms_into_day() const;
    long week() const;

    // Offset from the system clock to the real time, when the two differ.
    struct Offset {
        time_t time;
        unsigned short millitm;
    };
    static Offset real_offset;
};

class Atime : public _Atime {
public:
    // A difference of two times is clamped to plus or minus one week.
    static constexpr int MAX_DIFF_MS = 604800000;

    explicit Atime(bool now = false) : _Atime(now) {}
    Atime(const _Atime& other) : _Atime(other) {}
    // A given point: seconds and milliseconds (a millisecond count of 1000
    // or more carries into the seconds).
    Atime(time_t seconds, int ms);

    static Atime now();
    // True wall-clock time (CLOCK_REALTIME), for time stamps only.
    static Atime wall_now();
    static Atime from_now(int ms);
    void set_from_now(int ms);

    const Atime& operator+=(int ms);
    const Atime& operator-=(int ms);
    Atime operator+(int ms) const;
    Atime operator-(int ms) const;
    // This minus other in milliseconds, clamped to plus or minus one week.
    int operator-(const _Atime& other) const;

    bool operator<(const _Atime& o) const;
    bool operator>(const _Atime& o) const;
    bool operator<=(const _Atime& o) const { return !(*this > o); }
    bool operator>=(const _Atime& o) const { return !(*this < o); }
    bool operator==(const _Atime& o) const;
    bool operator!=(const _Atime& o) const { return !(*this == o); }

    // This minus now (negative when past), and now minus this; clamped.
    int get_ms_from_now() const;
    int get_elapsed_ms_since() const;
    static unsigned int now_ms_into_day();

    struct timeb timeb() const;
    Atime& operator=(const struct timeb& tb);
    struct timespec timespec() const;

    // The wall time of this point of the process time line, plus the
    // real-time offset.
    struct timeb real_timeb() const;
    static void set_real_offset(const struct timeb& offset);

    // Seconds of the wall clock, time(NULL).
    static time_t get_current_time();
    // Suspends the calling thread for ms milliseconds.
    static void delay(int ms);
};
