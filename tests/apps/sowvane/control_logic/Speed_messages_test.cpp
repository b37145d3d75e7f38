#include "apps/sowvane/control_logic/Speed_messages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Speed_messages;

TEST(Speed_messages, DecodesValidSpeedsAndRefusesSpecialValues)
{
    struct Case {
        uint32_t pgn;
        std::vector<uint8_t> data;
        bool ok;
        float mps;
    } cases[] = {
        // wheel- and ground-based: bytes 0-1, 0.001 m/s
        {PGN_WHEEL_BASED_SPEED, {0x88, 0x13, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, true, 5.0f},
        {PGN_GROUND_BASED_SPEED, {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, true, 0.0f},
        {PGN_GROUND_BASED_SPEED, {0xFF, 0xFA, 0, 0, 0, 0, 0, 0}, true, 64.255f},
        {PGN_WHEEL_BASED_SPEED, {0x00, 0xFB, 0, 0, 0, 0, 0, 0}, false, 0}, // reserved
        {PGN_WHEEL_BASED_SPEED, {0x00, 0xFE, 0, 0, 0, 0, 0, 0}, false, 0}, // error
        {PGN_WHEEL_BASED_SPEED, {0xFE, 0xFF, 0, 0, 0, 0, 0, 0}, false, 0},
        {PGN_GROUND_BASED_SPEED, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, false, 0}, // not available
        {PGN_WHEEL_BASED_SPEED, {0x88}, false, 0},                          // too short
        // COG & SOG rapid update: SOG in bytes 4-5, 0.01 m/s
        {PGN_COG_SOG_RAPID, {0x01, 0xFC, 0x10, 0x27, 0xF4, 0x01, 0xFF, 0xFF}, true, 5.0f},
        {PGN_COG_SOG_RAPID, {0x01, 0xFC, 0x10, 0x27, 0xFC, 0xFF, 0xFF, 0xFF}, true, 655.32f},
        {PGN_COG_SOG_RAPID, {0x01, 0xFC, 0x10, 0x27, 0xFD, 0xFF, 0xFF, 0xFF}, false, 0},
        {PGN_COG_SOG_RAPID, {0x01, 0xFC, 0x10, 0x27, 0xFE, 0xFF, 0xFF, 0xFF}, false, 0},
        {PGN_COG_SOG_RAPID, {0x01, 0xFC, 0x10, 0x27, 0xFF, 0xFF, 0xFF, 0xFF}, false, 0},
        {PGN_COG_SOG_RAPID, {0x01, 0xFC, 0x10, 0x27, 0xF4}, false, 0},
        {65265, {0x00, 0x10, 0, 0, 0, 0, 0, 0}, false, 0}, // not a speed PGN here
    };
    for (const Case& c : cases) {
        float speed = -1;
        EXPECT_EQ(c.ok, decode_speed(c.pgn, c.data.data(), unsigned(c.data.size()), speed))
            << c.pgn << " " << int(c.data[0]);
        if (c.ok)
            EXPECT_NEAR(c.mps, speed, 1e-4);
        else
            EXPECT_EQ(-1, speed); // nothing written
    }
    float speed = -1;
    EXPECT_FALSE(decode_speed(PGN_WHEEL_BASED_SPEED, nullptr, 8, speed));
    EXPECT_NEAR(10.0f / 3.6f, kmh_to_mps(10.0f), 1e-6);
}

} // namespace
