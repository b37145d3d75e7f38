// The queues of the alarm cycle: the active, unacknowledged alarm pop-ups by
// priority. Each cycle picks the front of the most urgent non-empty queue and
// moves it to the back, so alarms of one priority take turns, a newly queued
// alarm comes first, and one that reached its repeat limit is shown no more
// until it has been taken out.
#pragma once

#include <vector>

class Seeder_alarm_screen;

class TAlarmManager {
public:
    static constexpr int PRIORITIES = 3;

    TAlarmManager() = default;
    virtual ~TAlarmManager() = default;
    TAlarmManager(const TAlarmManager&) = delete;
    TAlarmManager& operator=(const TAlarmManager&) = delete;

    // Queues the alarm in front of its priority; nothing when null or queued.
    void add(Seeder_alarm_screen* alarm);
    // Takes the alarm out; removed tells whether it was still in its queue.
    void remove(Seeder_alarm_screen* alarm, bool& removed);
    // The alarm to show now, null when none is queued.
    Seeder_alarm_screen* next();
    Seeder_alarm_screen* current() const { return current_alarm; }

    const std::vector<Seeder_alarm_screen*>& queue(int priority) const { return queues[priority]; }

private:
    Seeder_alarm_screen* current_alarm = nullptr;
    std::vector<Seeder_alarm_screen*> queues[PRIORITIES];
};
