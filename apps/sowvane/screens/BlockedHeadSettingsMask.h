// Blocked-head monitoring: on or off, sensor make, number of sensors, single
// or double shoot, which heads are watched and where the fertiliser sensors
// begin; the choices become the input masks and section assignments of the
// monitor ECUs' first 32 inputs.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class BlockedHeadSettingsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_blocked_head_settings_mask;
    enum list_t { MONITORING, SENSOR_TYPE, HEAD_SYSTEMS, ENABLED_HEADS, LISTS };
    enum number_t { NUM_SENSORS, FIRST_FERT, NUMBERS };
    static constexpr unsigned INPUTS = 32;
    static constexpr double MAX_SENSORS = 40.0;

    BlockedHeadSettingsMask(const char* name, Screen_man* man);
    ~BlockedHeadSettingsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    Stat_num& number(number_t n) { return numbers[n]; }

private:
    void update_blocked_head_settings();
    void update_sensor_maps();
    void show_double_shoot_rows(bool shown);

    static const Key_row<Ids> key_rows[3];
    Key_rows<Ids, 3> keys{key_rows};
    Stat_list lists[LISTS];
    Stat_num numbers[NUMBERS];
    VT::Container_obj* enabled_heads_row = nullptr;
    VT::Container_obj* first_fert_row = nullptr;
};
