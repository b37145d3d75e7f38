#include "apps/sowvane/screens/AdvancedSettingsMask.h"

using Ids = AdvancedSettingsMask::Ids;
using Row = Key_row<Ids>;

namespace {
constexpr int TANKS = 10;
constexpr int BOOMS = 6;
} // namespace

bool calibration_drive_tank_qualifies(int i)
{
    if (!index_in_range("calibration drive tank", i, TANKS))
        return false;
    const auto& tank = ps().app.channels[unsigned(i)];
    if (!tank.enabled.get())
        return true;
    return tank.mode.get() == 0 && tank.granular_controller_type.get() == 1;
}

void check_calibration_drive_channel()
{
    const int c = ps().app.calibration_drive_channel.get();
    if (c < 0)
        return;
    if (!calibration_drive_tank_qualifies(c))
        ps().app.calibration_drive_channel.set(-1);
}

const Row AdvancedSettingsMask::key_rows[4] = {
    {&Ids::key_settings_menu, Row::KEY, "settings_menu"},
    {&Ids::key_main, Row::KEY, "main"},
    {&Ids::vt_switch_button, Row::BUTTON, nullptr},
    {&Ids::factory_reset_button, Row::BUTTON, "factory_reset_mask"},
};

const List_row<Ids> AdvancedSettingsMask::list_rows[LIST_ROWS] = {
    {&Ids::enable_tc_list, SETTING_REF(system.tc_enabled)},
    {&Ids::enable_tc_boom_list, SETTING_REF(app.vt_mode_enable_tc_boom_section)},
};

AdvancedSettingsMask::AdvancedSettingsMask(const char* name, Screen_man* man) : Data_screen(name, man) {}

AdvancedSettingsMask::~AdvancedSettingsMask() = default;

bool AdvancedSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().advanced_settings_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    lists.bind(*this, p, ids);
    return true;
}

void AdvancedSettingsMask::update_lists()
{
    if (parameters != nullptr)
        lists.load(*parameters, 0);
}

void AdvancedSettingsMask::post_snapshot_init()
{
    update_lists();
}

bool AdvancedSettingsMask::activate()
{
    const bool ok = Data_screen::activate();
    update_lists();
    return ok;
}

void AdvancedSettingsMask::set_tc_booms(bool enabled)
{
    auto& booms = parameters->app.booms;
    if (enabled) {
        booms.num_booms.set(1);
        booms.booms[0].num_sections.set(1);
        for (unsigned b = 1; b < BOOMS; ++b)
            booms.booms[b].num_sections.set(0);
        booms.booms[0].sections[0].width.set(double(parameters->app.machine_width.get()));
    } else {
        for (unsigned b = 0; b < BOOMS; ++b)
            booms.booms[b].num_sections.set(0);
        booms.num_booms.set(0);
    }
}

bool AdvancedSettingsMask::handle_stat_update(Stat* s)
{
    if (parameters == nullptr || !lists.store(s, *parameters, 0))
        return false;
    if (s == &lists[ENABLE_TC_BOOM])
        set_tc_booms(lists[ENABLE_TC_BOOM].get_item() != 0);
    const bool reset = true;
    cds_set_bool(ds_head(), &ds().system.reset_tc, &reset);
    return false;
}

bool AdvancedSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev))
        return true;
    if (keys.find(a) == VT_SWITCH) {
        std::printf("next available VT is %d\r\n", pool != nullptr ? pool->get_next_vt() : -1);
        std::printf("switch_next_vt() returned %d\r\n", pool != nullptr ? pool->switch_next_vt() : -1);
        return true;
    }
    keys.switch_for(get_man(), a);
    return true;
}
