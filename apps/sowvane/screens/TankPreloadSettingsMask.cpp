#include "apps/sowvane/screens/TankPreloadSettingsMask.h"

using Ids = TankPreloadSettingsMask::Ids;
using Row = Key_row<Ids>;

const Row TankPreloadSettingsMask::key_rows[3] = {
    SEEDER_SETTINGS_KEYS(Ids),
};

// The whole input range is shown: a stored 12 s shows as 12 s.
const Number_row<Ids> TankPreloadSettingsMask::number_rows[1] = {
    {&Ids::preload_time_input, SETTING_REF(app.preload_time), {Units_man::UNITS_NONE, 0.1, 1},
     {Units_man::UNITS_NONE, 0.1, 1}, 0.0, 15.0, 1.0},
};

TankPreloadSettingsMask::TankPreloadSettingsMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

TankPreloadSettingsMask::~TankPreloadSettingsMask() = default;

bool TankPreloadSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().tank_preload_settings_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    numbers.bind(*this, p, ids);
    return true;
}

void TankPreloadSettingsMask::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    numbers.load(*parameters, 0);
    send_val_updates(false);
}

bool TankPreloadSettingsMask::handle_stat_update(Stat* s)
{
    return parameters != nullptr && numbers.store(s, *parameters, 0);
}

bool TankPreloadSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
