#include "apps/sowvane/screens/TAlarmManager.h"

#include "apps/sowvane/screens/Seeder_alarm_screen.h"

#include <algorithm>

void TAlarmManager::add(Seeder_alarm_screen* alarm)
{
    if (!alarm || alarm->is_queued())
        return;
    alarm->set_queued(true);
    auto& q = queues[alarm->get_priority()];
    q.insert(q.begin(), alarm);
}

void TAlarmManager::remove(Seeder_alarm_screen* alarm, bool& removed)
{
    removed = false;
    if (!alarm || !alarm->is_queued())
        return;
    alarm->set_queued(false);
    auto& q = queues[alarm->get_priority()];
    auto it = std::find(q.begin(), q.end(), alarm);
    if (it != q.end()) {
        alarm->set_shown_count(0);
        q.erase(it);
        removed = true;
    }
}

Seeder_alarm_screen* TAlarmManager::next()
{
    current_alarm = nullptr;
    for (auto& q : queues) {
        if (q.empty())
            continue;
        current_alarm = q.front();
        unsigned shown = current_alarm->get_shown_count() + 1;
        unsigned limit = current_alarm->get_repeat_limit();
        if (limit != 0 && shown >= limit) {
            // Shown often enough: out of the queue, still flagged queued so
            // that it is not queued again while it stays active.
            current_alarm->set_shown_count(0);
        } else {
            current_alarm->set_shown_count(shown);
            q.push_back(current_alarm);
        }
        q.erase(q.begin());
        break;
    }
    return current_alarm;
}
