// The wheel factor (distance per speed-sensor pulse), typed in, or measured
// with the wheel calibration wizard.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class WheelCalibrationSettingsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_wheel_calibration_settings_mask;

    WheelCalibrationSettingsMask(const char* name, Screen_man* man);
    ~WheelCalibrationSettingsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool handle_stat_update(Stat* s) override;
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    Stat_num& factor() { return numbers[0]; }

private:
    void load();

    static const Key_row<Ids> key_rows[4];
    static const Number_row<Ids> number_rows[1];
    Key_rows<Ids, 4> keys{key_rows};
    Number_rows<Ids, 1> numbers{number_rows};
};
