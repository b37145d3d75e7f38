// What a tank's calibration factor means to the drive, the one meaning the
// control core and the seed simulator share with the calibration pages:
// - a granular tank's factor (cal_setting) is the mass one revolution of the
//   metering shaft delivers (kg per revolution), and its drive's encoder
//   gives the pulses of one shaft revolution;
// - a liquid or NH3 tank's factor is meter pulses per unit (per litre, per
//   kg N).
// The drive works in pulses: these give the pulses per unit of product.
#pragma once

namespace NV_kelsu {
class channel_t;
}

namespace metering {

// Tank types (channel_t::mode).
constexpr int GRANULAR = 0;

// Pulses per shaft revolution of the tank's granular drive, from the drive
// settings of its type: electric motor, actuator, regulating or
// proportional valve. 0 when the settings give none.
double encoder_ratio(const NV_kelsu::channel_t& channel);

// Drive pulses per unit of product for a tank of that type with that
// factor and encoder ratio; 0 when they give none (no factor, no encoder,
// or not finite).
double pulses_per_unit(int mode, double factor, double encoder);

// The same from the tank's settings.
double pulses_per_unit(const NV_kelsu::channel_t& channel);

} // namespace metering
