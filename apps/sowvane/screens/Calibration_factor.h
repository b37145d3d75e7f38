// What the calibration pages share about the factors they compute: the
// range a factor may take in its unit (a granular tank's mass per shaft
// revolution, a liquid or NH3 tank's meter pulses per unit, the wheel's
// distance per sensor pulse), the texts that say a calibration failed, and
// whether a page shown again comes back from an alarm pop-up.
#pragma once

#include "apps/sowvane/screens/Setting_ranges.h"

class Screen_man;
class Stat_num;

using Factor_range = Setting_range;

// The factor range of a tank of that type (0 granular, 1 liquid, 2 NH3).
Factor_range tank_factor_range(int tank_mode);
// The wheel factor, in metres per speed-sensor pulse.
constexpr Factor_range wheel_factor_range{0.0, 50.0};

// The step text of a calibration that could not compute a factor.
extern const char* const calibration_failed_zero_text;
extern const char* const calibration_failed_range_text;

// The range of a factor stat, in base units (a stat set up again forgets
// its range: set it after every set-up).
void set_factor_range(Stat_num& stat, const Factor_range& range);

// Whether the screen being shown comes back from an alarm pop-up that stood
// in front of it (the last screen left was an alarm screen).
bool back_from_alarm_pop_up(const Screen_man* man);
