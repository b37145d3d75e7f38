// The tank calibration wizard: the drive runs for the tank of the product
// while the control logic counts shaft pulses, the operator enters the
// weight collected, and the factor (weight per revolution, or pulses per
// unit for liquid and NH3 tanks) is stored in the product and the tank.
//
// The step lives in the data store (internal.current_tank_cal_step). A
// step's entry actions (start or stop the drive, zero the pulse count,
// count the revolutions) run on every entry into the step and every entry
// to the page, except when the page comes back after an alarm pop-up: that
// leaves a running calibration as it was.
//
// The factor is worked out from the pulses counted and the weight entered,
// not from the rounded figures shown, and stored as computed. No weight, no
// count or a factor outside the range of its unit fails the calibration:
// the page says so, Accept is not offered and stores nothing.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "apps/sowvane/settings/Held_setting.h"
#include "vtui/stat/Stat_string.h"

class TankCalibrationSettingsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_tank_calibration_settings_mask;
    using Listener = CDS::Virt_listener<TankCalibrationSettingsMask>;
    enum step_t { STEP_READY = 0, STEP_RUN = 1, STEP_WEIGHT = 2, STEP_DONE = 3 };
    static constexpr int PERIOD_MS = 1000;
    static constexpr unsigned TANKS = Screen_object_ids::tank_count;
    static constexpr unsigned PRODUCTS = 16;

    TankCalibrationSettingsMask(const char* name, Screen_man* man);
    ~TankCalibrationSettingsMask() override;

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
    const char* step_text() const { return text_stat.c_str(); }
    const char* revs_label() const { return revs_label_stat.c_str(); }
    Stat_num& factor() { return factor_stat; }
    Stat_num& weight() { return weight_stat; }
    Stat_num& revolutions() { return revs_stat; }
    Stat_num& estimated_weight() { return estimate_stat; }
    Stat_num& target_rate() { return rate_stat; }
    Stat_num& preset() { return preset_stat; }
    bool key_offered(int key) const;
    // Step 4 could compute no factor (no weight or count, or out of range).
    bool failed() const { return outcome == FAILED_NO_COUNT || outcome == FAILED_RANGE; }
    enum key_t { KEY_START, KEY_NEXT, KEY_CANCEL, KEY_ACCEPT, KEY_PRESET, KEY_BACK, KEYS };

private:
    void set_step(unsigned s);
    void update_from_cds();
    void update_product();
    void update_rate_rows();
    void count_revolutions();
    void apply_units_mode(unsigned i, int mode);
    void enter_step(unsigned s, unsigned i);
    void compute_factor(unsigned i);
    const char* text_of_step(unsigned s) const;
    unsigned tank_index() const;
    unsigned product_index() const;

    static const Key_row<Ids> key_rows[KEYS];
    Timeout timeout;
    int units_mode = -1;
    // The master clutch is off for a stationary actuator calibration while
    // the page is shown; the operator's setting stays what is saved.
    Held_value<decltype(NV_kelsu::application_t::using_master_clutch)> held_master_clutch;
    // What the run counted: shaft revolutions of a granular tank, meter
    // pulses of the others.
    double counted = 0;
    enum outcome_t { NO_FACTOR, FACTOR_COMPUTED, FAILED_NO_COUNT, FAILED_RANGE };
    outcome_t outcome = NO_FACTOR;
    double computed_factor = 0;
    // The factor shown is the one computed (not one the operator typed).
    bool computed_shown = false;
    Key_rows<Ids, KEYS> keys{key_rows};
    Listener listener{this};
    Stat_num weight_stat, rate_stat, preset_stat, revs_stat, factor_stat, estimate_stat;
    Stat_string text_stat, product_name_stat, revs_label_stat;
    VT::Object_pointer_obj* key_slots[KEYS] = {};
    unsigned short key_ids[KEYS] = {};
    VT::Container_obj* rate_row = nullptr;
    VT::Container_obj* preset_row = nullptr;
    VT::Output_number_obj* tank_number = nullptr;
    // The step and tank whose entry actions ran last (-1: none yet).
    int entered_step = -1;
    unsigned entered_tank = 0;
};
