// The settings of a liquid tank's regulating valve: valve direction and
// behaviour with the tank off, sensitivity, the controller mode, and the
// four timing settings of each controller mode (only the chosen mode's set
// shows and is edited).
#pragma once

#include "apps/sowvane/screens/Tank_drive_mask.h"

class LiquidRegValveControlSettingsMask
    : public Tank_drive_mask<Screen_object_ids::Group_liquid_reg_valve_control_settings_mask, 5, 0, 5> {
public:
    using Ids = Screen_object_ids::Group_liquid_reg_valve_control_settings_mask;
    static constexpr unsigned MODES = 4;
    enum timing_t { PWM, MAX_ON, MIN_ON, GAIN, TIMINGS };
    enum list_t { REVERSE, CLOSE_WHEN_OFF, RELAY_ON_WHEN_OFF, SENSITIVITY, CONTROLLER_MODE };

    LiquidRegValveControlSettingsMask(const char* name, Screen_man* man);

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    Stat_list& timing(unsigned mode, timing_t t) { return timings[mode][t]; }
    bool mode_rows_shown(unsigned mode) const;

protected:
    void refresh() override;
    bool store(Stat* s) override;

private:
    Stat_list timings[MODES][TIMINGS];
    VT::Container_obj* timing_rows[MODES][TIMINGS] = {};
};
