// The shaft alarm of each tank.
#pragma once

#include "apps/sowvane/screens/Alarm_settings_mask.h"

class ShaftAlarmsMask : public Alarm_settings_mask {
public:
    ShaftAlarmsMask(const char* name, Screen_man* man);
};
