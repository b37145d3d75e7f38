#include "apps/sowvane/screens/MultiTankCal2Mask.h"

using Ids = MultiTankCal2Mask::Ids;
using Row = Key_row<Ids>;
using namespace multi_tank_cal;

const Row MultiTankCal2Mask::key_rows[2] = {
    {&Ids::key_next, Row::KEY, nullptr},
    {&Ids::key_cancel, Row::KEY, "product_settings_menu"},
};

MultiTankCal2Mask::MultiTankCal2Mask(const char* name, Screen_man* man) : Data_screen(name, man) {}

MultiTankCal2Mask::~MultiTankCal2Mask() = default;

bool MultiTankCal2Mask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().multi_tank_cal_2_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    for (int k = 0; k < 2; ++k)
        key_slots[k] = find_pool_object<VT::Object_pointer_obj>(p, ids.key_slot[k]);
    const Stat_num_format kg(Units_man::UNITS_MASS, 0.001, 3), lb(Units_man::UNITS_MASS, 0.00045359237, 3);
    for (unsigned i = 0; i < TANKS; ++i) {
        rows[i] = find_pool_object<VT::Container_obj>(p, ids.tank_row[i]);
        names[i].init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.tank_name[i]), p, 200);
        names[i] = "";
        estimate[i].init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.estimated_weight[i]), 200, kg, lb,
                         nullptr, Stat_num::RAW_MAX, 0, p,
                         find_pool_object<VT::Output_string_obj>(p, ids.estimated_weight_units[i]));
        actual[i].init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.weight_input[i]),
                       find_pool_object<VT::Output_number_obj>(p, ids.weight_output[i]),
                       find_pool_object<VT::Object_pointer_obj>(p, ids.weight_pointer[i]),
                       find_pool_object<VT::Number_variable_obj>(p, ids.weight_variable[i]), 200, kg, lb, 500000, 0,
                       p, nullptr);
        actual[i].set_editable(true);
        actual[i].set_range(0.0, 50000.0);
    }
    return true;
}

void MultiTankCal2Mask::refresh_tank(unsigned i)
{
    show_container(rows[i], is_cal_tank(*parameters, i));
    show_tank_name(*parameters, i, names[i]);
    send_val_updates(false);
}

void MultiTankCal2Mask::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    const Ids& ids = mask_ids().multi_tank_cal_2_mask;
    show_key(key_slots[0], ids.key_next);
    show_key(key_slots[1], ids.key_cancel);
    for (unsigned i = 0; i < TANKS; ++i) {
        actual[i].set_val(0.0);
        refresh_tank(i);
    }
}

bool MultiTankCal2Mask::activate()
{
    const bool ok = Data_screen::activate();
    if (parameters == nullptr)
        return ok;
    for (unsigned i = 0; i < TANKS; ++i) {
        show_container(rows[i], false);
        estimate[i].set_val(store_float(&ds().channels.channels[i].cal_est_weight));
        actual[i].set_val(0.0);
        actual[i].set_editable(true);
        refresh_tank(i);
    }
    return ok;
}

bool MultiTankCal2Mask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev))
        return true;
    if (keys.find(a) == KEY_NEXT) {
        for (unsigned i = 0; i < TANKS; ++i)
            cds_set(ds_head(), &ds().channels.channels[i].cal_act_weight, float(actual[i].get_stat_val()));
        get_man()->switch_to_screen("multi_tank_cal_3_mask");
        return true;
    }
    keys.switch_for(get_man(), a);
    return true;
}
