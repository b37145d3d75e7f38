// Ground speed out of the speed messages on the CAN bus, in m/s:
//   PGN 65096 wheel-based speed and PGN 65097 ground-based speed (ISO 11783-7):
//     bytes 0-1, little endian, 0.001 m/s per bit, valid up to 0xFAFF;
//   PGN 129026 NMEA 2000 COG & SOG rapid update: SOG in bytes 4-5, little
//     endian, 0.01 m/s per bit, valid up to 0xFFFC.
// A message that is too short or carries a not-available, error or reserved
// value gives no speed (false), so that it is never written as one.
#pragma once

#include <cstdint>

namespace Speed_messages {

constexpr uint32_t PGN_WHEEL_BASED_SPEED = 65096;
constexpr uint32_t PGN_GROUND_BASED_SPEED = 65097;
constexpr uint32_t PGN_COG_SOG_RAPID = 129026;

// Decodes the speed of any of the three PGNs; false for another PGN.
bool decode_speed(uint32_t pgn, const uint8_t* data, unsigned length, float& metres_per_second);

bool decode_machine_speed(const uint8_t* data, unsigned length, float& metres_per_second);
bool decode_sog(const uint8_t* data, unsigned length, float& metres_per_second);

// The manual speed setting is in km/h; the data store holds m/s.
inline float kmh_to_mps(float kmh) { return kmh / 3.6f; }

} // namespace Speed_messages
