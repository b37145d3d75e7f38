#include "apps/sowvane/screens/MultiTankCalWarningMask.h"

using Ids = MultiTankCalWarningMask::Ids;
using Row = Key_row<Ids>;

const Row MultiTankCalWarningMask::key_rows[2] = {
    {&Ids::key_next, Row::KEY, "multi_tank_cal_1_mask"},
    {&Ids::key_back, Row::KEY, "product_settings_menu"},
};

MultiTankCalWarningMask::MultiTankCalWarningMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

MultiTankCalWarningMask::~MultiTankCalWarningMask()
{
    if (get_waiter() != nullptr && listener.get_head() != nullptr)
        cds_unlisten(listener, get_waiter());
}

bool MultiTankCalWarningMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    if (!bind_data_mask(*this, p, params, mask_ids().multi_tank_cal_1_mask.data_mask))
        return false;
    keys.bind(this, mask_ids().multi_tank_cal_warning_mask);
    return true;
}

void MultiTankCalWarningMask::post_snapshot_init()
{
    if (listener.get_head() == nullptr)
        cds_listen(listener, &ds().internal, int(sizeof(ds_internal)), get_waiter());
    send_val_updates(false);
}

bool MultiTankCalWarningMask::activate()
{
    const bool ok = Data_screen::activate();
    send_val_updates(false);
    return ok;
}

bool MultiTankCalWarningMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
