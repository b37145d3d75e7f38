// Which make of seeder the system is fitted to (app.personality).
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class SeederBrandMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_seeder_brand_mask;

    SeederBrandMask(const char* name, Screen_man* man);
    ~SeederBrandMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    Stat_list& brand() { return lists[0]; }

private:
    void update_brand();

    static const Key_row<Ids> key_rows[3];
    static const List_row<Ids> list_rows[1];
    Key_rows<Ids, 3> keys{key_rows};
    List_rows<Ids, 1> lists{list_rows};
};
