// The menu of the implement's own settings pages. The tank-preload button is
// offered only while one of the first four tanks is an enabled granular tank
// without an actuator drive; the menu follows those tanks' settings.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "glue/NV_store/NV_access.h"

class SeederSettingsMenu : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_seeder_settings_menu;
    using Listener = NV_store::Virt_listener<SeederSettingsMenu>;
    static constexpr int TANKS = Screen_object_ids::tank_count;

    SeederSettingsMenu(const char* name, Screen_man* man);
    ~SeederSettingsMenu() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    // Whether tank i (0..3) offers preload: enabled, granular, not actuated.
    bool tank_offers_preload(unsigned i) const;
    bool preload_shown() const;

private:
    void refresh_preload_button();

    static const Key_row<Ids> key_rows[11];
    Key_rows<Ids, 11> keys{key_rows};
    Listener* listeners[TANKS] = {};
    VT::Object_pointer_obj* preload_pointer = nullptr;
    unsigned short preload_button_id = VT::Object_pool::NULL_ID;
};
