// The implement's alarm pop-ups, named once: each row is one alarm kind with
// its VT alarm mask name, how many tanks or fans it covers (0: one alarm, the
// name as it stands; n: names ending in 1 to n), the setting whose limit_count
// is its repeat limit and its record in the live data store. User_interface
// creates one pop-up per alarm from it and the run screen scans the same rows.
#pragma once

#include "apps/sowvane/data_model.h"

#include <cstdio>

struct Alarm_row {
    const char* mask_name;
    int count;
    NV_kelsu::alarm_t& (*setting)(NV_kelsu::alarms_t& alarms, int index);
    ds_alarm& (*record)(ds_alarms& alarms, int index);
};

const Alarm_row* alarm_rows(int& row_count);

// Every pop-up in table order: f(mask name, setting, record).
template <class F>
void for_each_alarm(NV_kelsu::alarms_t& settings, ds_alarms& records, F f)
{
    int rows = 0;
    const Alarm_row* table = alarm_rows(rows);
    char name[64];
    for (int r = 0; r < rows; ++r) {
        const Alarm_row& row = table[r];
        for (int i = 0; i < (row.count ? row.count : 1); ++i) {
            if (row.count)
                std::snprintf(name, sizeof name, "%s%u", row.mask_name, unsigned(i + 1));
            else
                std::snprintf(name, sizeof name, "%s", row.mask_name);
            f(static_cast<const char*>(name), row.setting(settings, i), row.record(records, i));
        }
    }
}

// The number of pop-ups the table names.
int alarm_screen_count();
