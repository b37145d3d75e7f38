// Multi-tank calibration, step 2: the weight actually collected from each
// tank, beside the estimate of step 1.
#pragma once

#include "apps/sowvane/screens/Multi_tank_cal.h"

class MultiTankCal2Mask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_multi_tank_cal_2_mask;
    static constexpr unsigned TANKS = multi_tank_cal::TANKS;

    MultiTankCal2Mask(const char* name, Screen_man* man);
    ~MultiTankCal2Mask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    Stat_num& actual_weight(unsigned i) { return actual[i]; }
    Stat_num& estimated_weight(unsigned i) { return estimate[i]; }

private:
    void refresh_tank(unsigned i);

    enum { KEY_NEXT, KEY_CANCEL };
    static const Key_row<Ids> key_rows[2];
    Key_rows<Ids, 2> keys{key_rows};
    VT::Object_pointer_obj* key_slots[2] = {};
    Stat_string names[TANKS];
    Stat_num estimate[TANKS], actual[TANKS];
    VT::Container_obj* rows[TANKS] = {};
};
