#include "apps/sowvane/diagnostics/Alarm_trouble_codes.h"

bool find_alarm_trouble_code(const ds_alarms& alarms, const ds_alarm* element, Alarm_trouble_code& code)
{
    bool found = false;
    for_each_alarm_trouble_code(alarms, [&](const ds_alarm& alarm, const Alarm_trouble_code& c) {
        if (!found && &alarm == element) {
            code = c;
            found = true;
        }
    });
    return found;
}
