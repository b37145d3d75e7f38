#include "apps/sowvane/screens/Setting_ranges.h"

#include "apps/sowvane/params/parameters.h"

namespace setting_ranges {

namespace {

using NV_kelsu::parameters_t;

// One setting, or the same setting of each record of an array: the record
// count, the setting of record i and its range.
struct Row {
    unsigned (*count)(const parameters_t& ps);
    const NV_store::NV_item& (*setting)(const parameters_t& ps, unsigned i);
    Setting_range (*range)(const parameters_t& ps, unsigned i);
};

unsigned one(const parameters_t&) { return 1; }
unsigned tanks(const parameters_t& ps) { return unsigned(ps.app.channels.size()); }
unsigned products(const parameters_t& ps) { return unsigned(ps.app.products.size()); }

#define FIXED(range_) [](const parameters_t&, unsigned) { return range_; }
#define TANK_SETTING(member) [](const parameters_t& ps, unsigned i) -> const NV_store::NV_item& { return ps.app.channels.at(int(i)).member; }
#define PRODUCT_SETTING(member) [](const parameters_t& ps, unsigned i) -> const NV_store::NV_item& { return ps.app.products.at(int(i)).member; }

const Row rows[] = {
    {one, [](const parameters_t& ps, unsigned) -> const NV_store::NV_item& { return ps.app.machine_width; },
     FIXED(machine_width)},
    {tanks, TANK_SETTING(mode), FIXED(tank_mode)},
    {tanks, TANK_SETTING(capacity), FIXED(tank_capacity)},
    {tanks, TANK_SETTING(remaining), FIXED(tank_remaining)},
    {tanks, TANK_SETTING(cal_setting),
     [](const parameters_t& ps, unsigned i) { return tank_factor(ps.app.channels.at(int(i)).mode.get()); }},
    {products, PRODUCT_SETTING(tank), FIXED(product_tank)},
    {products, PRODUCT_SETTING(preset_rate_1), FIXED(product_rate)},
    {products, PRODUCT_SETTING(preset_rate_2), FIXED(product_rate)},
    {products, PRODUCT_SETTING(inc_dec), FIXED(product_rate)},
    {products, PRODUCT_SETTING(density), FIXED(product_density)},
    // A product's factor goes with the type of the tank it is on.
    {products, PRODUCT_SETTING(product_cal_factor),
     [](const parameters_t& ps, unsigned i) {
         const unsigned t = ps.app.products.at(int(i)).tank.get();
         return tank_factor(t < unsigned(ps.app.channels.size()) ? ps.app.channels.at(int(t)).mode.get() : 0);
     }},
};

#undef FIXED
#undef TANK_SETTING
#undef PRODUCT_SETTING

}  // namespace

bool find(const parameters_t& ps, const NV_store::NV_item& item, Setting_range& range)
{
    for (const Row& row : rows) {
        const unsigned n = row.count(ps);
        for (unsigned i = 0; i < n; ++i) {
            if (&row.setting(ps, i) == &item) {
                range = row.range(ps, i);
                return true;
            }
        }
    }
    return false;
}

}  // namespace setting_ranges
