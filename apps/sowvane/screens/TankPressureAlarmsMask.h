// The liquid pressure alarms of each tank: low and high, each with its
// alarm point.
#pragma once

#include "apps/sowvane/screens/Alarm_settings_mask.h"

class TankPressureAlarmsMask : public Alarm_settings_mask {
public:
    TankPressureAlarmsMask(const char* name, Screen_man* man);
};
