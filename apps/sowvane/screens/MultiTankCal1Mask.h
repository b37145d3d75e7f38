// Multi-tank calibration, step 1: the calibratable tanks are driven while
// their shaft pulses are counted; the page shows revolutions, estimated
// weight and motor load per tank, and the operator switches tanks and the
// master on and off. The run lasts while the page is shown. An alarm pop-up
// stops the drive for its time; the counts are kept and the run goes on
// when the page comes back, so the calibration stays right.
#pragma once

#include "apps/sowvane/screens/Multi_tank_cal.h"
#include "apps/sowvane/settings/Held_setting.h"
#include "vtui/stat/Stat_indicator.h"

class MultiTankCal1Mask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_multi_tank_cal_1_mask;
    using Listener = CDS::Virt_listener<MultiTankCal1Mask>;
    static constexpr unsigned TANKS = multi_tank_cal::TANKS;
    static constexpr int PERIOD_MS = 1000;
    enum key_t { KEY_PRODUCT_MENU, KEY_MAIN, KEY_NEXT, KEY_RESET, KEY_MASTER, KEY_STYLE, KEYS };

    MultiTankCal1Mask(const char* name, Screen_man* man);
    ~MultiTankCal1Mask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool deactivate() override;
    bool send_timeout(Timeout& t) override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    struct Tank {
        Stat_string name;
        Stat_num rate, preset, estimate, revs, load;
        Window::Activator on, off;
        VT::Container_obj* row = nullptr;
        VT::Container_obj* revs_row = nullptr;
        VT::Container_obj* alt_row = nullptr;
        VT::Container_obj* off_marker = nullptr;
        VT::Container_obj* on_marker = nullptr;
        // Revolutions counted and the weight they predict, as computed (the
        // stats show them rounded).
        double counted_revs = 0, estimated = 0;
    };
    Tank& tank(unsigned i) { return tanks[i]; }

private:
    void apply_style(unsigned i);
    void update_tank(unsigned i);
    void update_keys_and_markers();
    void count_revolutions();
    void show_markers(unsigned i, bool active);
    void end_run();

    static const Key_row<Ids> key_rows[KEYS];
    Key_rows<Ids, KEYS> keys{key_rows};
    VT::Object_pointer_obj* key_slots[KEYS] = {};
    Timeout timeout;
    bool style = true;
    // The master clutch is off for a stationary actuator calibration while
    // the step is shown; the operator's setting stays what is saved.
    Held_value<decltype(NV_kelsu::application_t::using_master_clutch)> held_master_clutch;
    // Left by one of its own keys (the run is over), or hidden by a pop-up
    // (the run resumes with its counts).
    bool left_by_key = true;
    Listener operation_listener{this};
    // One per tank, on its running flag only: the channel records change
    // with every control step.
    Listener active_listeners[TANKS] = {Listener{this}, Listener{this}, Listener{this}, Listener{this}};
    Stat_indicator master;
    Stat_indicator_gen_client<VT::Rectangle_obj> master_rect;
    unsigned short master_states[2] = {};
    Tank tanks[TANKS];
};
