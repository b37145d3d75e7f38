// The liquid pressure sensor of each tank, live.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class Diagnostics2 : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_diagnostics2;
    using Listener = CDS::Virt_listener<Diagnostics2>;
    static constexpr unsigned TANKS = Screen_object_ids::tank_count;

    Diagnostics2(const char* name, Screen_man* man);
    ~Diagnostics2() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool deactivate() override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    Stat_num& pressure(unsigned i) { return pressures[i]; }

private:
    void refresh();

    static const Key_row<Ids> key_rows[3];
    Key_rows<Ids, 3> keys{key_rows};
    Listener listener{this};
    Stat_num pressures[TANKS];
    VT::Container_obj* rows[TANKS] = {};
};

// Tells the control side whether a diagnostics page is on the VT.
void show_diagnostics_flag(bool shown);
