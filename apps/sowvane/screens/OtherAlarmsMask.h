// Tank off with the master on, alternative rate in use (both for tanks 1 to
// 4 together, shown from tank 1), case drain and blocked head.
#pragma once

#include "apps/sowvane/screens/Alarm_settings_mask.h"

class OtherAlarmsMask : public Alarm_settings_mask {
public:
    OtherAlarmsMask(const char* name, Screen_man* man);
};
