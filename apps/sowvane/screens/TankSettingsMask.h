// How many tanks the implement has and, per tank, its capacity, its type and
// its drive; the setup button of a tank opens the settings of its drive. A
// change of the layout (tanks, types) asks the task-controller link to start
// again.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "apps/sowvane/screens/Setting_ranges.h"

class TankSettingsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_tank_settings_mask;
    using Listener = NV_store::Virt_listener<TankSettingsMask>;
    static constexpr int TANKS = Screen_object_ids::tank_count;
    static constexpr double MAX_CAPACITY = setting_ranges::tank_capacity.max;
    enum tank_type { GRANULAR = 0, LIQUID = 1, NH3 = 2, TANK_TYPES = int(setting_ranges::tank_mode.max) + 1 };
    // Granular drives as stored; the list shows the proportional valve as
    // item 2.
    enum granular_drive { ELECTRIC = 0, ACTUATOR = 1, PROP_VALVE = 3, PROP_VALVE_ITEM = 2 };

    TankSettingsMask(const char* name, Screen_man* man);
    ~TankSettingsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool deactivate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    struct Tank {
        Window::Activator setup;
        Stat_num capacity;
        Stat_list type, granular_drive, liquid_drive;
        VT::Container_obj* row = nullptr;
        VT::Container_obj* granular_row = nullptr;
        VT::Container_obj* liquid_row = nullptr;
        int capacity_type = -1; // the tank type the capacity units follow
        Listener* listener = nullptr;
    };
    Tank& tank(int i) { return tanks[i]; }
    Stat_list& enabled_tanks() { return enabled_list; }

private:
    void refresh(int i);
    void set_capacity_units(int i, int type);
    void set_enabled_tanks(unsigned count, bool signal);

    static const Key_row<Ids> key_rows[3];
    Key_rows<Ids, 3> keys{key_rows};
    Stat_list enabled_list;
    Tank tanks[TANKS];
};
