#include "apps/sowvane/screens/ActuatorDriveSettingsMask.h"

using Ids = ActuatorDriveSettingsMask::Ids;

namespace {
const Key_row<Ids> keys[4] = {TANK_DRIVE_KEYS(Ids)};
const Number_row<Ids> numbers[1] = {
    {&Ids::encoder_teeth, SETTING_REF(app.channels[i].act_encoder_ratio), {Units_man::UNITS_NONE, 0.1, 1},
     {Units_man::UNITS_NONE, 0.1, 1}, 0.0, ActuatorDriveSettingsMask::MAX_TEETH, 1.0},
};
const List_row<Ids> lists[2] = {
    {&Ids::clutch, SETTING_REF(app.channels[i].act_using_tank_clutch)},
    {&Ids::style, SETTING_REF(app.channels[i].actuator_style)},
};
const ActuatorDriveSettingsMask::Rows rows = {&Screen_object_ids::actuator_drive_settings_mask, keys, numbers, lists,
                                              "ActuatorDriveSettingsMask::handle_stat_update ()\n"};
} // namespace

ActuatorDriveSettingsMask::ActuatorDriveSettingsMask(const char* name, Screen_man* man)
    : Tank_drive_mask(name, man, rows)
{
}

void ActuatorDriveSettingsMask::refresh()
{
    if (parameters != nullptr && has_tank()) {
        auto& ratio = parameters->app.channels[tank_].act_encoder_ratio;
        if (ratio.get() > MAX_TEETH)
            ratio.set(float(MAX_TEETH));
    }
    Tank_drive_mask::refresh();
}
