// Live drive and sensor readings per tank (actuator position, shaft period
// and pulses, motor current, level sensor), the two fans and the ground-
// speed sensor; the reset key asks the control side to clear its counters.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class ActuatorDiagnostics : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_actuator_diagnostics;
    using Listener = CDS::Virt_listener<ActuatorDiagnostics>;
    static constexpr unsigned TANKS = Screen_object_ids::tank_count;
    static constexpr unsigned FANS = 2;

    ActuatorDiagnostics(const char* name, Screen_man* man);
    ~ActuatorDiagnostics() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool deactivate() override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    struct Tank {
        Stat_num position, period, pulses, current;
        VT::Object_pointer_obj* position_pointer = nullptr;
        VT::Object_pointer_obj* current_pointer = nullptr;
        unsigned short position_id = VT::Object_pool::NULL_ID, current_id = VT::Object_pool::NULL_ID;
        VT::Container_obj* actuator_row = nullptr;
        VT::Container_obj* electric_row = nullptr;
        VT::Container_obj* prop_valve_row = nullptr;
        VT::Container_obj* row = nullptr;
        VT::Container_obj* row_2 = nullptr;
        VT::Container_obj* level_on = nullptr;
        VT::Container_obj* level_off = nullptr;
    };
    struct Fan {
        Stat_num period, pulses, adc;
        VT::Object_pointer_obj* adc_pointer = nullptr;
        unsigned short adc_id = VT::Object_pool::NULL_ID;
        VT::Container_obj* row = nullptr;
    };
    Tank& tank(unsigned i) { return tanks[i]; }
    Fan& fan(unsigned f) { return fans[f]; }
    Stat_num& ground_speed_period() { return speed_period; }
    unsigned short soft_keys_shown() const { return shown_keys; }

private:
    void refresh();
    static void point(VT::Object_pointer_obj* p, unsigned short id);

    enum { KEY_MAIN, KEY_SYSTEM_INFO, KEY_RESET, KEY_PRESSURES, KEY_BLOCKED_HEAD };
    static const Key_row<Ids> key_rows[5];
    Key_rows<Ids, 5> keys{key_rows};
    Listener listener{this};
    Tank tanks[TANKS];
    Fan fans[FANS];
    Stat_num speed_period, speed_pulses;
    unsigned short key_masks[2] = {};
    unsigned short shown_keys = VT::Object_pool::NULL_ID;
};
