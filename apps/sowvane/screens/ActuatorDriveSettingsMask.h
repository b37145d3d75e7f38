// The actuator drive of a granular tank: encoder teeth, tank clutch, style.
#pragma once

#include "apps/sowvane/screens/Tank_drive_mask.h"

class ActuatorDriveSettingsMask
    : public Tank_drive_mask<Screen_object_ids::Group_actuator_drive_settings_mask, 4, 1, 2> {
public:
    using Ids = Screen_object_ids::Group_actuator_drive_settings_mask;
    static constexpr double MAX_TEETH = 255.0;
    ActuatorDriveSettingsMask(const char* name, Screen_man* man);

protected:
    void refresh() override;
};
