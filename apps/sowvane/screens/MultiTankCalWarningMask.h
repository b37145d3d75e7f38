// A warning page in front of the multi-tank calibration (on step 1's mask).
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class MultiTankCalWarningMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_multi_tank_cal_warning_mask;
    using Listener = CDS::Virt_listener<MultiTankCalWarningMask>;

    MultiTankCalWarningMask(const char* name, Screen_man* man);
    ~MultiTankCalWarningMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener*) { send_val_updates(false); }

private:
    static const Key_row<Ids> key_rows[2];
    Key_rows<Ids, 2> keys{key_rows};
    Listener listener{this};
};
