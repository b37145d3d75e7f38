// Machine width, manual speed and speed source. A new machine width also
// sets the first section's width and asks the task controller link to start
// again with the new layout.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class WidthAndSpeedSettingsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_width_and_speed_settings_mask;
    enum number_row { WIDTH, MANUAL_SPEED, NUMBER_ROWS };
    // Speed-source items that cannot be chosen: GPS and Manual.
    static constexpr unsigned SOURCE_GPS = 0, SOURCE_MANUAL = 3;

    WidthAndSpeedSettingsMask(const char* name, Screen_man* man);
    ~WidthAndSpeedSettingsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    Stat_num& number(number_row r) { return numbers[r]; }

private:
    // Shows the stored width, manual speed and speed source.
    void load();

    static const Key_row<Ids> key_rows[3];
    static const Number_row<Ids> number_rows[NUMBER_ROWS];
    static const List_row<Ids> list_rows[1];
    Key_rows<Ids, 3> keys{key_rows};
    Number_rows<Ids, NUMBER_ROWS> numbers{number_rows};
    List_rows<Ids, 1> lists{list_rows};
    unsigned short source_items[7] = {};
};
