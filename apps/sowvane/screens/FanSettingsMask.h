// How many fans the implement has (1 or 2) and, per fan, pressure sensing,
// pressure gain and speed-sensor magnets; the case-drain sensor and fan 2 as
// a pump. Follows the fan records, so changes made elsewhere show.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class FanSettingsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_fan_settings_mask;
    using Listener = NV_store::Virt_listener<FanSettingsMask>;
    static constexpr int FANS = 2;
    static constexpr double MAX_MAGNETS = 10.0;

    FanSettingsMask(const char* name, Screen_man* man);
    ~FanSettingsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    struct Fan {
        Stat_list sense, gain;
        Stat_num magnets;
        VT::Container_obj* pressure_row = nullptr;
        VT::Container_obj* magnets_row = nullptr;
        Listener* listener = nullptr;
    };
    Fan& fan(int i) { return fans[i]; }
    Stat_list& enabled_fans() { return enabled_list; }

private:
    void refresh(int i);
    // Fans 1..count enabled with speed sensing. With the operator's choice
    // (all) pressure sensing follows too; at start (not all) an enabled
    // fan keeps the pressure sensing stored for it.
    void apply_fan_count(unsigned count, bool all);

    static const Key_row<Ids> key_rows[3];
    Key_rows<Ids, 3> keys{key_rows};
    Stat_list enabled_list, pump_list, case_drain_list;
    VT::Container_obj* pump_row = nullptr;
    VT::Container_obj* case_drain_row = nullptr;
    Fan fans[FANS];
};
