#include "apps/sowvane/screens/MultiTankCal3Mask.h"

#include "apps/sowvane/screens/Calibration_factor.h"

using Ids = MultiTankCal3Mask::Ids;
using Row = Key_row<Ids>;
using namespace multi_tank_cal;

const Row MultiTankCal3Mask::key_rows[4] = {
    {&Ids::key_ignore_all, Row::KEY, nullptr},
    {&Ids::key_accept_all, Row::KEY, nullptr},
    {&Ids::key_save, Row::KEY, nullptr},
    {&Ids::key_back, Row::KEY, "multi_tank_cal_2_mask"},
};

MultiTankCal3Mask::MultiTankCal3Mask(const char* name, Screen_man* man) : Data_screen(name, man) {}

MultiTankCal3Mask::~MultiTankCal3Mask() = default;

bool MultiTankCal3Mask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().multi_tank_cal_3_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    for (int k = 0; k < 4; ++k)
        key_slots[k] = find_pool_object<VT::Object_pointer_obj>(p, ids.key_slot[k]);
    // The tanks calibrated here are granular: their factors are masses per
    // shaft revolution, in the mass unit in force, which the first tank's
    // old factor writes into the caption over the factors.
    const Stat_num_format kg(Units_man::UNITS_MASS_PER_REV, 0.001, 3);
    const Stat_num_format lb(Units_man::UNITS_MASS_PER_REV, 0.00045359237, 3);
    const Stat_num_format tenths(Units_man::UNITS_NONE, 0.1, 1);
    VT::Output_string_obj* factor_units = find_pool_object<VT::Output_string_obj>(p, ids.text);
    for (unsigned i = 0; i < TANKS; ++i) {
        Tank& t = tanks[i];
        t.row = find_pool_object<VT::Container_obj>(p, ids.tank_row[i]);
        t.not_accepted_marker = find_pool_object<VT::Container_obj>(p, ids.not_accepted_marker[i]);
        t.accepted_marker = find_pool_object<VT::Container_obj>(p, ids.accepted_marker[i]);
        t.out_of_range_marker = find_pool_object<VT::Container_obj>(p, ids.out_of_range_marker[i]);
        t.name.init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.tank_name[i]), p, 200);
        t.name = "";
        t.old_factor.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.old_factor[i]), 200, kg, lb, nullptr,
                          Stat_num::RAW_MAX, 0, p, i == 0 ? factor_units : nullptr);
        t.new_factor.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.new_factor[i]), 200, kg, lb, nullptr,
                          Stat_num::RAW_MAX, 0, p, nullptr);
        t.difference.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.difference[i]), 1000, tenths, tenths,
                          nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
        t.accept.init(this, VT::Object_pool::NULL_ID, (unsigned short)ids.accept_button[i]);
        t.ignore.init(this, VT::Object_pool::NULL_ID, (unsigned short)ids.ignore_button[i]);
    }
    return true;
}

void MultiTankCal3Mask::refresh_tank(unsigned i)
{
    show_container(tanks[i].row, is_cal_tank(*parameters, i));
    show_tank_name(*parameters, i, tanks[i].name);
    send_val_updates(false);
}

void MultiTankCal3Mask::post_snapshot_init()
{
    if (parameters == nullptr)
        return;
    show_key(key_slots[0], mask_ids().multi_tank_cal_3_mask.key_ignore_all);
    for (unsigned i = 0; i < TANKS; ++i)
        refresh_tank(i);
}

bool MultiTankCal3Mask::activate()
{
    const bool ok = Data_screen::activate();
    if (parameters == nullptr)
        return ok;
    for (unsigned i = 0; i < TANKS; ++i) {
        Tank& t = tanks[i];
        show_container(t.row, false);
        t.old_factor.set_val(parameters->app.channels[i].cal_setting.get());
        const auto& channel = ds().channels.channels[i];
        const double revs = store_float(&channel.cal_act_revs);
        const double estimate = store_float(&channel.cal_est_weight);
        const double actual = store_float(&channel.cal_act_weight);
        const double ratio = estimate > 0 ? actual / estimate : 0.0;
        t.computed = revs > 0 ? actual / revs : 0.0;
        t.new_factor.set_val(t.computed);
        const double difference = ratio != 0.0 ? ratio * 100.0 - 100.0 : 0.0;
        t.difference.set_val(difference);
        // A factor outside the range of its unit cannot be saved: the tank
        // says so in place of SAVE and IGNORE.
        t.out_of_range = !tank_factor_range(0).holds(t.computed);
        if (t.out_of_range && is_cal_tank(*parameters, i))
            std::printf("Tank %u: new factor %lf out of range, cannot be saved\n", i + 1, t.computed);
        t.accepted = false;
        show_container(t.accepted_marker, false);
        show_container(t.not_accepted_marker, !(difference == 0.0 && estimate != 0.0) && !t.out_of_range);
        show_container(t.out_of_range_marker, t.out_of_range);
        refresh_tank(i);
    }
    return ok;
}

void MultiTankCal3Mask::set_accepted(unsigned i, bool v)
{
    Tank& t = tanks[i];
    const double difference = t.difference.get_stat_val();
    const double old_factor = t.old_factor.get_stat_val();
    const double new_factor = t.new_factor.get_stat_val();
    if ((difference == 0.0 && old_factor == 0.0 && new_factor == 0.0) || (difference == 0.0 && old_factor != 0.0) ||
        t.out_of_range) {
        show_container(t.not_accepted_marker, false);
        show_container(t.accepted_marker, false);
        t.accepted = false;
        return;
    }
    show_container(t.not_accepted_marker, !v);
    show_container(t.accepted_marker, v);
    t.accepted = v;
}

bool MultiTankCal3Mask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev) || parameters == nullptr)
        return true;
    switch (keys.find(a)) {
    case KEY_IGNORE_ALL:
    case KEY_ACCEPT_ALL:
        for (unsigned i = 0; i < TANKS; ++i)
            set_accepted(i, keys.find(a) == KEY_ACCEPT_ALL);
        break;
    case KEY_SAVE:
        for (unsigned i = 0; i < TANKS; ++i) {
            if (!tanks[i].accepted)
                continue;
            const float f = float(tanks[i].computed); // as computed, not as shown
            parameters->app.channels[i].cal_setting.set(f);
            const int p = int(cds_get_word(ds_head(), &ds().channels.channels[i].product_number));
            if (index_in_range("product", p, 16))
                parameters->app.products[unsigned(p)].product_cal_factor.set(f);
        }
        get_man()->switch_to_screen("product_settings_menu");
        break;
    default:
        keys.switch_for(get_man(), a);
        break;
    }
    for (unsigned i = 0; i < TANKS; ++i) {
        if (&a == &tanks[i].accept)
            set_accepted(i, true);
        else if (&a == &tanks[i].ignore)
            set_accepted(i, false);
    }
    return true;
}
