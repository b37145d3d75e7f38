// A whole poll cycle of the comms core over the project's serial stream,
// through a pseudo-terminal to the fake satellite ECUs: every row's request
// on the wire and its reply in the data store.
#include "apps/sowvane/control_logic/Comms_logic.h"

#include "apps/sowvane/data_store/data_store.h"
#include "glue/data_stream/Posix_threaded_serial_data_stream.h"
#include "glue/diner/module_man.h"
#include "tests/support/serial/Fake_satellite_ecu.h"
#include "tests/support/serial/Pty_pair.h"
#include "tests/support/serial/Pty_serial_stream.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using Packet = Packet_interface::Packet;
using Bytes = std::vector<uint8_t>;
using test_support::Fake_satellite_ecu;
using test_support::Pty_pair;
using test_support::wait_until;
using Behaviour = Fake_satellite_ecu::Behaviour;

struct Comms_line : ::testing::Test {
    test_support::Pty_serial_stream line;
    Fake_satellite_ecu ecu{line.pty};
    module_man mm;
    std::unique_ptr<Data_store> store = std::make_unique<Data_store>(&mm);
    data_store_body& b = store->body;
    CDS::Head* head = &store->head;
    NV_kelsu::application_t settings;
    std::unique_ptr<Posix_threaded_serial_data_stream>& stream = line.stream;
    std::unique_ptr<Packet_interface> link;
    std::unique_ptr<Comms_logic> comms;

    enum Outcome { NOTHING_SENT, ANSWERED, MISSED };

    void SetUp() override
    {
        ASSERT_TRUE(line.open());
        link = std::make_unique<Packet_interface>(*stream);
    }
    void start() { comms = std::make_unique<Comms_logic>(*link, *store, settings); }

    // One poll: the fake serves it, the frames that come back go to the
    // dispatch; with no accepted reply the test plays the deadline.
    Outcome exchange()
    {
        unsigned leftover = stream->bytes_avail();
        comms->poll_step();
        if (!comms->expects_reply())
            return NOTHING_SENT;
        EXPECT_EQ(1, ecu.pump_requests(1));
        size_t coming = ecu.requests().back().size() + ecu.last_reply_size();
        EXPECT_TRUE(wait_until([&] { return stream->bytes_avail() >= leftover + coming; }));
        Packet got;
        while (link->receive(got, comms->ascii_reply_awaited()))
            if (comms->dispatch_reply(got))
                return ANSWERED;
        comms->reply_status(false);
        return MISSED;
    }
};

TEST_F(Comms_line, WholeCycleFillsTheDataStore)
{
    settings.ecu_config.set(3); // 8 channels, product ECUs 60 and 61
    settings.num_channels.set(2);
    settings.channels[0].enabled.set(true);
    settings.channels[1].enabled.set(true);
    settings.swbox_external_swbox_type.set(1);
    settings.monitor_ecus.monitoring_config.set(1);
    settings.monitor_ecus.head_systems_enabled.set(1);
    settings.using_case_drain_alarm.set(true);
    settings.drill_control_enabled.set(true);
    cds_set(head, &b.monitor_ecus.activate_auto_detect, true);
    cds_set(head, &b.operation.calibration_scales_mode, 1);
    cds_set(head, &b.operation.calibration_scales[0].scale_enabled, true);
    cds_set(head, &b.channels.channels[0].active, true);
    cds_set(head, &b.channels.channels[0].set_period, ds_ulong(0x01020304));
    start();

    auto& ch = b.channels.channels;
    auto& diag = b.diagnostics;
    auto& mon = b.monitor_ecus;
    struct Row {
        unsigned row;
        uint8_t id, command;
        Bytes request_data;
        Bytes reply_data;
        std::function<bool()> landed;
    };
    auto version_is = [](const ds_version& v, int a, int b2, int c) {
        return v.v_major == a && v.v_minor == b2 && v.v_patch == c;
    };
    const Row rows[] = {
        {0, 50, 1, {}, {100, 90, 0, 0, 0},
         [&] { return b.temperatures.value[0] == 60 && b.temperatures.value[1] == 50; }},
        {1, 50, 2, {0, 1, 1, 2, 3, 4}, {0, 0, 0x30, 0x39, 42},
         [&] { return ch[0].actual_period == 12345 && ch[0].motor_load == 42; }},
        {2, 50, 2, {1, 0, 0, 0, 0, 0}, {0, 0, 0, 7, 1}, [&] { return ch[1].actual_period == 7; }},
        {3, 51, 2, {2, 0, 0, 0, 0, 0}, {0, 0, 0, 8, 1}, [&] { return ch[2].actual_period == 8; }},
        {4, 51, 2, {3, 0, 0, 0, 0, 0}, {0, 0, 0, 9, 1}, [&] { return ch[3].actual_period == 9; }},
        {5, 52, 2, {4, 0, 0, 0, 0, 0}, {0, 0, 1, 0, 1}, [&] { return ch[4].actual_period == 256; }},
        {6, 52, 2, {5, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 1}, [&] { return ch[5].actual_period == 65536; }},
        {7, 53, 2, {6, 0, 0, 0, 0, 0}, {0, 0, 0, 1, 1}, [&] { return ch[6].actual_period == 1; }},
        {8, 53, 2, {7, 0, 0, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF, 100},
         [&] { return ch[7].actual_period == 0xFFFFFFFFu && ch[7].motor_load == 100; }},
        {9, 50, 9, {0}, {0, 0, 1, 0, 5},
         [&] { return diag.shaft[0].period == 256 && diag.shaft[0].pulse_count == 5; }},
        {10, 50, 7, {}, {4, 2, 1, 0, 0, 0, 0, 0, 0, 0},
         [&] { return version_is(ch[0].ecu_version, 4, 2, 1) && version_is(ch[1].ecu_version, 4, 2, 1); }},
        {11, 51, 7, {}, {4, 2, 2, 0, 0, 0, 0, 0, 0, 0},
         [&] { return version_is(ch[3].ecu_version, 4, 2, 2); }},
        {12, 60, 7, {}, {5, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         [&] { return version_is(ch[8].ecu_version, 5, 0, 0); }},
        {13, 61, 7, {}, {5, 0, 1, 0, 0, 0, 0, 0, 0, 0},
         [&] { return version_is(ch[9].ecu_version, 5, 0, 1); }},
        {14, 50, 4, {0}, {0, 77},
         [&] { return !diag.level_sensor_on[0] && diag.liquid_pressure_sensor[0].adc_val == 77; }},
        {15, 50, 6, {0, 0}, {33}, [&] { return diag.motor_current[0].adc_val == 33; }},
        {16, 58, 73, {}, {1, 2, 3, 4},
         [&] {
             return diag.frame_swbox.switch_state == 1 && diag.frame_swbox.LED_state == 4
                    && b.operation.frame_swbox.found;
         }},
        {17, 50, 1, {}, {40, 41, 0, 0, 0},
         [&] { return b.temperatures.value[0] == 0 && b.temperatures.value[1] == 1; }},
        {18, 50, 3, {}, {11}, [&] { return diag.actuator[0].adc.adc_val == 11; }},
        {19, 51, 3, {}, {12}, [&] { return diag.actuator[1].adc.adc_val == 12; }},
        {20, 52, 3, {}, {13}, [&] { return diag.actuator[2].adc.adc_val == 13; }},
        {21, 53, 3, {}, {14}, [&] { return diag.actuator[3].adc.adc_val == 14; }},
        {22, 60, 3, {}, {15}, [&] { return diag.actuator[4].adc.adc_val == 15; }},
        {23, 61, 3, {}, {16}, [&] { return diag.actuator[5].adc.adc_val == 16; }},
        {24, 50, 5, {0}, {0x01, 0x2C, 0, 9, 66},
         [&] {
             return ch[0].motor_current == 3.0f && ch[0].motor_pulse_count == 9
                    && diag.motor_current[0].adc_val == 66;
         }},
        {25, 68, 11, {}, {100},
         [&] { return diag.fans[0].adc.adc_val == 100 && b.fans[0].pressure > 6.5f; }},
        {26, 50, 6, {0, 1}, {44}, [&] { return diag.motor_current[0].adc_val == 44; }},
        {27, 60, 10, {}, {0, 150, 12, 0, 0, 0, 0},
         [&] { return ch[8].liquid_pressure == 150 && diag.liquid_pressure_sensor[8].adc_val == 12; }},
        {28, 61, 10, {}, {1, 0, 13, 0, 0, 0, 0}, [&] { return ch[9].liquid_pressure == 256; }},
        {29, 50, 9, {0}, {0, 0, 0, 100, 1, 0},
         [&] { return diag.shaft[0].period == 100 && diag.shaft[0].pulse_count == 256; }},
        {30, 58, 73, {}, {5, 6, 7, 8}, [&] { return diag.frame_swbox.guide_state == 7; }},
        {31, 54, 73, {}, {1, 0, 1, 0},
         [&] { return mon.monitor_ecu[0].monitor_state[2] == 1 && mon.monitor_ecu[0].monitor_state[1] == 0; }},
        {32, 0xFF, 255, {}, {1, 2, 3, 4, 5, 6, 7, 8}, [] { return true; }},
        {33, 55, 24, {}, {5, 0}, [&] { return mon.head_system_active[0] && !mon.head_system_active[1] && mon.head_system_active[2]; }},
        {34, 55, 2, {}, {0x03, 0, 0x08, 0, 0},
         [&] { return mon.monitor_inputs_active[0] && mon.monitor_inputs_active[1] && !mon.monitor_inputs_active[2] && mon.monitor_inputs_active[19]; }},
        {35, 55, 8, {}, {0x80, 0x01},
         [&] { return mon.monitor_latched_inputs_active[7] && mon.monitor_latched_inputs_active[8] && !mon.monitor_latched_inputs_active[0]; }},
        {36, 71, 1, {}, {3, 0, 0, 0, 0}, [&] { return diag.case_drain_state && diag.ladder_switch_state; }},
        {37, 0, 0, {}, {}, [&] { return b.operation.calibration_scales[0].gross_weight == 1234.5f; }},
        {39, 59, 83, {}, {}, [] { return true; }},
    };
    ecu.set_ascii_reply("S01110026:", "S01110026:+0001234.5\x03");
    for (const Row& r : rows) {
        SCOPED_TRACE("row " + std::to_string(r.row));
        if (r.id)
            ecu.set_reply(r.id, r.command, r.reply_data);
        ecu.clear_requests();
        if (r.row == 39) {
            EXPECT_EQ(NOTHING_SENT, exchange()) << "row 38 asks no controller";
            EXPECT_EQ(38u, comms->last_poll_index());
        }
        ASSERT_EQ(ANSWERED, exchange());
        EXPECT_EQ(r.row, comms->last_poll_index());
        Bytes request = ecu.requests().back();
        if (r.id) {
            Bytes expected_request =
                Fake_satellite_ecu::frame(r.id, Packet_interface::OWN_ADDRESS, r.command, r.request_data);
            EXPECT_EQ(expected_request, request);
        } else {
            EXPECT_EQ(std::string("S01110026:"), std::string(request.begin(), request.end()));
        }
        EXPECT_TRUE(r.landed());
    }
    EXPECT_EQ(0u, comms->poll_index());
    EXPECT_EQ(39u, comms->good_reply_count());
    EXPECT_EQ(0u, comms->no_comms_mask());
}

// Silent, late, corrupt and wrong-length controllers each cost a missed
// reply; the fourth miss in a row puts the slot in no-comms, one good reply
// takes it out again. A late reply that turns up while another poll is
// awaited is not taken for that poll's reply.
TEST_F(Comms_line, MisbehavingControllersRaiseAndClearNoComms)
{
    start(); // type 0: rows 0 to 4 ask 50, 50, 50, 51, 51 (all slot 0)
    ecu.set_reply(50, 1, {70, 70, 0, 0, 0});
    ecu.set_reply(50, 2, {0, 0, 0, 5, 0});
    ecu.set_reply(51, 2, {0, 0, 0, 6, 0});
    ::testing::internal::CaptureStdout();

    ecu.set_behaviour(50, Behaviour::LATE);
    EXPECT_EQ(MISSED, exchange()); // row 0
    ecu.set_behaviour(50, Behaviour::SILENT);
    size_t late = ecu.release_late();
    ASSERT_TRUE(wait_until([&] { return stream->bytes_avail() >= late; }));
    EXPECT_EQ(MISSED, exchange()); // row 1: the late reply to row 0 is refused
    EXPECT_FLOAT_EQ(0, cds_get(head, &b.temperatures.value[0]));
    ecu.set_behaviour(50, Behaviour::CORRUPT);
    EXPECT_EQ(MISSED, exchange()); // row 2
    EXPECT_EQ(3u, comms->missed_count(0));
    EXPECT_EQ(0u, comms->no_comms_mask());
    ecu.set_behaviour(51, Behaviour::WRONG_LENGTH, 1);
    EXPECT_EQ(MISSED, exchange()); // row 3
    EXPECT_EQ(1u, comms->no_comms_mask());
    EXPECT_EQ(1u, cds_get(head, &b.system.ECU_status));
    EXPECT_EQ(4u, cds_get(head, &b.diagnostics.comms.ecu_count[0]));

    ecu.set_behaviour(51, Behaviour::ANSWER);
    EXPECT_EQ(ANSWERED, exchange()); // row 4
    EXPECT_EQ(4u, comms->last_poll_index());
    EXPECT_EQ(0u, comms->no_comms_mask());
    EXPECT_EQ(6u, cds_get(head, &b.channels.channels[3].actual_period));
    std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Check failed! idx = 1 Exp: src 32 cmd 2 Act: src 32 cmd 1\n"));
    EXPECT_NE(std::string::npos, log.find("Check failed! idx = 3 Exp: 10 Act: 11\n"));
}

} // namespace
