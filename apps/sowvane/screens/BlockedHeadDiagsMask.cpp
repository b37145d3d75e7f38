#include "apps/sowvane/screens/BlockedHeadDiagsMask.h"

using Ids = BlockedHeadDiagsMask::Ids;
using Row = Key_row<Ids>;

const Row BlockedHeadDiagsMask::key_rows[3] = {
    {&Ids::key_main, Row::KEY, "main"},
    {&Ids::key_actuator_diagnostics, Row::KEY, "actuator_diagnostics"},
    {&Ids::key_system_info, Row::KEY, "system_info_mask"},
};

BlockedHeadDiagsMask::BlockedHeadDiagsMask(const char* name, Screen_man* man) : Data_screen(name, man)
{
    timeout.set_period(PERIOD_MS);
}

BlockedHeadDiagsMask::~BlockedHeadDiagsMask() = default;

bool BlockedHeadDiagsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().blocked_head_diags_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    for (int k = 0; k < ROWS; ++k) {
        rows[k].init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.input_bits[k]), p, 400);
        rows[k] = "00000000";
    }
    return true;
}

void BlockedHeadDiagsMask::bits_to_text(unsigned char byte, char out[9])
{
    for (int j = 0; j < 8; ++j)
        out[j] = (byte & (0x80u >> j)) ? '1' : '0';
    out[8] = '\0';
}

void BlockedHeadDiagsMask::update_input_bits()
{
    for (int k = 0; k < ROWS; ++k) {
        char text[9];
        bits_to_text(cds_get_byte(ds_head(), &ds().monitor_ecus.monitor_inputs_active[k]), text);
        rows[k] = text;
    }
    send_val_updates(false);
}

void BlockedHeadDiagsMask::post_snapshot_init()
{
    update_input_bits();
}

bool BlockedHeadDiagsMask::activate()
{
    const bool ok = Data_screen::activate();
    submit_timeout(timeout, PERIOD_MS);
    update_input_bits();
    return ok;
}

bool BlockedHeadDiagsMask::deactivate()
{
    const bool ok = Data_screen::deactivate();
    remove_timeout(timeout);
    return ok;
}

bool BlockedHeadDiagsMask::send_timeout(Timeout& t)
{
    if (&t == &timeout)
        update_input_bits();
    return true;
}

bool BlockedHeadDiagsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
