// The implement's external options: cabin switch box, external master
// switch, master clutch, calibration switch box, the tank that carries
// calibration drives and the actuator calibration style. Items that cannot
// apply (the switch box master without a cabin switch box, a calibration
// drive on a tank that cannot carry it) are taken off their lists.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class ExternalOptionsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_external_options_mask;
    using Listener = NV_store::Virt_listener<ExternalOptionsMask>;
    static constexpr int TANKS = Screen_object_ids::tank_count;
    static constexpr unsigned MASTER_SWITCHBOX = 1;
    enum list_t { CABIN_SWITCH_BOX, EXT_MASTER_SWITCH, CAL_SWITCH_BOX, CAL_DRIVE, MASTER_CLUTCH, ACT_CAL_STYLE, LISTS };

    ExternalOptionsMask(const char* name, Screen_man* man);
    ~ExternalOptionsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}
    void handle_virt_listener_event(Listener* l);

    Stat_list& list(list_t l) { return lists[l]; }
    bool actuator_rows_shown() const;

private:
    void refresh();
    void apply_switch_box_rule();
    void show_actuator_rows();
    static void offer_item(VT::Input_list_obj* list, unsigned item, unsigned short object, bool offered);

    static const Key_row<Ids> key_rows[3];
    Key_rows<Ids, 3> keys{key_rows};
    Stat_list lists[LISTS];
    VT::Input_list_obj* master_list = nullptr;
    VT::Input_list_obj* drive_list = nullptr;
    unsigned short master_items[4] = {};
    unsigned short drive_items[5] = {};
    VT::Container_obj* rows[3] = {};
    Listener* listeners[TANKS] = {};
};
