// What the three steps of the multi-tank calibration share: which tanks
// take part and how a tank's name shows.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "vtui/stat/Stat_string.h"

namespace multi_tank_cal {

constexpr unsigned TANKS = Screen_object_ids::tank_count;

// An enabled granular tank with a product assigned.
bool is_cal_tank(NV_kelsu::parameters_t& ps, unsigned i);
// The tank's name without leading and trailing blanks, "......." if none.
void show_tank_name(NV_kelsu::parameters_t& ps, unsigned i, Stat_string& out);
// Points the slot at the key (or at nothing).
void show_key(VT::Object_pointer_obj* slot, uint32_t key);
float store_float(const float* field);

} // namespace multi_tank_cal
