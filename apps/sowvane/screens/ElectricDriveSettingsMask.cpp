#include "apps/sowvane/screens/ElectricDriveSettingsMask.h"

using Ids = ElectricDriveSettingsMask::Ids;
using M = ElectricDriveSettingsMask;

namespace {
const Key_row<Ids> keys[4] = {TANK_DRIVE_KEYS(Ids)};
const Stat_num_format hundredths(Units_man::UNITS_NONE, 0.01, 2);
const Stat_num_format whole(Units_man::UNITS_NONE, 1.0, 0);
const Number_row<Ids> numbers[5] = {
    {&Ids::gear_ratio, SETTING_REF(app.channels[i].motor_gear_ratio), hundredths, hundredths, 0.0, 1000.0, 1.0},
    {&Ids::shaft_pulses_rev, SETTING_REF(app.channels[i].motor_shaft_sensor_ratio), whole, whole, 0.0, 1000.0, 1.0},
    {&Ids::pulses_rev, SETTING_REF(app.channels[i].motor_encoder_ratio), whole, whole, 0.0, 1000.0, 1.0},
    {&Ids::max_motor_rpm, SETTING_REF(app.channels[i].motor_max_rpm), whole, whole, 0.0, 10000.0, 1.0},
    {&Ids::min_motor_rpm, SETTING_REF(app.channels[i].motor_min_rpm), whole, whole, 0.0, 10000.0, 1.0},
};
const List_row<Ids> lists[3] = {
    {&Ids::shaft_sensor, SETTING_REF(app.channels[i].motor_using_shaft_sensor)},
    {&Ids::soft_start, SETTING_REF(app.channels[i].motor_using_soft_start)},
    {&Ids::motor_selection, SETTING_REF(app.channels[i].motor_pulse_encoder)},
};
const M::Rows rows = {&Screen_object_ids::electric_drive_settings_mask, keys, numbers, lists,
                      "ElectricDriveSettingsMask::handle_stat_update ()\n"};

// Pulses per revolution, maximum and minimum rpm of the known motors.
const double motor_presets[M::KNOWN_MOTORS][M::PRESETS] = {{2, 1500, 30}, {4, 2000, 30}};
uint32_t Ids::*const preset_outputs[M::PRESETS] = {&Ids::pulses_rev_output, &Ids::max_motor_rpm_output,
                                                   &Ids::min_motor_rpm_output};
uint32_t Ids::*const input_row_fields[M::PRESETS] = {&Ids::pulses_rev_input_row, &Ids::max_rpm_input_row,
                                                     &Ids::min_rpm_input_row};
uint32_t Ids::*const output_row_fields[M::PRESETS] = {&Ids::pulses_rev_output_row, &Ids::max_rpm_output_row,
                                                      &Ids::min_rpm_output_row};
} // namespace

ElectricDriveSettingsMask::ElectricDriveSettingsMask(const char* name, Screen_man* man)
    : Tank_drive_mask(name, man, rows)
{
}

bool ElectricDriveSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    if (!Tank_drive_mask::init(p, params))
        return false;
    const Ids& ids = mask_ids().electric_drive_settings_mask;
    for (int k = 0; k < PRESETS; ++k) {
        presets[k].init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.*preset_outputs[k]),
                        SETTING_UPDATE_MS, whole, whole, nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
        input_rows[k] = find_pool_object<VT::Container_obj>(p, ids.*input_row_fields[k]);
        output_rows[k] = find_pool_object<VT::Container_obj>(p, ids.*output_row_fields[k]);
    }
    return true;
}

void ElectricDriveSettingsMask::post_snapshot_init()
{
    // The values are read when the page is shown.
    if (listener_.get_head() == nullptr)
        cds_listen(listener_, &ds().internal, int(sizeof(ds_internal)), get_waiter());
}

bool ElectricDriveSettingsMask::input_rows_shown() const
{
    return input_rows[0] != nullptr && !input_rows[0]->get_hidden();
}

void ElectricDriveSettingsMask::show_motor(unsigned selection)
{
    const bool known = selection < KNOWN_MOTORS;
    if (known)
        for (int k = 0; k < PRESETS; ++k)
            presets[k].set_val(motor_presets[selection][k]);
    for (int k = 0; k < PRESETS; ++k) {
        show_container(output_rows[k], known);
        show_container(input_rows[k], !known);
    }
}

void ElectricDriveSettingsMask::refresh()
{
    Tank_drive_mask::refresh();
    if (parameters != nullptr && has_tank())
        show_motor(parameters->app.channels[tank_].motor_pulse_encoder.get());
}

bool ElectricDriveSettingsMask::activate()
{
    for (VT::Container_obj* row : input_rows)
        show_container(row, false);
    update_from_cds();
    return Data_screen::activate();
}

bool ElectricDriveSettingsMask::store(Stat* s)
{
    if (s != &list(MOTOR))
        return false;
    lists_.store(s, *parameters, tank_);
    show_motor(list(MOTOR).get_item());
    return true;
}
