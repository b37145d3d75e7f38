// The valve mode byte of a tank (pvalve_granular_mode or pvalve_liquid_mode)
// packs four list settings: soft start (bit 0), soft stop (bit 2), dither
// (bit 4) and the dump valve (bits 6 and 7: item 0 neither, 1 bit 7 only,
// 2 both). A row edits its bits and leaves the others of the byte alone.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

namespace valve_mode {

constexpr unsigned SOFT_START = 0x01, SOFT_STOP = 0x04, DITHER = 0x10, DUMP_LOW = 0x40, DUMP_HIGH = 0x80;

inline double dump_item(unsigned mode)
{
    if ((mode & (DUMP_LOW | DUMP_HIGH)) == (DUMP_LOW | DUMP_HIGH))
        return 2;
    return (mode & DUMP_HIGH) ? 1 : 0;
}

// The byte with the dump valve set to the item; another item leaves it.
inline unsigned with_dump_item(unsigned mode, double item)
{
    if (item == 0)
        return mode & ~(DUMP_LOW | DUMP_HIGH);
    if (item == 1)
        return (mode & ~DUMP_LOW) | DUMP_HIGH;
    if (item == 2)
        return mode | DUMP_LOW | DUMP_HIGH;
    return mode;
}

inline unsigned with_bit(unsigned mode, unsigned bit, double item)
{
    return item != 0 ? mode | bit : mode & ~bit;
}

} // namespace valve_mode

// A Setting_ref over one bit of the mode byte at path.
#define VALVE_MODE_BIT(path, bit)                                                                                \
    Setting_ref                                                                                                  \
    {                                                                                                            \
        [](NV_kelsu::parameters_t& ps, unsigned i) -> double { return (ps.path.get() & (bit)) ? 1.0 : 0.0; },      \
            [](NV_kelsu::parameters_t& ps, unsigned i, double v) -> bool {                                       \
                auto& mode = ps.path;                                                                            \
                return mode.set((unsigned char)valve_mode::with_bit(mode.get(), (bit), v));                      \
            }                                                                                                    \
    }

// A Setting_ref over the dump-valve bits of the mode byte at path.
#define VALVE_MODE_DUMP(path)                                                                                    \
    Setting_ref                                                                                                  \
    {                                                                                                            \
        [](NV_kelsu::parameters_t& ps, unsigned i) -> double { return valve_mode::dump_item(ps.path.get()); },     \
            [](NV_kelsu::parameters_t& ps, unsigned i, double v) -> bool {                                       \
                auto& mode = ps.path;                                                                            \
                return mode.set((unsigned char)valve_mode::with_dump_item(mode.get(), v));                       \
            }                                                                                                    \
    }

// The seven list rows of a proportional valve's control settings, over the
// tank's fields with the prefix (pvalve_granular or pvalve_liquid).
#define VALVE_CONTROL_ROWS(Ids, prefix)                                                                          \
    {&Ids::soft_start, VALVE_MODE_BIT(app.channels[i].prefix##_mode, valve_mode::SOFT_START)},                  \
        {&Ids::soft_stop, VALVE_MODE_BIT(app.channels[i].prefix##_mode, valve_mode::SOFT_STOP)},                \
        {&Ids::add_dither, VALVE_MODE_BIT(app.channels[i].prefix##_mode, valve_mode::DITHER)},                  \
        {&Ids::dump_valve, VALVE_MODE_DUMP(app.channels[i].prefix##_mode)},                                     \
        {&Ids::min_pwm, SETTING_REF(app.channels[i].prefix##_min_pwm_setting)},                                  \
        {&Ids::max_pwm, SETTING_REF(app.channels[i].prefix##_max_pwm_setting)},                                  \
    {                                                                                                            \
        &Ids::controller_resp, SETTING_REF(app.channels[i].prefix##_response_setting)                            \
    }
