#include "apps/sowvane/screens/AreaTestMask.h"

#include <cstring>

using Ids = AreaTestMask::Ids;
using Row = Key_row<Ids>;
using M = AreaTestMask;

namespace {

constexpr unsigned short NONE = VT::Object_pool::NULL_ID;
constexpr double KMH_TO_MS = 1.0 / 3.6;
constexpr double TICK_S = 0.1;
constexpr double M2_PER_HA = 10000.0;

struct Step_face {
    const char* text;
    int slot_keys[M::SLOTS]; // the key each slot shows, -1 nothing
    bool area_editable;
};
const Step_face step_faces[4] = {
    {"Step 1/4) Set Required Area, then press Start to begin area test.",
     {M::KEY_SETTINGS_MENU, M::KEY_MAIN, M::KEY_START, -1}, true},
    {"Step 2/4) Area test in progress. Test will stop when required area has been reached.",
     {-1, -1, M::KEY_PAUSE, -1}, false},
    {"Step 3/4) Area test paused. Press Resume to continue, or Reset to abort/restart.",
     {-1, -1, M::KEY_RESUME, M::KEY_RESET}, false},
    {"Step 4/4) Area test completed. Press Reset to restart test.",
     {M::KEY_SETTINGS_MENU, M::KEY_MAIN, -1, M::KEY_RESET}, false},
};

template <class T>
void store(T* field, T value)
{
    cds_set(ds_head(), field, value);
}

} // namespace

const Row AreaTestMask::key_rows[KEYS] = {
    {&Ids::key_settings_menu, Row::KEY, nullptr}, {&Ids::key_main, Row::KEY, nullptr},
    {&Ids::key_start, Row::KEY, nullptr},         {&Ids::key_pause, Row::KEY, nullptr},
    {&Ids::key_resume, Row::KEY, nullptr},        {&Ids::key_reset, Row::KEY, nullptr},
};

AreaTestMask::AreaTestMask(const char* name, Screen_man* man) : Data_screen(name, man)
{
    timeout.set_period(PERIOD_MS);
}

AreaTestMask::~AreaTestMask()
{
    if (get_waiter() != nullptr && listener.get_head() != nullptr)
        cds_unlisten(listener, get_waiter());
}

bool AreaTestMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().area_test_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    indicator_states[0] = (unsigned short)ids.indicator_state_off;
    indicator_states[1] = (unsigned short)ids.indicator_state_on;
    const Stat_num_format kg(Units_man::UNITS_MASS, 0.1, 1), lb(Units_man::UNITS_MASS, 0.0045359237, 2);
    for (unsigned i = 0; i < TANKS; ++i) {
        rows[i] = find_pool_object<VT::Container_obj>(p, ids.tank_row[i]);
        indicators[i].init(&stats);
        indicator_clients[i].init(find_pool_object<VT::Rectangle_obj>(p, ids.tank_indicator[i]), indicator_states, 2);
        indicators[i].add_client(&indicator_clients[i]);
        weights[i].init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.tank_weight[i]), 0, kg, lb, nullptr,
                        Stat_num::RAW_MAX, 0, p, find_pool_object<VT::Output_string_obj>(p, ids.tank_weight_units[i]));
    }
    const Stat_num_format hectares(Units_man::UNITS_AREA_LG2, 0.01, 2);
    required_stat.init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.target_area_input),
                       find_pool_object<VT::Output_number_obj>(p, ids.target_area_output),
                       find_pool_object<VT::Object_pointer_obj>(p, ids.target_area_pointer),
                       find_pool_object<VT::Number_variable_obj>(p, ids.target_area_variable), 200, hectares,
                       hectares, Stat_num::RAW_MAX, 0, p, nullptr);
    required_stat.set_editable(false);
    required_stat.set_range(0.01, 10.0);
    covered_stat.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.measured_area), 0,
                      Stat_num_format(Units_man::UNITS_AREA_LG, 100.0, 2),
                      Stat_num_format(Units_man::UNITS_AREA_LG, 40.468564224, 2), nullptr, Stat_num::RAW_MAX, 0, p,
                      find_pool_object<VT::Output_string_obj>(p, ids.measured_area_units));
    text_stat.init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.step_text), p, 1000);
    uint32_t Ids::*const slot_fields[SLOTS] = {&Ids::settings_menu_key_slot, &Ids::main_key_slot,
                                              &Ids::run_key_slot, &Ids::reset_key_slot};
    for (int s = 0; s < SLOTS; ++s)
        key_slots[s] = find_pool_object<VT::Object_pointer_obj>(p, ids.*slot_fields[s]);
    uint32_t Ids::*const key_fields[KEYS] = {&Ids::key_settings_menu, &Ids::key_main,   &Ids::key_start,
                                            &Ids::key_pause,         &Ids::key_resume, &Ids::key_reset};
    for (int k = 0; k < KEYS; ++k)
        key_ids[k] = (unsigned short)(ids.*key_fields[k]);
    return true;
}

unsigned short AreaTestMask::slot_shows(slot_t s) const
{
    return key_slots[s] != nullptr ? key_slots[s]->get_value() : NONE;
}

unsigned AreaTestMask::step() const
{
    return cds_get_word(ds_head(), &ds().internal.current_area_test_step);
}

bool AreaTestMask::is_test_tank(unsigned i) const
{
    if (parameters == nullptr || i >= TANKS)
        return false;
    auto& tank = parameters->app.channels[i];
    if (tank.mode.get() != 0 || !tank.enabled.get())
        return false;
    ds_channel channel;
    cds_get_channel(&channel, ds_head(), &ds().channels.channels[i]);
    if (!channel.product_assigned || channel.product_number < 0 || channel.product_number >= 16)
        return false;
    return parameters->app.products[unsigned(channel.product_number)].product_cal_factor.get() > 0.0f;
}

void AreaTestMask::start_run()
{
    store(&ds().operation.calibration_state, 1);
    for (unsigned i = 0; i < TANKS; ++i) {
        if (!is_test_tank(i) || !cds_get_byte(ds_head(), &ds().channels.channels[i].active))
            continue;
        store(&ds().diagnostics.shaft[i].pulse_count, 0u);
        store(&ds().operation.tank[i].calibrating_tank, true);
    }
}

void AreaTestMask::reset_test()
{
    store(&ds().operation.master_switch_active, false);
    store(&ds().operation.ignore_tank_switches, false);
    store(&ds().operation.calibration_state, 0);
    for (unsigned i = 0; i < TANKS; ++i) {
        if (!is_test_tank(i))
            continue;
        store(&ds().operation.tank[i].calibrating_tank, false);
        store(&ds().diagnostics.shaft[i].pulse_count, 0u);
    }
    area_covered = 0.0f;
}

void AreaTestMask::set_step(unsigned n)
{
    const unsigned old = step();
    switch (n) {
    case STEP_SETUP:
        reset_test();
        break;
    case STEP_RUNNING:
        if (old == STEP_SETUP) {
            store(&ds().operation.ignore_tank_switches, true);
            for (unsigned i = 0; i < TANKS; ++i) {
                if (is_test_tank(i))
                    continue;
                store(&ds().channels.channels[i].active, false);
                Debug_print::dprint("AreaTestMask-disable tank %i\n", int(i));
            }
        }
        store(&ds().operation.master_switch_active, true);
        break;
    default:
        store(&ds().operation.master_switch_active, false);
        break;
    }
    store(&ds().internal.current_area_test_step, n);
}

void AreaTestMask::refresh_values()
{
    required_stat.set_val(area_required);
    covered_stat.set_val(area_covered);
    if (parameters == nullptr)
        return;
    for (unsigned i = 0; i < TANKS; ++i) {
        if (!is_test_tank(i) || !cds_get_byte(ds_head(), &ds().channels.channels[i].active))
            continue;
        float ratio;
        const unsigned bits = cds_get_word(ds_head(), &ds().channels.channels[i].encoder_ratio);
        std::memcpy(&ratio, &bits, sizeof ratio);
        const double pulses = cds_get_word(ds_head(), &ds().diagnostics.shaft[i].pulse_count);
        const double revs = ratio != 0.0f ? pulses / double(ratio) : 0.0;
        weights[i].set_val(double(parameters->app.channels[i].cal_setting.get()) * revs);
    }
}

void AreaTestMask::update_indicators()
{
    for (unsigned i = 0; i < TANKS; ++i) {
        if (!is_test_tank(i))
            continue;
        ds_channel channel;
        cds_get_channel(&channel, ds_head(), &ds().channels.channels[i]);
        indicators[i].set_state(channel.active ? 1 : 0);
    }
}

void AreaTestMask::update_from_cds()
{
    if (!is_active())
        return;
    const unsigned s = step();
    if (s < 4) {
        const Step_face& face = step_faces[s];
        text_stat = face.text;
        for (int k = 0; k < SLOTS; ++k) {
            const unsigned short shown = face.slot_keys[k] >= 0 ? key_ids[face.slot_keys[k]] : NONE;
            if (key_slots[k] != nullptr && key_slots[k]->get_value() != shown)
                key_slots[k]->set_value(shown);
        }
        required_stat.set_editable(face.area_editable);
    }
    if (s == STEP_SETUP)
        refresh_values();
    update_indicators();
    send_val_updates(false);
}

void AreaTestMask::post_snapshot_init()
{
    if (listener.get_head() == nullptr)
        cds_listen(listener, &ds().internal, int(sizeof(ds_internal)), get_waiter());
}

void AreaTestMask::handle_virt_listener_event(Listener* l)
{
    if (l == &listener)
        update_from_cds();
    send_val_updates(false);
}

bool AreaTestMask::activate()
{
    const bool ok = Data_screen::activate();
    for (unsigned i = 0; i < TANKS; ++i)
        show_container(rows[i], is_test_tank(i));
    // A test in progress (the mask shown again after an alarm pop-up)
    // resumes where it was; only a test at its set-up step starts afresh.
    const unsigned s = step();
    if (s == STEP_SETUP)
        reset_test();
    else if (s == STEP_RUNNING || s == STEP_PAUSED)
        store(&ds().operation.ignore_tank_switches, true);
    update_from_cds();
    submit_timeout(timeout, PERIOD_MS);
    if (!cds_get_byte(ds_head(), &ds().operation.use_manual_speed)) {
        store(&ds().operation.use_manual_speed, true);
        set_manual_speed = true;
    }
    if (parameters != nullptr) {
        held_cal_swbox.hold(parameters->app.swbox_cal_swbox_type, 0);
        held_remote_master.hold(parameters->app.swbox_remote_master_mode, 0);
    }
    return ok;
}

bool AreaTestMask::deactivate()
{
    const bool ok = Data_screen::deactivate();
    remove_timeout(timeout);
    store(&ds().operation.ignore_tank_switches, false);
    if (set_manual_speed) {
        store(&ds().operation.use_manual_speed, false);
        set_manual_speed = false;
    }
    held_remote_master.release();
    held_cal_swbox.release();
    return ok;
}

bool AreaTestMask::send_timeout(Timeout& t)
{
    if (&t != &timeout || parameters == nullptr)
        return true;
    const unsigned s = step();
    if (s == STEP_SETUP)
        update_indicators();
    if (s == STEP_RUNNING) {
        const double speed = parameters->app.manual_speed.get() * KMH_TO_MS;
        area_covered += float(parameters->app.machine_width.get() * speed * TICK_S);
        if (area_covered >= area_required * M2_PER_HA)
            set_step(STEP_DONE);
    }
    if (s == STEP_RUNNING || s == STEP_DONE)
        refresh_values();
    send_val_updates(false);
    return true;
}

bool AreaTestMask::handle_stat_update(Stat* s)
{
    if (s != &required_stat)
        return false;
    area_required = float(required_stat.get_stat_val());
    refresh_values();
    return true;
}

bool AreaTestMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev))
        return true;
    switch (keys.find(a)) {
    case KEY_MAIN:
        set_step(STEP_SETUP);
        get_man()->switch_to_screen("main");
        break;
    case KEY_SETTINGS_MENU:
        set_step(STEP_SETUP);
        get_man()->switch_to_screen("settings_menu");
        break;
    case KEY_START:
        start_run();
        set_step(STEP_RUNNING);
        break;
    case KEY_PAUSE:
        set_step(STEP_PAUSED);
        break;
    case KEY_RESUME:
        set_step(STEP_RUNNING);
        break;
    case KEY_RESET:
        set_step(STEP_SETUP);
        break;
    default:
        break;
    }
    return true;
}
