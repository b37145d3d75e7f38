#pragma once
// The alarms record holds each alarm as one ds_alarm or as an array of them
// (per tank, fan or pump); these treat both alike.

#include "apps/sowvane/data_store/data_store_records.h"

#include <cstddef>

inline unsigned alarm_element_count(const ds_alarm&) { return 1; }
template <size_t N>
unsigned alarm_element_count(const ds_alarm (&)[N])
{
    return N;
}

inline const ds_alarm& alarm_element(const ds_alarm& alarm, unsigned) { return alarm; }
template <size_t N>
const ds_alarm& alarm_element(const ds_alarm (&alarms)[N], unsigned i)
{
    return alarms[i];
}
