// The low-level and empty alarms of each tank.
#pragma once

#include "apps/sowvane/screens/Alarm_settings_mask.h"

class TankAlarmsMask : public Alarm_settings_mask {
public:
    TankAlarmsMask(const char* name, Screen_man* man);
};
