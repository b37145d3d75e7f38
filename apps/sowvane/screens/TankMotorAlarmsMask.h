// The motor sensor and motor jam alarms of each tank.
#pragma once

#include "apps/sowvane/screens/Alarm_settings_mask.h"

class TankMotorAlarmsMask : public Alarm_settings_mask {
public:
    TankMotorAlarmsMask(const char* name, Screen_man* man);
};
