#pragma once
// The range each setting may take: the one the settings pages let the
// operator set it in, read by the pages and by whoever else sets a setting
// (the test console), so that nothing stores what the pages refuse. Values
// in the setting's stored units.

#include <limits>

namespace NV_kelsu {
class parameters_t;
}
namespace NV_store {
class NV_item;
}

struct Setting_range {
    double min, max;
    // A value outside min to max that stands for "none" (a product on no
    // tank); NaN when there is none.
    double none = std::numeric_limits<double>::quiet_NaN();
    bool holds(double v) const { return (v >= min && v <= max) || v == none; }
};

namespace setting_ranges {

// The working width, in metres.
constexpr Setting_range machine_width{0.0, 100.0};
// A tank: its type (0 granular, 1 liquid, 2 NH3) and its capacity.
constexpr Setting_range tank_mode{0.0, 2.0};
constexpr Setting_range tank_capacity{0.0, 99999.0};
// The product left in a tank (litres, or kg for a tank filled by mass).
constexpr Setting_range tank_remaining{0.0, 99999.0};
// A calibration factor: a granular tank's mass per shaft revolution (kg), a
// liquid or NH3 tank's meter pulses per litre or per kg N.
constexpr Setting_range granular_factor{0.0, 50.0};
constexpr Setting_range meter_pulse_factor{0.0, 50000.0};
// A product: its rates and rate step, its density, and the tank it is on
// (one of the four tanks the pages show, or 10 for none).
constexpr Setting_range product_rate{0.0, 99999.0};
constexpr Setting_range product_density{0.0, 1000.0};
constexpr unsigned PRODUCT_TANKS = 4;
constexpr unsigned NO_TANK = 10;
constexpr Setting_range product_tank{0.0, PRODUCT_TANKS - 1.0, double(NO_TANK)};

// The factor range of a tank of that type.
inline const Setting_range& tank_factor(int tank_mode)
{
    return tank_mode == 1 || tank_mode == 2 ? meter_pulse_factor : granular_factor;
}

// The range of the setting item of the tree ps as it stands (a factor's
// range follows its tank's type); false for a setting without a range of
// its own, whose type's range applies.
bool find(const NV_kelsu::parameters_t& ps, const NV_store::NV_item& item, Setting_range& range);

}  // namespace setting_ranges
