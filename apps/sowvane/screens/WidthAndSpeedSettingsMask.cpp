#include "apps/sowvane/screens/WidthAndSpeedSettingsMask.h"

#include "apps/sowvane/screens/Setting_ranges.h"

using Ids = WidthAndSpeedSettingsMask::Ids;
using Row = Key_row<Ids>;

namespace {
// Manual speed is kept in km/h and shown from m/s.
constexpr double KMH_TO_MS = 0.2777777777777778;
}

const Row WidthAndSpeedSettingsMask::key_rows[3] = {
    SEEDER_SETTINGS_KEYS(Ids),
};

const Number_row<Ids> WidthAndSpeedSettingsMask::number_rows[NUMBER_ROWS] = {
    {&Ids::width_input, SETTING_REF(app.machine_width), {Units_man::UNITS_DISTANCE, 0.001, 3},
     {Units_man::UNITS_DISTANCE, 0.0003048, 3}, setting_ranges::machine_width.min,
     setting_ranges::machine_width.max, 1.0},
    {&Ids::manual_speed_input, SETTING_REF(app.manual_speed), {Units_man::UNITS_SPEED, 0.02777777777777778, 1},
     {Units_man::UNITS_SPEED, 0.044704, 1}, 0.0, 50.0 * KMH_TO_MS, KMH_TO_MS},
};

const List_row<Ids> WidthAndSpeedSettingsMask::list_rows[1] = {
    {&Ids::speed_source_list, SETTING_REF(app.speed_source)},
};

WidthAndSpeedSettingsMask::WidthAndSpeedSettingsMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

WidthAndSpeedSettingsMask::~WidthAndSpeedSettingsMask() = default;

bool WidthAndSpeedSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().width_and_speed_settings_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    numbers.bind(*this, p, ids);
    lists.bind(*this, p, ids);
    for (int i = 0; i < 7; ++i)
        source_items[i] = (unsigned short)ids.speed_source_item[i];
    if (auto* list = find_pool_object<VT::Input_list_obj>(p, ids.speed_source_list)) {
        list->set_child_objects_val(SOURCE_GPS, VT::Object_pool::NULL_ID, false);
        list->set_child_objects_val(SOURCE_MANUAL, VT::Object_pool::NULL_ID, false);
    }
    return true;
}

void WidthAndSpeedSettingsMask::load()
{
    if (parameters == nullptr)
        return;
    numbers.load(*parameters, 0);
    lists.load(*parameters, 0);
    send_val_updates(false);
}

void WidthAndSpeedSettingsMask::post_snapshot_init()
{
    load();
}

// The settings may have changed elsewhere (the console, a remote data-store
// peer) since the page was last shown.
bool WidthAndSpeedSettingsMask::activate()
{
    const bool ok = Data_screen::activate();
    load();
    return ok;
}

bool WidthAndSpeedSettingsMask::handle_stat_update(Stat* s)
{
    if (parameters == nullptr)
        return false;
    if (s == &numbers[WIDTH]) {
        const float width = float(numbers[WIDTH].get_stat_val());
        if (width == parameters->app.machine_width.get())
            return true;
        std::printf("new machine width=%f\n", double(width));
        numbers.store(s, *parameters, 0);
        parameters->app.booms.booms[0].sections[0].width.set(double(parameters->app.machine_width.get()));
        const bool reset = true;
        cds_set_bool(ds_head(), &ds().system.reset_tc, &reset);
        return true;
    }
    return numbers.store(s, *parameters, 0) || lists.store(s, *parameters, 0);
}

bool WidthAndSpeedSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
