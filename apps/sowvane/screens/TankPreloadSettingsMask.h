// The preload time of the granular tanks.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class TankPreloadSettingsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_tank_preload_settings_mask;

    TankPreloadSettingsMask(const char* name, Screen_man* man);
    ~TankPreloadSettingsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    Stat_num& preload_time() { return numbers[0]; }

private:
    static const Key_row<Ids> key_rows[3];
    static const Number_row<Ids> number_rows[1];
    Key_rows<Ids, 3> keys{key_rows};
    Number_rows<Ids, 1> numbers{number_rows};
};
