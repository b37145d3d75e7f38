#include "apps/sowvane/screens/ConfirmFactoryResetMask.h"

using Ids = ConfirmFactoryResetMask::Ids;
using Row = Key_row<Ids>;

const Row ConfirmFactoryResetMask::key_rows[2] = {
    {&Ids::key_confirm, Row::KEY, nullptr},
    {&Ids::key_cancel, Row::KEY, "advanced_settings_mask"},
};

ConfirmFactoryResetMask::ConfirmFactoryResetMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

ConfirmFactoryResetMask::~ConfirmFactoryResetMask() = default;

bool ConfirmFactoryResetMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().factory_reset_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    return true;
}

bool ConfirmFactoryResetMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev))
        return true;
    if (keys.find(a) == KEY_CONFIRM) {
        const int code = FACTORY_RESET_EXIT_CODE;
        cds_set_int(ds_head(), &ds().system.initiate_shutdown, &code);
        return true;
    }
    keys.switch_for(get_man(), a);
    return true;
}
