#include "apps/sowvane/screens/TotalsHistoryMask.h"

namespace {
constexpr double M2_PER_HA = 10000.0;
// What a machine's totals reach in its life: a VT shows them in coarser
// steps where they need more raw steps than it computes exactly.
constexpr double MAX_TOTAL_OUTPUT = 1.5e7;     // kg or litres
constexpr double MAX_TOTAL_DISTANCE = 1.0e8;   // m
}

TotalsHistoryMask::TotalsHistoryMask(const char* name, Screen_man* man)
    : History_page(name, man, &Screen_object_ids::totals_history_mask)
{
}

void TotalsHistoryMask::bind_tank_output(unsigned i, int mode)
{
    Stat_num_format metric(Units_man::UNITS_MASS, 0.1, 1), imperial(Units_man::UNITS_MASS, 0.045359237, 1);
    if (mode == 1)
        metric = imperial = Stat_num_format(Units_man::UNITS_VOLUME, 0.1, 1);
    else if (mode == 2)
        metric = Stat_num_format(Units_man::UNITS_MASS_KGN, 0.1, 1),
        imperial = Stat_num_format(Units_man::UNITS_MASS_KGN, 0.045359237, 1);
    rebind(outputs[i], &stats, find_pool_object<VT::Output_number_obj>(pool, ids_of().tank_output[i]),
           SETTING_UPDATE_MS, metric, imperial, static_cast<VT::Number_variable_obj*>(nullptr), Stat_num::RAW_MAX, 0u,
           pool, static_cast<VT::Output_string_obj*>(nullptr));
    outputs[i].set_range(0.0, MAX_TOTAL_OUTPUT);
    if (get_man() != nullptr && get_man()->get_units() != nullptr)
        outputs[i].set_units(*get_man()->get_units());
}

bool TotalsHistoryMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    if (!bind(p, params))
        return false;
    const auto& ids = ids_of();
    bind_output(area_stat, &stats, p, ids.area_output, {Units_man::UNITS_AREA_LG, 1000.0, 1},
                {Units_man::UNITS_AREA_LG, 404.68564224, 1});
    bind_output(distance_stat, &stats, p, ids.distance_output, {Units_man::UNITS_DISTANCE_LG, 1.0, 3},
                {Units_man::UNITS_DISTANCE_LG, 1.609344, 3},
                find_pool_object<VT::Output_string_obj>(p, mask_ids().common.total_distance_units));
    distance_stat.set_range(0.0, MAX_TOTAL_DISTANCE);
    bind_output(time_stat, &stats, p, ids.time_output, {Units_man::UNITS_NONE, 0.1, 1}, {Units_man::UNITS_NONE, 0.1, 1});
    bind_output(speed_stat, &stats, p, ids.max_speed_output, {Units_man::UNITS_SPEED, 0.02777777777777778, 1},
                {Units_man::UNITS_SPEED, 0.044704, 1});
    for (unsigned i = 0; i < TANKS; ++i)
        bind_tank_output(i, 0);
    return true;
}

void TotalsHistoryMask::refresh()
{
    ds_history& h = ds().history;
    area_stat.set_val(history_value(&h.machine_operating_area) * M2_PER_HA);
    distance_stat.set_val(history_value(&h.machine_operating_distance));
    time_stat.set_val(history_value(&h.machine_operating_time));
    speed_stat.set_val(history_value(&h.max_speed));
    for (unsigned i = 0; i < TANKS; ++i)
        outputs[i].set_val(history_value(&h.output[i]));
}

void TotalsHistoryMask::post_snapshot_init()
{
    listen();
    refresh();
    send_val_updates(false);
}

bool TotalsHistoryMask::activate()
{
    const bool ok = Data_screen::activate();
    if (parameters == nullptr)
        return ok;
    for (unsigned i = 0; i < TANKS; ++i) {
        const int mode = parameters->app.channels[i].mode.get();
        if (mode == output_modes[i])
            continue;
        output_modes[i] = mode;
        bind_tank_output(i, mode);
        outputs[i].set_val(history_value(&ds().history.output[i]));
    }
    return ok;
}
