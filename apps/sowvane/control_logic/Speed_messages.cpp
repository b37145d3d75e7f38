#include "apps/sowvane/control_logic/Speed_messages.h"

namespace Speed_messages {

namespace {

constexpr unsigned MACHINE_SPEED_MAX_VALID = 0xFAFF; // above: reserved, error, not available
constexpr unsigned SOG_MAX_VALID = 0xFFFC;           // above: reserved, out of range, not available

unsigned le16(const uint8_t* data, unsigned at) { return data[at] | unsigned(data[at + 1]) << 8; }

} // namespace

bool decode_machine_speed(const uint8_t* data, unsigned length, float& metres_per_second)
{
    if (!data || length < 2)
        return false;
    unsigned raw = le16(data, 0);
    if (raw > MACHINE_SPEED_MAX_VALID)
        return false;
    metres_per_second = float(raw) * 0.001f;
    return true;
}

bool decode_sog(const uint8_t* data, unsigned length, float& metres_per_second)
{
    if (!data || length < 6)
        return false;
    unsigned raw = le16(data, 4);
    if (raw > SOG_MAX_VALID)
        return false;
    metres_per_second = float(raw) * 0.01f;
    return true;
}

bool decode_speed(uint32_t pgn, const uint8_t* data, unsigned length, float& metres_per_second)
{
    switch (pgn) {
    case PGN_WHEEL_BASED_SPEED:
    case PGN_GROUND_BASED_SPEED:
        return decode_machine_speed(data, length, metres_per_second);
    case PGN_COG_SOG_RAPID:
        return decode_sog(data, length, metres_per_second);
    default:
        return false;
    }
}

} // namespace Speed_messages
