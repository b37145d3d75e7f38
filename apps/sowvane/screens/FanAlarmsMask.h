// The fan alarms: low and high pressure and speed, each one enable and one
// alarm point for fans 1 and 2 together.
#pragma once

#include "apps/sowvane/screens/Alarm_settings_mask.h"

class FanAlarmsMask : public Alarm_settings_mask {
public:
    FanAlarmsMask(const char* name, Screen_man* man);
};
