// The live records start with the store's start-up values: zero or false
// everywhere except the fields listed below.

#include "apps/sowvane/data_store/data_store_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// "unsigned long" fields are 32-bit words on every host (the stored and
// served layout); checked when this file compiles. Their type names and
// sizes as served to peers are pinned by the schema's golden table.
static_assert(sizeof(ds_channel::set_period) == 4, "");
static_assert(sizeof(ds_channel::actual_period) == 4, "");
static_assert(sizeof(ds_shaft::period) == 4, "");
static_assert(sizeof(ds_ground_speed_sensor::period) == 4, "");
static_assert(sizeof(ds_system::reset_tc_counter) == 4, "");

// A body built over zeroed memory, so padding bytes are zero as well and the
// whole block can be compared byte by byte.
struct Zeroed_body {
    alignas(data_store_body) unsigned char bytes[sizeof(data_store_body)] = {};
    data_store_body* body;
    Zeroed_body() { body = new (bytes) data_store_body; }
    ~Zeroed_body() { body->~data_store_body(); }
};

template <typename T>
void expect_and_clear(T& field, T expected, const std::string& what) {
    EXPECT_EQ(field, expected) << what;
    field = T();
}

TEST(DataStoreRecords, NonZeroInitialValuesAndZeroEverywhereElse) {
    Zeroed_body z;
    data_store_body& b = *z.body;

    std::vector<ds_channel*> channels;
    for (auto& c : b.channels.channels) channels.push_back(&c);
    for (auto& c : b.downforces.channels) channels.push_back(&c);
    ASSERT_EQ(channels.size(), 15u);
    for (size_t i = 0; i < channels.size(); ++i) {
        ds_channel& c = *channels[i];
        std::string at = "channel " + std::to_string(i) + ": ";
        expect_and_clear(c.min_rate, 1000000.0, at + "min_rate");
        expect_and_clear(c.rate_control_mode, 1, at + "rate_control_mode");
        expect_and_clear(c.restart_liquid_pressure_filter, true, at + "restart_liquid_pressure_filter");
        expect_and_clear(c.bin_capacity, 1000.0, at + "bin_capacity");
        expect_and_clear(c.sequence_time_expired, true, at + "sequence_time_expired");
        expect_and_clear(c.cultural_practise, 2, at + "cultural_practise");
    }
    for (int i = 0; i < 6; ++i) {
        std::string at = "boom " + std::to_string(i) + ": ";
        expect_and_clear(b.booms.boom[i].use_asc_boundary, true, at + "use_asc_boundary");
        expect_and_clear(b.booms.boom[i].use_asc_coverage, true, at + "use_asc_coverage");
    }
    expect_and_clear(b.operation.inhibit_master_switch, true, "inhibit_master_switch");
    expect_and_clear(b.operation.calibration_scale_dec_places, 3, "calibration_scale_dec_places");
    expect_and_clear(b.diagnostics.level_sensor_on[0], true, "level_sensor_on[0]");
    for (int i = 1; i < 10; ++i) EXPECT_FALSE(b.diagnostics.level_sensor_on[i]) << i;
    EXPECT_STREQ(b.system.firmware_version.string, "4.04-r12");
    std::memset(b.system.firmware_version.string, 0, sizeof b.system.firmware_version.string);
    expect_and_clear(b.system.hardware_id, 1u, "hardware_id");
    expect_and_clear(b.system.alive, true, "alive");
    expect_and_clear(b.section_monitors.threshold_percent, 10.0f, "threshold_percent");

    for (size_t i = 0; i < sizeof z.bytes; ++i)
        ASSERT_EQ(z.bytes[i], 0) << "unexpected non-zero initial byte at offset " << i;
}

TEST(DataStoreRecords, ShapesOtherModulesRelyOn) {
    data_store_body b;
    EXPECT_EQ(std::size(b.channels.channels), 10u);
    EXPECT_EQ(std::size(b.downforces.channels), 5u);
    EXPECT_EQ(std::size(b.fans), 5u);
    EXPECT_EQ(std::size(b.booms.boom), 6u);
    EXPECT_EQ(std::size(b.booms.boom[0].sections), 10u);
    EXPECT_EQ(std::size(b.areas.sub_areas), 10u);
    EXPECT_EQ(std::size(b.areas.sub_areas[0]), 10u);
    EXPECT_EQ(std::size(b.volumes.sub_volumes[9]), 10u);
    EXPECT_EQ(std::size(b.alarms.tank_low), 10u);
    EXPECT_EQ(std::size(b.alarms.pump_speed_high), 4u);
    EXPECT_EQ(std::size(b.diagnostics.comms.ecu_count), 22u);
    EXPECT_EQ(std::size(b.interface.channels), 10u);
    EXPECT_EQ(sizeof(ds_alarm), 5u);   // five bool bytes, the alarm pop-ups write acknowledged
    // The bin's content kind is the leading word of each interface channel.
    EXPECT_EQ(static_cast<void*>(&b.interface.channels[3].content_kind),
              static_cast<void*>(&b.interface.channels[3]));
    EXPECT_EQ(sizeof(b.system.firmware_version.string), 12u);
}

}  // namespace
