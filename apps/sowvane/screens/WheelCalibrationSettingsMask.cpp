#include "apps/sowvane/screens/WheelCalibrationSettingsMask.h"

#include "apps/sowvane/screens/WheelCalibrationMask.h"

using Ids = WheelCalibrationSettingsMask::Ids;
using Row = Key_row<Ids>;

const Row WheelCalibrationSettingsMask::key_rows[4] = {
    {&Ids::key_calibrate, Row::KEY, nullptr},
    {&Ids::key_seeder_settings_menu, Row::KEY, "seeder_settings_menu"},
    {&Ids::key_settings_menu, Row::KEY, "settings_menu"},
    {&Ids::key_main, Row::KEY, "main"},
};

const Number_row<Ids> WheelCalibrationSettingsMask::number_rows[1] = {
    {&Ids::wheel_factor_input, SETTING_REF(app.wheel_cal_factor), WheelCalibrationMask::factor_metric,
     WheelCalibrationMask::factor_imperial, 0.0, 50.0, 1.0},
};

WheelCalibrationSettingsMask::WheelCalibrationSettingsMask(const char* name, Screen_man* man)
    : Data_screen(name, man)
{
}

WheelCalibrationSettingsMask::~WheelCalibrationSettingsMask() = default;

bool WheelCalibrationSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().wheel_calibration_settings_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    numbers.bind(*this, p, ids);
    return true;
}

void WheelCalibrationSettingsMask::load()
{
    if (parameters == nullptr)
        return;
    numbers.load(*parameters, 0);
    send_val_updates(false);
}

void WheelCalibrationSettingsMask::post_snapshot_init()
{
    load();
}

bool WheelCalibrationSettingsMask::activate()
{
    const bool ok = Data_screen::activate();
    load();
    return ok;
}

bool WheelCalibrationSettingsMask::handle_stat_update(Stat* s)
{
    return parameters != nullptr && numbers.store(s, *parameters, 0);
}

bool WheelCalibrationSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev))
        return true;
    if (&a == &keys[0]) {
        const unsigned first = 0;
        cds_set_uint(ds_head(), &ds().internal.current_wheel_cal_step, &first);
        get_man()->switch_to_screen("wheel_calibration_mask");
        return true;
    }
    keys.switch_for(get_man(), a);
    return true;
}
