// The area test: every calibrated granular tank meters while the mask
// integrates the area covered from the manual speed and the machine width;
// at the required area the test stops and each tank shows the weight its
// shaft revolutions and calibration factor predict. The step lives in the
// data store (internal.current_area_test_step). Showing the mask again after
// an alarm pop-up resumes a test in progress where it was.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "apps/sowvane/settings/Held_setting.h"
#include "vtui/stat/Stat_indicator.h"
#include "vtui/stat/Stat_string.h"

class AreaTestMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_area_test_mask;
    using Listener = CDS::Virt_listener<AreaTestMask>;
    enum step_t { STEP_SETUP = 0, STEP_RUNNING = 1, STEP_PAUSED = 2, STEP_DONE = 3 };
    enum key_t { KEY_SETTINGS_MENU, KEY_MAIN, KEY_START, KEY_PAUSE, KEY_RESUME, KEY_RESET, KEYS };
    enum slot_t { SLOT_SETTINGS_MENU, SLOT_MAIN, SLOT_RUN, SLOT_RESET, SLOTS };
    static constexpr int PERIOD_MS = 100;
    static constexpr unsigned TANKS = Screen_object_ids::tank_count;

    AreaTestMask(const char* name, Screen_man* man);
    ~AreaTestMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool deactivate() override;
    bool send_timeout(Timeout& t) override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    bool is_test_tank(unsigned i) const;
    unsigned step() const;
    float covered_area() const { return area_covered; }
    Stat_num& tank_weight(unsigned i) { return weights[i]; }
    Stat_num& required_area() { return required_stat; }
    const char* step_text() const { return text_stat.c_str(); }
    unsigned short slot_shows(slot_t s) const;
    unsigned short key_id(key_t k) const { return key_ids[k]; }

private:
    void start_run();
    void refresh_values();
    void reset_test();
    void set_step(unsigned n);
    void update_indicators();
    void update_from_cds();

    static const Key_row<Ids> key_rows[KEYS];
    Timeout timeout;
    Key_rows<Ids, KEYS> keys{key_rows};
    Listener listener{this};
    float area_required = 0.2f; // hectares
    float area_covered = 0.0f;  // square metres
    Stat_num required_stat, covered_stat;
    Stat_num weights[TANKS];
    Stat_indicator indicators[TANKS];
    Stat_indicator_gen_client<VT::Rectangle_obj> indicator_clients[TANKS];
    unsigned short indicator_states[2] = {};
    VT::Container_obj* rows[TANKS] = {};
    Stat_string text_stat;
    bool set_manual_speed = false;
    // The switch boxes are out of the test's way while it is shown; the
    // operator's settings stay what is saved.
    Held_value<decltype(NV_kelsu::application_t::swbox_cal_swbox_type)> held_cal_swbox;
    Held_value<decltype(NV_kelsu::application_t::swbox_remote_master_mode)> held_remote_master;
    VT::Object_pointer_obj* key_slots[SLOTS] = {};
    unsigned short key_ids[KEYS] = {};
};
