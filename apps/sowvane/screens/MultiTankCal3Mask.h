// Multi-tank calibration, step 3: old and new factor and the difference per
// tank; the operator accepts or ignores each tank, and Save stores the
// accepted factors, as computed, in the tank and in its product. A tank
// whose results are zero cannot be accepted; one whose new factor lies
// outside the range of its unit cannot either, and says so in place of its
// buttons.
#pragma once

#include "apps/sowvane/screens/Multi_tank_cal.h"

class MultiTankCal3Mask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_multi_tank_cal_3_mask;
    static constexpr unsigned TANKS = multi_tank_cal::TANKS;

    MultiTankCal3Mask(const char* name, Screen_man* man);
    ~MultiTankCal3Mask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    bool accepted(unsigned i) const { return tanks[i].accepted; }
    bool out_of_range(unsigned i) const { return tanks[i].out_of_range; }
    Stat_num& new_factor(unsigned i) { return tanks[i].new_factor; }
    Stat_num& difference(unsigned i) { return tanks[i].difference; }

private:
    struct Tank {
        Stat_string name;
        Stat_num old_factor, new_factor, difference;
        Window::Activator accept, ignore;
        VT::Container_obj* row = nullptr;
        VT::Container_obj* not_accepted_marker = nullptr;
        VT::Container_obj* accepted_marker = nullptr;
        VT::Container_obj* out_of_range_marker = nullptr;
        bool accepted = false;
        // The new factor as computed (the stat shows it rounded); one
        // outside its range is never stored.
        double computed = 0;
        bool out_of_range = false;
    };
    void set_accepted(unsigned i, bool v);
    void refresh_tank(unsigned i);

    enum { KEY_IGNORE_ALL, KEY_ACCEPT_ALL, KEY_SAVE, KEY_BACK };
    static const Key_row<Ids> key_rows[4];
    Key_rows<Ids, 4> keys{key_rows};
    VT::Object_pointer_obj* key_slots[4] = {};
    Tank tanks[TANKS];
};
