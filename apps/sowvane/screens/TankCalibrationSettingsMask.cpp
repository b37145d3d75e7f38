#include "apps/sowvane/screens/TankCalibrationSettingsMask.h"

#include "apps/sowvane/screens/Calibration_factor.h"

using Ids = TankCalibrationSettingsMask::Ids;
using Row = Key_row<Ids>;
using M = TankCalibrationSettingsMask;

namespace {

const char* const step_texts[4] = {
    "Step 1/4) Press Start to begin calibration",
    "Step 2/4) When sufficient product dispenses, press Next",
    "Step 3/4) Enter the weight collected, then press Next",
    "Step 4/4) Calibration Complete, Accept to confirm, Cancel no change",
};

// Which soft keys each step offers, and what may be edited.
struct Step_face {
    bool keys[M::KEYS];
    bool factor_editable;
    bool weight_editable;
};
const Step_face step_faces[4] = {
    {{true, false, false, false, false, true}, true, false},
    {{false, true, true, false, false, false}, false, false},
    {{false, true, true, false, false, false}, false, true},
    {{false, false, true, true, false, false}, true, false},
};

constexpr double LB = 0.45359237;
constexpr double PER_ACRE = 0.11208511561944565;

// Formats by tank type: weights, factor, target rate.
struct Mode_formats {
    Stat_num_format weight[2], factor[2], rate[2];
    const char* revs_label;
};
const Mode_formats granular_formats = {
    {{Units_man::UNITS_MASS, 0.001, 3}, {Units_man::UNITS_MASS, 0.001 * LB, 3}},
    {{Units_man::UNITS_MASS_PER_REV, 0.001, 3}, {Units_man::UNITS_MASS_PER_REV, 0.001 * LB, 3}},
    {{Units_man::UNITS_MASS_PER_AREA, 0.1, 1}, {Units_man::UNITS_MASS_PER_AREA, PER_ACRE, 1}},
    "Revs",
};
const Mode_formats liquid_formats = {
    {{Units_man::UNITS_VOLUME, 0.001, 3}, {Units_man::UNITS_VOLUME, 0.001, 3}},
    {{Units_man::UNITS_PULSE_PER_VOLUME, 0.001, 3}, {Units_man::UNITS_PULSE_PER_VOLUME, 0.001, 3}},
    {{Units_man::UNITS_VOLUME_PER_AREA, 0.1, 1}, {Units_man::UNITS_VOLUME_PER_AREA, 0.1, 1}},
    "Pulses",
};
const Mode_formats nh3_formats = {
    {{Units_man::UNITS_MASS_KGN, 0.1, 1}, {Units_man::UNITS_MASS_KGN, 0.01 * LB, 2}},
    {{Units_man::UNITS_PULSE_PER_KG_N, 0.001, 3}, {Units_man::UNITS_PULSE_PER_KG_N, 0.001, 3}},
    {{Units_man::UNITS_MASS_N_PER_AREA, 0.1, 1}, {Units_man::UNITS_MASS_N_PER_AREA, PER_ACRE, 1}},
    "Pulses",
};
const Mode_formats& formats_of(int mode)
{
    return mode == 1 ? liquid_formats : mode == 2 ? nh3_formats : granular_formats;
}

constexpr int FACTOR_MS = 200, WEIGHT_MS = 200, RATE_MS = 100, PRESET_MS = 1000, REVS_MS = 1000;
constexpr double MAX_WEIGHT = 50000.0, MAX_RATE = 99999.0;

template <class T>
void store(T* field, T value)
{
    cds_set(ds_head(), field, value);
}

} // namespace

const Row TankCalibrationSettingsMask::key_rows[KEYS] = {
    {&Ids::key_start, Row::KEY, nullptr},  {&Ids::key_next, Row::KEY, nullptr},
    {&Ids::key_cancel, Row::KEY, nullptr}, {&Ids::key_accept, Row::KEY, nullptr},
    {&Ids::key_preset, Row::KEY, nullptr}, {&Ids::key_back, Row::KEY, nullptr},
};

TankCalibrationSettingsMask::TankCalibrationSettingsMask(const char* name, Screen_man* man) : Data_screen(name, man)
{
    timeout.set_period(PERIOD_MS);
}

TankCalibrationSettingsMask::~TankCalibrationSettingsMask()
{
    if (get_waiter() != nullptr && listener.get_head() != nullptr)
        cds_unlisten(listener, get_waiter());
}

unsigned TankCalibrationSettingsMask::step() const
{
    return cds_get_word(ds_head(), &ds().internal.current_tank_cal_step);
}

unsigned TankCalibrationSettingsMask::tank_index() const
{
    return cds_get_word(ds_head(), &ds().internal.current_tank_cal_index);
}

unsigned TankCalibrationSettingsMask::product_index() const
{
    return cds_get_word(ds_head(), &ds().internal.current_product_index);
}

bool TankCalibrationSettingsMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().tank_calibration_settings_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    tank_number = find_pool_object<VT::Output_number_obj>(p, ids.tank_number);
    const Mode_formats& f = granular_formats;
    factor_stat.init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.factor_input),
                     find_pool_object<VT::Output_number_obj>(p, ids.factor_output),
                     find_pool_object<VT::Object_pointer_obj>(p, ids.factor_pointer),
                     find_pool_object<VT::Number_variable_obj>(p, ids.factor_variable), FACTOR_MS, f.factor[0],
                     f.factor[1], Stat_num::RAW_MAX, 0, p, find_pool_object<VT::Output_string_obj>(p, ids.factor_units));
    factor_stat.set_editable(true);
    set_factor_range(factor_stat, tank_factor_range(0));
    product_name_stat.init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.product_name), p, 200);
    product_name_stat = "";
    rate_row = find_pool_object<VT::Container_obj>(p, ids.rate_row);
    preset_row = find_pool_object<VT::Container_obj>(p, ids.preset_row);
    revs_label_stat.init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.revs_label), p, 500);
    revs_label_stat = "";
    const Stat_num_format tenths(Units_man::UNITS_NONE, 0.1, 1);
    revs_stat.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.revs_output), REVS_MS, tenths, tenths,
                   nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
    estimate_stat.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.estimated_weight), WEIGHT_MS,
                       f.weight[0], f.weight[1], nullptr, Stat_num::RAW_MAX, 0, p,
                       find_pool_object<VT::Output_string_obj>(p, ids.estimated_weight_units));
    weight_stat.init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.weight_input),
                     find_pool_object<VT::Output_number_obj>(p, ids.weight_output),
                     find_pool_object<VT::Object_pointer_obj>(p, ids.weight_pointer),
                     find_pool_object<VT::Number_variable_obj>(p, ids.weight_variable), WEIGHT_MS, f.weight[0],
                     f.weight[1], 500000, 0, p, nullptr);
    weight_stat.set_editable(false);
    weight_stat.set_range(0.0, MAX_WEIGHT);
    rate_stat.init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.rate_input), RATE_MS, f.rate[0], f.rate[1],
                   nullptr, Stat_num::RAW_MAX, 0, p, find_pool_object<VT::Output_string_obj>(p, ids.rate_units));
    rate_stat.set_editable(true);
    rate_stat.set_range(0.0, MAX_RATE);
    const Stat_num_format percent(Units_man::UNITS_NONE, 1.0, 0);
    preset_stat.init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.preset_input), PRESET_MS, percent,
                     percent, nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
    preset_stat.set_range(1.0, 100.0);
    preset_stat.set_editable(true);
    text_stat.init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.step_text), p, 1000);
    uint32_t Ids::*const slot_fields[KEYS] = {&Ids::start_key_slot,  &Ids::next_key_slot,   &Ids::cancel_key_slot,
                                             &Ids::accept_key_slot, &Ids::preset_key_slot, &Ids::back_key_slot};
    uint32_t Ids::*const key_fields[KEYS] = {&Ids::key_start,  &Ids::key_next,   &Ids::key_cancel,
                                            &Ids::key_accept, &Ids::key_preset, &Ids::key_back};
    for (int k = 0; k < KEYS; ++k) {
        key_slots[k] = find_pool_object<VT::Object_pointer_obj>(p, ids.*slot_fields[k]);
        key_ids[k] = (unsigned short)(ids.*key_fields[k]);
    }
    return true;
}

bool TankCalibrationSettingsMask::key_offered(int key) const
{
    return key >= 0 && key < KEYS && key_slots[key] != nullptr && key_slots[key]->get_value() == key_ids[key];
}

void TankCalibrationSettingsMask::set_step(unsigned s)
{
    Debug_print::dprint("NEXT STEP: %u\n", s);
    store(&ds().internal.current_tank_cal_step, s);
}

void TankCalibrationSettingsMask::apply_units_mode(unsigned i, int mode)
{
    if (i >= TANKS || mode == units_mode)
        return;
    units_mode = mode;
    const Mode_formats& f = formats_of(mode);
    const Ids& ids = mask_ids().tank_calibration_settings_mask;
    Stat_num* rebound[4] = {&weight_stat, &estimate_stat, &factor_stat, &rate_stat};
    double kept[4];
    for (int k = 0; k < 4; ++k)
        kept[k] = rebound[k]->get_stat_val();
    weight_stat.init(nullptr, find_pool_object<VT::Input_number_obj>(pool, ids.weight_input),
                     find_pool_object<VT::Output_number_obj>(pool, ids.weight_output),
                     find_pool_object<VT::Object_pointer_obj>(pool, ids.weight_pointer),
                     find_pool_object<VT::Number_variable_obj>(pool, ids.weight_variable), WEIGHT_MS, f.weight[0],
                     f.weight[1], 500000, 0, pool, nullptr);
    estimate_stat.init(nullptr, find_pool_object<VT::Output_number_obj>(pool, ids.estimated_weight), WEIGHT_MS,
                       f.weight[0], f.weight[1], nullptr, Stat_num::RAW_MAX, 0, pool,
                       find_pool_object<VT::Output_string_obj>(pool, ids.estimated_weight_units));
    factor_stat.init(nullptr, find_pool_object<VT::Input_number_obj>(pool, ids.factor_input),
                     find_pool_object<VT::Output_number_obj>(pool, ids.factor_output),
                     find_pool_object<VT::Object_pointer_obj>(pool, ids.factor_pointer),
                     find_pool_object<VT::Number_variable_obj>(pool, ids.factor_variable), FACTOR_MS, f.factor[0],
                     f.factor[1], Stat_num::RAW_MAX, 0, pool,
                     find_pool_object<VT::Output_string_obj>(pool, ids.factor_units));
    rate_stat.init(nullptr, find_pool_object<VT::Input_number_obj>(pool, ids.rate_input), RATE_MS, f.rate[0],
                   f.rate[1], nullptr, Stat_num::RAW_MAX, 0, pool,
                   find_pool_object<VT::Output_string_obj>(pool, ids.rate_units));
    revs_label_stat = f.revs_label;
    // Set up again, the stats have forgotten their ranges.
    weight_stat.set_range(0.0, MAX_WEIGHT);
    set_factor_range(factor_stat, tank_factor_range(mode));
    rate_stat.set_range(0.0, MAX_RATE);
    Units_man* units = get_man() != nullptr ? get_man()->get_units() : nullptr;
    for (int k = 0; k < 4; ++k) {
        if (units != nullptr)
            rebound[k]->set_units(*units);
        rebound[k]->set_val(kept[k]);
    }
}

void TankCalibrationSettingsMask::update_product()
{
    if (parameters == nullptr)
        return;
    const unsigned p = product_index();
    if (p < PRODUCTS) {
        // A factor just computed stays shown until it is accepted or
        // cancelled.
        if (!computed_shown)
            factor_stat.set_val(parameters->app.products[p].product_cal_factor.get());
        char name[SETTING_NAME_BUFFER];
        product_name_stat = setting_name(parameters->app.products[p].name, name);
    }
    const unsigned i = tank_index();
    if (i < TANKS)
        apply_units_mode(i, parameters->app.channels[i].mode.get());
}

void TankCalibrationSettingsMask::update_rate_rows()
{
    const unsigned i = tank_index();
    if (parameters == nullptr || i >= TANKS)
        return;
    auto& tank = parameters->app.channels[i];
    const bool actuator = tank.mode.get() == 0 && tank.granular_controller_type.get() == 1;
    if (key_slots[KEY_PRESET] != nullptr) {
        const unsigned short shown = actuator && step() == STEP_READY ? key_ids[KEY_PRESET] : VT::Object_pool::NULL_ID;
        if (key_slots[KEY_PRESET]->get_value() != shown)
            key_slots[KEY_PRESET]->set_value(shown);
    }
    const unsigned preset = parameters->app.cal_to_preset_value.get();
    if (actuator && preset != 0) {
        preset_stat.set_val(preset);
        show_container(rate_row, false);
        show_container(preset_row, true);
    } else {
        rate_stat.set_val(cds_get_double(ds_head(), &ds().channels.channels[i].requested_rate));
        show_container(rate_row, true);
        show_container(preset_row, false);
    }
}

void TankCalibrationSettingsMask::count_revolutions()
{
    const unsigned i = tank_index();
    if (parameters == nullptr || i >= TANKS)
        return;
    float ratio;
    const unsigned bits = cds_get_word(ds_head(), &ds().channels.channels[i].encoder_ratio);
    std::memcpy(&ratio, &bits, sizeof ratio);
    const double pulses = cds_get_word(ds_head(), &ds().diagnostics.shaft[i].pulse_count);
    const double cal = parameters->app.channels[i].cal_setting.get();
    if (parameters->app.channels[i].mode.get() == 0) {
        counted = ratio != 0.0f ? pulses / double(ratio) : 0.0;
        std::printf("encoder_ratio=%lf, pulse_count=%lf -> revs=%lf\n", double(ratio), pulses, counted);
    } else {
        counted = pulses;
        std::printf("pulse_count=%lf\n", pulses);
    }
    revs_stat.set_val(counted);
    estimate_stat.set_val(cal * counted);
}

void TankCalibrationSettingsMask::enter_step(unsigned s, unsigned i)
{
    auto& app = parameters->app;
    const unsigned remote = app.swbox_remote_master_mode.get();
    const unsigned cal_box = app.swbox_cal_swbox_type.get();
    const unsigned external = app.swbox_external_swbox_type.get();
    auto& op = ds().operation;
    auto& channels = ds().channels.channels;
    if (s != STEP_DONE) {
        outcome = NO_FACTOR;
        computed_shown = false;
    }
    switch (s) {
    case STEP_READY:
        counted = 0;
        store(&op.calibration_state, 0);
        store(&op.tank[i].calibrating_tank, false);
        if (remote == 0)
            store(&op.master_switch_active, false);
        if (external == 0)
            for (unsigned k = 0; k < TANKS; ++k)
                store(&channels[k].active, false);
        weight_stat.set_val(0.0);
        estimate_stat.set_val(0.0);
        revs_stat.set_val(0.0);
        update_product();
        break;
    case STEP_RUN:
        counted = 0;
        for (unsigned k = 0; k < TANKS; ++k)
            store(&channels[k].active, false);
        store(&ds().diagnostics.shaft[i].pulse_count, 0u);
        store(&op.calibration_state, 1);
        store(&op.tank[i].calibrating_tank, true);
        if (cal_box == 0 && remote == 0)
            store(&op.master_switch_active, true);
        if (cal_box <= 1 && external == 0)
            store(&channels[i].active, true);
        break;
    case STEP_WEIGHT:
        store(&op.calibration_state, 0);
        store(&op.tank[i].calibrating_tank, false);
        if (remote == 0)
            store(&op.master_switch_active, false);
        if (external == 0)
            store(&channels[i].active, false);
        count_revolutions();
        break;
    case STEP_DONE:
        compute_factor(i);
        break;
    default:
        break;
    }
}

// The factor from what the run counted (not the rounded count shown) and
// the weight entered: weight per revolution for a granular tank, pulses per
// unit for the others. No count, no weight or a factor outside the range of
// its unit is a failed calibration: the page says so and nothing is stored.
void TankCalibrationSettingsMask::compute_factor(unsigned i)
{
    const double w = weight_stat.get_stat_val();
    std::printf("weight=%lf, revs=%lf\n", w, counted);
    computed_shown = false;
    if (w == 0.0 || counted == 0.0) {
        outcome = FAILED_NO_COUNT;
        std::printf("Calibration failed: no weight or no count, nothing stored\n");
        return;
    }
    const int mode = parameters->app.channels[i].mode.get();
    const double factor = mode == 0 ? w / counted : counted / w;
    std::printf(" -> cal_factor=%lf\n", factor);
    if (!tank_factor_range(mode).holds(factor)) {
        outcome = FAILED_RANGE;
        std::printf("Calibration failed: factor %lf out of range, nothing stored\n", factor);
        return;
    }
    outcome = FACTOR_COMPUTED;
    computed_factor = factor;
    computed_shown = true;
    factor_stat.set_val(factor);
}

const char* TankCalibrationSettingsMask::text_of_step(unsigned s) const
{
    if (s == STEP_DONE && outcome == FAILED_NO_COUNT)
        return calibration_failed_zero_text;
    if (s == STEP_DONE && outcome == FAILED_RANGE)
        return calibration_failed_range_text;
    return s < 4 ? step_texts[s] : "";
}

void TankCalibrationSettingsMask::update_from_cds()
{
    const unsigned s = step();
    if (s == STEP_READY)
        update_product();
    if (!is_active() || parameters == nullptr) {
        text_stat = text_of_step(s);
        return;
    }
    const unsigned i = tank_index();
    if (tank_number != nullptr)
        tank_number->set_value(i + 1);
    update_rate_rows();
    if (i >= TANKS) {
        index_in_range("calibration tank", long(i), TANKS);
    } else if (int(s) != entered_step || i != entered_tank) {
        // A step's entry actions run once per entry into the step.
        entered_step = int(s);
        entered_tank = i;
        enter_step(s, i);
    }
    text_stat = text_of_step(s);
    if (s < 4) {
        const Step_face& face = step_faces[s];
        for (int k = 0; k < KEYS; ++k) {
            if (k == KEY_PRESET || key_slots[k] == nullptr)
                continue;
            // A failed calibration has nothing to accept.
            const bool offered = face.keys[k] && !(k == KEY_ACCEPT && failed());
            const unsigned short shown = offered ? key_ids[k] : VT::Object_pool::NULL_ID;
            if (key_slots[k]->get_value() != shown)
                key_slots[k]->set_value(shown);
        }
        factor_stat.set_editable(face.factor_editable);
        weight_stat.set_editable(face.weight_editable);
    }
    if (i < TANKS)
        send_val_updates(false);
}

void TankCalibrationSettingsMask::post_snapshot_init()
{
    if (listener.get_head() == nullptr)
        cds_listen(listener, &ds().internal, int(sizeof(ds_internal)), get_waiter());
    update_from_cds();
    update_product();
}

void TankCalibrationSettingsMask::handle_virt_listener_event(Listener* l)
{
    if (l == &listener)
        update_from_cds();
    send_val_updates(false);
}

bool TankCalibrationSettingsMask::activate()
{
    const bool ok = Data_screen::activate();
    // Every entry to the page runs the step's entry actions, except the
    // return from an alarm pop-up: a calibration run goes on where it was.
    if (!back_from_alarm_pop_up(get_man()))
        entered_step = -1;
    update_from_cds();
    update_product();
    submit_timeout(timeout, PERIOD_MS);
    if (parameters == nullptr)
        return ok;
    auto& app = parameters->app;
    const unsigned p = product_index();
    const unsigned t = p < PRODUCTS ? app.products[p].tank.get() : 0;
    if (t < 10 && app.using_master_clutch.get() && app.channels[t].act_cal_mode.get() == 0 &&
        app.channels[t].granular_controller_type.get() == 1)
        held_master_clutch.hold(app.using_master_clutch, false);
    return ok;
}

bool TankCalibrationSettingsMask::deactivate()
{
    const bool ok = Data_screen::deactivate();
    remove_timeout(timeout);
    held_master_clutch.release();
    return ok;
}

bool TankCalibrationSettingsMask::send_timeout(Timeout& t)
{
    if (&t == &timeout && step() == STEP_RUN) {
        count_revolutions();
        send_val_updates(false);
    }
    return true;
}

bool TankCalibrationSettingsMask::handle_stat_update(Stat* s)
{
    if (parameters == nullptr)
        return false;
    auto& app = parameters->app;
    if (s == &factor_stat) {
        const unsigned p = product_index();
        if (!index_in_range("product", long(p), PRODUCTS))
            return false;
        const float f = float(factor_stat.get_stat_val());
        computed_shown = false; // the operator's factor is the one shown
        app.products[p].product_cal_factor.set(f);
        const unsigned t = app.products[p].tank.get();
        if (t < TANKS)
            app.channels[t].cal_setting.set(f);
        return false;
    }
    if (s == &rate_stat) {
        const unsigned i = tank_index();
        if (index_in_range("calibration tank", long(i), 10))
            store(&ds().channels.channels[i].requested_rate, rate_stat.get_stat_val());
        return true;
    }
    if (s == &preset_stat) {
        app.cal_to_preset_value.set(setting_value<unsigned char>(preset_stat.get_stat_val()));
        return true;
    }
    return false;
}

bool TankCalibrationSettingsMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev) || parameters == nullptr)
        return true;
    const unsigned s = step();
    switch (keys.find(a)) {
    case KEY_START:
        set_step(STEP_RUN);
        break;
    case KEY_NEXT:
        if (s <= STEP_WEIGHT)
            set_step(s + 1);
        break;
    case KEY_ACCEPT: {
        if (failed()) {
            std::printf("Calibration failed, no factor to store\n");
            break;
        }
        const unsigned i = tank_index();
        const unsigned p = product_index();
        // The factor computed, not as rounded for the page, unless the
        // operator typed one.
        const double f = computed_shown ? computed_factor : factor_stat.get_stat_val();
        std::printf("STORE NEW FACTOR=%lf\n", f);
        if (p < PRODUCTS)
            parameters->app.products[p].product_cal_factor.set(float(f));
        if (i < 10)
            parameters->app.channels[i].cal_setting.set(float(f));
        set_step(STEP_READY);
        get_man()->switch_to_screen("product_settings_mask");
        break;
    }
    case KEY_CANCEL:
        set_step(STEP_READY);
        break;
    case KEY_PRESET:
        parameters->app.cal_to_preset_value.set(parameters->app.cal_to_preset_value.get() == 0 ? 1 : 0);
        update_rate_rows();
        break;
    case KEY_BACK:
        set_step(STEP_READY);
        get_man()->switch_to_screen("product_settings_mask");
        break;
    default:
        break;
    }
    return true;
}
