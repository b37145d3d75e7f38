// The no-flow alarms: all tanks off, no ground speed, no fan speed, no fan
// pressure.
#pragma once

#include "apps/sowvane/screens/Alarm_settings_mask.h"

class NoFlowAlarmsMask : public Alarm_settings_mask {
public:
    NoFlowAlarmsMask(const char* name, Screen_man* man);
};
