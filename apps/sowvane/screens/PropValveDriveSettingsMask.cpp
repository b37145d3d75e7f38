#include "apps/sowvane/screens/PropValveDriveSettingsMask.h"

using Ids = PropValveDriveSettingsMask::Ids;
using M = PropValveDriveSettingsMask;

namespace {
const Key_row<Ids> keys[5] = {
    {&Ids::control_settings_button, Key_row<Ids>::BUTTON, "prop_valve_control_settings_mask"},
    TANK_DRIVE_KEYS(Ids),
};
const Stat_num_format hundredths(Units_man::UNITS_NONE, 0.01, 2);
const Stat_num_format whole(Units_man::UNITS_NONE, 1.0, 0);
const Number_row<Ids> numbers[5] = {
    {&Ids::encoder_pulses_rev, SETTING_REF(app.channels[i].pvalve_granular_encoder_ratio), hundredths, hundredths,
     0.0, 1000.0, 1.0},
    {&Ids::gear_ratio, SETTING_REF(app.channels[i].pvalve_granular_gear_ratio), hundredths, hundredths, 0.0, 1000.0,
     1.0},
    {&Ids::shaft_pulses_rev, SETTING_REF(app.channels[i].pvalve_granular_shaft_sensor_ratio), hundredths,
     hundredths, 0.0, 1000.0, 1.0},
    {&Ids::min_shaft_rpm, SETTING_REF(app.channels[i].pvalve_granular_min_rpm), whole, whole, 0.0, 10000.0, 1.0},
    {&Ids::max_shaft_rpm, SETTING_REF(app.channels[i].pvalve_granular_max_rpm), whole, whole, 0.0, 10000.0, 1.0},
};
// The clutch list shows and sets one bit of the mode byte; the other bits stay.
const Setting_ref clutch_bit = {
    [](NV_kelsu::parameters_t& ps, unsigned i) -> double {
        return (ps.app.channels[i].pvalve_granular_mode.get() & M::CLUTCH_BIT) ? 1.0 : 0.0;
    },
    [](NV_kelsu::parameters_t& ps, unsigned i, double v) -> bool {
        auto& mode = ps.app.channels[i].pvalve_granular_mode;
        const unsigned old = mode.get();
        return mode.set((unsigned char)(v != 0.0 ? old | M::CLUTCH_BIT : old & ~M::CLUTCH_BIT));
    },
};
const List_row<Ids> lists[2] = {
    {&Ids::tank_clutch, clutch_bit},
    {&Ids::shaft_sensor, SETTING_REF(app.channels[i].pvalve_granular_using_shaft_sensor)},
};
const M::Rows rows = {&Screen_object_ids::prop_valve_drive_settings_mask, keys, numbers, lists,
                      "PropValveDriveSettingsMask::handle_stat_update ()\n"};
} // namespace

PropValveDriveSettingsMask::PropValveDriveSettingsMask(const char* name, Screen_man* man)
    : Tank_drive_mask(name, man, rows)
{
}
