#include "apps/sowvane/screens/Calibration_factor.h"

#include "vtui/screen/Screen_man.h"
#include "vtui/stat/Stat_num.h"

const char* const calibration_failed_zero_text =
    "Step 4/4) Calibration failed: no weight or no count. Press Cancel and calibrate again";
const char* const calibration_failed_range_text =
    "Step 4/4) Calibration failed: factor out of range. Press Cancel and calibrate again";

Factor_range tank_factor_range(int tank_mode)
{
    return setting_ranges::tank_factor(tank_mode);
}

void set_factor_range(Stat_num& stat, const Factor_range& range)
{
    stat.set_range(range.min, range.max);
}

bool back_from_alarm_pop_up(const Screen_man* man)
{
    return man != nullptr && man->left_alarm_screen();
}
