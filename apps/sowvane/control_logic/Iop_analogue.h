// Conversions of the I/O processor's raw 8-bit analogue readings (0 .. 255
// over 0 .. 5 V) into engineering values, and of values back into output
// counts.
#pragma once

#include <cstdint>

namespace Iop_analogue {

// (x - 61.4) * 0.16875, never below 0.
float offset_scaled(uint8_t x);
// A pressure transducer with 0.8 V at zero: (v - 0.8) * 4309.223, 0 below 0.8 V.
float pressure(uint8_t x);
// A sensor reading 0 at zero_volts and full_scale_value at full_scale_volts;
// 0 below zero_volts or when the volt span is not positive.
float linear_sensor(uint8_t x, float zero_volts, float full_scale_volts, float full_scale_value);
// The output count that puts value on a line from (low_value, low_volts) to
// (high_value, high_volts); flat at low_volts when the value span is not
// positive; clamped to 0 .. 255, rounded half up.
uint8_t output_count(float value, float low_volts, float high_volts, float low_value,
                     float high_value);
// The sensor curve for readings 16 .. 134 (tenths in the table); 0 outside.
float curve(uint8_t x);

} // namespace Iop_analogue
