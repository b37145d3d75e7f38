#include "apps/sowvane/control_logic/Metering.h"

#include "apps/sowvane/params/parameters.h"

#include <cmath>

namespace metering {

namespace {

// Granular drive types (channel_t::granular_controller_type).
enum Drive : unsigned { ELECTRIC = 0, ACTUATOR = 1, REGULATING_VALVE = 2, PROPORTIONAL_VALVE = 3 };

double positive(double v) { return std::isfinite(v) && v > 0 ? v : 0; }

} // namespace

double encoder_ratio(const NV_kelsu::channel_t& channel)
{
    switch (channel.granular_controller_type.get()) {
    case ELECTRIC:
        return positive(channel.motor_encoder_ratio.get());
    case ACTUATOR:
        return positive(channel.act_encoder_ratio.get());
    case REGULATING_VALVE:
        return positive(channel.rvalve_granular_encoder_ratio.get());
    case PROPORTIONAL_VALVE:
        return positive(channel.pvalve_granular_encoder_ratio.get());
    default:
        return 0;
    }
}

double pulses_per_unit(int mode, double factor, double encoder)
{
    if (mode != GRANULAR)
        return positive(factor);
    factor = positive(factor);
    return factor > 0 ? positive(positive(encoder) / factor) : 0;
}

double pulses_per_unit(const NV_kelsu::channel_t& channel)
{
    return pulses_per_unit(channel.mode.get(), channel.cal_setting.get(), encoder_ratio(channel));
}

} // namespace metering
