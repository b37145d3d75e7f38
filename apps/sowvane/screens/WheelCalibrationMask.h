// The wheel calibration wizard: the operator drives a known distance while
// the control logic counts speed-sensor pulses, enters the distance, and
// accepts distance / pulses as the new wheel factor. The step lives in the
// data store (internal.current_wheel_cal_step); the mask follows it and runs
// a step's entry actions on every entry into the step and every entry to the
// page, except when the page comes back after an alarm pop-up: that leaves a
// drive as it was, its pulse count going on. The factor is
// stored as computed, not as rounded for the page; no distance, no pulses or
// a factor outside the wheel factor's range fails the calibration: the page
// says so and Accept stores nothing.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "glue/cds/Access.h"

class WheelCalibrationMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_wheel_calibration_mask;
    using Listener = CDS::Virt_listener<WheelCalibrationMask>;
    enum step_t { STEP_START = 0, STEP_DRIVE = 1, STEP_DISTANCE = 2, STEP_DONE = 3 };
    static constexpr int PERIOD_MS = 1000;
    static const Stat_num_format factor_metric, factor_imperial;

    WheelCalibrationMask(const char* name, Screen_man* man);
    ~WheelCalibrationMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool deactivate() override;
    bool send_timeout(Timeout& t) override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    unsigned step() const;
    const char* instructions() const;
    Stat_num& factor() { return factor_stat; }
    Stat_num& pulses() { return pulses_stat; }
    Stat_num& estimated_distance() { return estimated_stat; }
    Stat_num& entered_distance() { return distance_stat; }
    Timeout& timer() { return timeout; }

private:
    void set_step(unsigned step);
    void refresh();
    void enter_step(unsigned s);
    void compute_factor();
    void show_instructions(unsigned s);
    bool failed() const { return outcome == FAILED_NO_COUNT || outcome == FAILED_RANGE; }
    void capture();
    void show_keys(unsigned short start, unsigned short next, unsigned short accept);

    enum { KEY_START, KEY_NEXT, KEY_CANCEL, KEY_ACCEPT };
    static const Key_row<Ids> key_rows[4];
    Key_rows<Ids, 4> keys{key_rows};
    Timeout timeout;
    bool pulses_captured = false;
    Listener listener{this};
    Stat_num factor_stat, pulses_stat, estimated_stat, distance_stat;
    VT::Output_string_obj* instruction_text = nullptr;
    VT::Object_pointer_obj* pointer_start = nullptr;
    VT::Object_pointer_obj* pointer_next = nullptr;
    VT::Object_pointer_obj* pointer_accept = nullptr;
    unsigned short start_id = VT::Object_pool::NULL_ID;
    unsigned short accept_id = VT::Object_pool::NULL_ID;
    unsigned short next_id = VT::Object_pool::NULL_ID;
    const char* shown_text = "";
    // The step whose entry actions ran last (-1: none yet).
    int entered_step = -1;
    enum outcome_t { NO_FACTOR, FACTOR_COMPUTED, FAILED_NO_COUNT, FAILED_RANGE };
    outcome_t outcome = NO_FACTOR;
    double computed_factor = 0;
};
