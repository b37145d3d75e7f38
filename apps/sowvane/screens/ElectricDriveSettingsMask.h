// The electric motor drive of a granular tank. For the two known motors the
// page shows the motor's fixed pulses per revolution and speed limits; for
// any other motor the operator enters them.
#pragma once

#include "apps/sowvane/screens/Tank_drive_mask.h"

class ElectricDriveSettingsMask
    : public Tank_drive_mask<Screen_object_ids::Group_electric_drive_settings_mask, 4, 5, 3> {
public:
    using Ids = Screen_object_ids::Group_electric_drive_settings_mask;
    enum number_t { GEAR_RATIO, SHAFT_PULSES, PULSES, MAX_RPM, MIN_RPM };
    enum list_t { SHAFT_SENSOR, SOFT_START, MOTOR };
    enum preset_t { PRESET_PULSES, PRESET_MAX_RPM, PRESET_MIN_RPM, PRESETS };
    static constexpr unsigned KNOWN_MOTORS = 2;

    ElectricDriveSettingsMask(const char* name, Screen_man* man);

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;

    Stat_num& preset(preset_t p) { return presets[p]; }
    bool input_rows_shown() const;

protected:
    void refresh() override;
    bool store(Stat* s) override;

private:
    void show_motor(unsigned selection);

    Stat_num presets[PRESETS];
    VT::Container_obj* input_rows[PRESETS] = {};
    VT::Container_obj* output_rows[PRESETS] = {};
};
