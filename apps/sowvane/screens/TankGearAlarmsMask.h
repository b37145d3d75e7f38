// The gear alarm of each tank.
#pragma once

#include "apps/sowvane/screens/Alarm_settings_mask.h"

class TankGearAlarmsMask : public Alarm_settings_mask {
public:
    TankGearAlarmsMask(const char* name, Screen_man* man);
};
