#include "apps/sowvane/screens/WheelCalibrationMask.h"

#include "apps/sowvane/screens/Calibration_factor.h"

using Ids = WheelCalibrationMask::Ids;
using Row = Key_row<Ids>;

namespace {
const char* const step_texts[4] = {
    "Step 1/4) Press Start to begin calibration",
    "Step 2/4) Drive forwards, stop, then press Next",
    "Step 3/4) Enter distance travelled, then press Next",
    "Step 4/4) Calibration Complete, Accept to confirm, Cancel no change",
};
const char* const no_distance_text =
    "Step 4/4) Calibration failed: no distance or no pulses. Press Cancel and calibrate again";
const Stat_num_format distance_metric{Units_man::UNITS_DISTANCE, 0.1, 1};
const Stat_num_format distance_imperial{Units_man::UNITS_DISTANCE, 0.03048, 1};
const Stat_num_format count_format{Units_man::UNITS_NONE, 1.0, 0};
constexpr int INTERVAL_MS = 1000;
constexpr double MAX_DISTANCE = 50000.0;
} // namespace

const Stat_num_format WheelCalibrationMask::factor_metric{Units_man::UNITS_DISTANCE, 0.001, 3};
const Stat_num_format WheelCalibrationMask::factor_imperial{Units_man::UNITS_DISTANCE, 0.0003048, 3};

const Row WheelCalibrationMask::key_rows[4] = {
    {&Ids::key_start, Row::KEY, nullptr},
    {&Ids::key_next, Row::KEY, nullptr},
    {&Ids::key_cancel, Row::KEY, nullptr},
    {&Ids::key_accept, Row::KEY, nullptr},
};

WheelCalibrationMask::WheelCalibrationMask(const char* name, Screen_man* man) : Data_screen(name, man)
{
    timeout.set_period(PERIOD_MS);
}

WheelCalibrationMask::~WheelCalibrationMask()
{
    if (get_waiter() != nullptr && listener.get_head() != nullptr)
        cds_unlisten(listener, get_waiter());
}

bool WheelCalibrationMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().wheel_calibration_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    start_id = (unsigned short)ids.key_start;
    accept_id = (unsigned short)ids.key_accept;
    next_id = (unsigned short)ids.key_next;
    pointer_start = find_pool_object<VT::Object_pointer_obj>(p, ids.key_pointer_start);
    pointer_next = find_pool_object<VT::Object_pointer_obj>(p, ids.key_pointer_next);
    pointer_accept = find_pool_object<VT::Object_pointer_obj>(p, ids.key_pointer_accept);
    instruction_text = find_pool_object<VT::Output_string_obj>(p, ids.instructions);
    auto* units = find_pool_object<VT::Output_string_obj>(p, mask_ids().common.distance_units);

    factor_stat.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.factor_output), INTERVAL_MS, factor_metric,
                     factor_imperial, nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
    set_factor_range(factor_stat, wheel_factor_range);
    pulses_stat.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.pulses_output), INTERVAL_MS, count_format,
                     count_format, nullptr, Stat_num::RAW_MAX, 0, p, nullptr);
    estimated_stat.init(&stats, find_pool_object<VT::Output_number_obj>(p, ids.estimated_distance_output), INTERVAL_MS,
                        distance_metric, distance_imperial, nullptr, Stat_num::RAW_MAX, 0, p, units);
    distance_stat.init(&stats, find_pool_object<VT::Input_number_obj>(p, ids.distance_input),
                       find_pool_object<VT::Output_number_obj>(p, ids.distance_output),
                       find_pool_object<VT::Object_pointer_obj>(p, ids.distance_pointer),
                       find_pool_object<VT::Number_variable_obj>(p, ids.distance_variable), INTERVAL_MS, distance_metric,
                       distance_imperial, 500000, 0, p, nullptr);
    distance_stat.set_range(0.0, MAX_DISTANCE);
    return true;
}

void WheelCalibrationMask::post_snapshot_init()
{
    if (listener.get_head() == nullptr)
        cds_listen(listener, &ds().internal, int(sizeof(ds_internal)), get_waiter());
    refresh();
}

unsigned WheelCalibrationMask::step() const
{
    return cds_get_word(ds_head(), &ds().internal.current_wheel_cal_step);
}

const char* WheelCalibrationMask::instructions() const
{
    return shown_text;
}

void WheelCalibrationMask::set_step(unsigned s)
{
    cds_set_uint(ds_head(), &ds().internal.current_wheel_cal_step, &s);
    std::printf("NEXT STEP: %u\n", s);
}

void WheelCalibrationMask::show_keys(unsigned short start, unsigned short next, unsigned short accept)
{
    VT::Object_pointer_obj* pointers[3] = {pointer_start, pointer_next, pointer_accept};
    const unsigned short targets[3] = {start, next, accept};
    for (int i = 0; i < 3; ++i)
        if (pointers[i] != nullptr && pointers[i]->get_value() != targets[i])
            pointers[i]->set_value(targets[i]);
}

void WheelCalibrationMask::capture()
{
    if (step() != STEP_DRIVE && !pulses_captured)
        return;
    const unsigned count = cds_get_word(ds_head(), &ds().vehicle.ground_speed_sensor.pulse_count);
    pulses_stat.set_val(double(count));
    const double factor = parameters != nullptr ? double(parameters->app.wheel_cal_factor.get()) : 0.0;
    estimated_stat.set_val(factor * double(count));
}

// Distance over pulses as computed (not as the factor shows it rounded).
// No distance, no pulses or a factor outside the wheel factor's range fails
// the calibration: the page says so and nothing is stored.
void WheelCalibrationMask::compute_factor()
{
    const double d = distance_stat.get_stat_val();
    const double p = pulses_stat.get_stat_val();
    if (d == 0.0 || p == 0.0) {
        outcome = FAILED_NO_COUNT;
        std::printf("Wheel calibration failed: no distance or no pulses, nothing stored\n");
        return;
    }
    const double factor = d / p;
    std::printf("distance=%lf, pulses=%lf -> factor=%lf\n", d, p, factor);
    if (!wheel_factor_range.holds(factor)) {
        outcome = FAILED_RANGE;
        std::printf("Wheel calibration failed: factor %lf out of range, nothing stored\n", factor);
        return;
    }
    outcome = FACTOR_COMPUTED;
    computed_factor = factor;
    factor_stat.set_val(factor);
}

void WheelCalibrationMask::show_instructions(unsigned s)
{
    if (s == STEP_DONE && outcome == FAILED_NO_COUNT)
        shown_text = no_distance_text;
    else if (s == STEP_DONE && outcome == FAILED_RANGE)
        shown_text = calibration_failed_range_text;
    else
        shown_text = s < 4 ? step_texts[s] : "";
    show_text(pool, instruction_text, shown_text);
}

void WheelCalibrationMask::refresh()
{
    const unsigned s = step();
    if (!is_active()) {
        show_instructions(s);
        return;
    }
    // A step's entry actions run once per entry into the step.
    if (int(s) != entered_step) {
        entered_step = int(s);
        enter_step(s);
    }
    show_instructions(s);
    constexpr unsigned short none = VT::Object_pool::NULL_ID;
    distance_stat.set_editable(s == STEP_DISTANCE);
    const unsigned short accept = failed() ? none : accept_id; // nothing to accept
    const unsigned short keys_of_step[4][3] = {
        {start_id, none, none}, {none, next_id, none}, {none, next_id, none}, {none, none, accept}};
    if (s < 4)
        show_keys(keys_of_step[s][0], keys_of_step[s][1], keys_of_step[s][2]);
    send_val_updates(false);
}

void WheelCalibrationMask::enter_step(unsigned s)
{
    if (s != STEP_DONE)
        outcome = NO_FACTOR;
    switch (s) {
    case STEP_START: {
        const int idle = 0;
        cds_set_int(ds_head(), &ds().operation.calibration_state, &idle);
        pulses_captured = false;
        estimated_stat.set_val(0.0);
        pulses_stat.set_val(0.0);
        distance_stat.set_val(0.0);
        if (parameters != nullptr)
            factor_stat.set_val(double(parameters->app.wheel_cal_factor.get()));
        break;
    }
    case STEP_DRIVE: {
        const int driving = 2;
        cds_set_int(ds_head(), &ds().operation.calibration_state, &driving);
        const unsigned zero = 0;
        cds_set_uint(ds_head(), &ds().vehicle.ground_speed_sensor.pulse_count, &zero);
        break;
    }
    case STEP_DISTANCE: {
        const int idle = 0;
        cds_set_int(ds_head(), &ds().operation.calibration_state, &idle);
        capture();
        pulses_captured = false;
        break;
    }
    case STEP_DONE:
        compute_factor();
        break;
    default:
        break;
    }
}

bool WheelCalibrationMask::activate()
{
    const bool ok = Data_screen::activate();
    // Every entry to the page runs the step's entry actions, except the
    // return from an alarm pop-up: a drive goes on where it was.
    if (!back_from_alarm_pop_up(get_man()))
        entered_step = -1;
    refresh();
    // The stored factor, unless one computed waits to be accepted.
    if (parameters != nullptr && outcome != FACTOR_COMPUTED)
        factor_stat.set_val(double(parameters->app.wheel_cal_factor.get()));
    submit_timeout(timeout, PERIOD_MS);
    return ok;
}

bool WheelCalibrationMask::deactivate()
{
    const bool ok = Data_screen::deactivate();
    remove_timeout(timeout);
    return ok;
}

bool WheelCalibrationMask::send_timeout(Timeout& t)
{
    if (&t == &timeout && step() == STEP_DRIVE) {
        capture();
        send_val_updates(false);
    }
    return true;
}

void WheelCalibrationMask::handle_virt_listener_event(Listener*)
{
    refresh();
    send_val_updates(false);
}

bool WheelCalibrationMask::handle_stat_update(Stat* s)
{
    return s == &distance_stat;
}

bool WheelCalibrationMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (!is_release(ev))
        return true;
    const unsigned s = step();
    switch (keys.find(a)) {
    case KEY_START:
        set_step(STEP_DRIVE);
        break;
    case KEY_NEXT:
        if (s == STEP_DONE)
            break;
        if (s == STEP_DRIVE)
            pulses_captured = true;
        set_step(s + 1);
        break;
    case KEY_CANCEL:
        if (s == STEP_START)
            get_man()->switch_to_screen("wheel_calibration_settings_mask");
        else
            set_step(STEP_START);
        break;
    case KEY_ACCEPT: {
        if (failed()) {
            std::printf("Wheel calibration failed, no factor to store\n");
            break;
        }
        const double factor = outcome == FACTOR_COMPUTED ? computed_factor : factor_stat.get_stat_val();
        std::printf("STORE FACTOR=%lf\n", factor);
        if (parameters != nullptr)
            parameters->app.wheel_cal_factor.set(float(factor));
        set_step(STEP_START);
        get_man()->switch_to_screen("wheel_calibration_settings_mask");
        break;
    }
    default:
        break;
    }
    return true;
}
