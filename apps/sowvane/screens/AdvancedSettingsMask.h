// Settings an operator rarely changes: task-controller use, task-controller
// control of the boom sections, moving to the next VT, and the way to the
// factory reset. Also the check of the calibration-drive setting that the
// tank and external-option pages run after a tank changes.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

// Whether tank i may carry the calibration drive: a tank that is not
// enabled, or an enabled granular tank driven by an actuator.
bool calibration_drive_tank_qualifies(int i);
// Clears app.calibration_drive_channel (to -1) when its tank no longer
// qualifies; a channel outside the tanks is cleared with a line.
void check_calibration_drive_channel();

class AdvancedSettingsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_advanced_settings_mask;
    enum list_row { ENABLE_TC, ENABLE_TC_BOOM, LIST_ROWS };

    AdvancedSettingsMask(const char* name, Screen_man* man);
    ~AdvancedSettingsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    Stat_list& list(list_row r) { return lists[r]; }

private:
    void update_lists();
    // Rebuilds the boom layout for the task controller: one boom with one
    // section of the machine width, or no booms.
    void set_tc_booms(bool enabled);

    enum { KEY_SETTINGS_MENU, KEY_MAIN, VT_SWITCH, FACTORY_RESET };
    static const Key_row<Ids> key_rows[4];
    static const List_row<Ids> list_rows[LIST_ROWS];
    Key_rows<Ids, 4> keys{key_rows};
    List_rows<Ids, LIST_ROWS> lists{list_rows};
};
