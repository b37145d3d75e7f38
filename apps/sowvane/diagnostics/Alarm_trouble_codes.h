#pragma once
// The implement's trouble codes, one per element of the live data store's
// alarms record (trouble_codes.def): what the diagnostics report in DM1 and
// DM2 and what an alarm's pop-up shows.

#include "apps/sowvane/data_store/alarm_elements.h"

#include <cstdint>

struct Alarm_trouble_code {
    // The number the implement's error report gives the code: its place in
    // the table, from 1.
    unsigned short err_code = 0;
    uint32_t spn = 0;
    uint32_t fmi = 0;
    const char* text = "";   // the row's text
    unsigned element = 0;    // its element in the row
    unsigned elements = 0;   // the row's elements
};

// Calls visit(alarm element, its code) for every element of every row, in
// row order.
template <typename Visit>
void for_each_alarm_trouble_code(const ds_alarms& alarms, Visit&& visit)
{
    unsigned short err_code = 0;
#define TROUBLE_CODE(alarm, row_spn, row_fmi, row_text)                                                   \
    for (unsigned i = 0, n = alarm_element_count(alarms.alarm); i < n; i++) {                             \
        Alarm_trouble_code code;                                                                          \
        code.err_code = ++err_code;                                                                       \
        code.spn = uint32_t(row_spn) + i;                                                                 \
        code.fmi = uint32_t(row_fmi);                                                                     \
        code.text = row_text;                                                                             \
        code.element = i;                                                                                 \
        code.elements = n;                                                                                \
        visit(alarm_element(alarms.alarm, i), code);                                                      \
    }
#include "apps/sowvane/diagnostics/trouble_codes.def"
#undef TROUBLE_CODE
}

// The code of one element of `alarms`, found by its address; false when
// `element` is none of them.
bool find_alarm_trouble_code(const ds_alarms& alarms, const ds_alarm* element, Alarm_trouble_code& code);
