// The control logic module with its thread parked: the test hands it the
// events its receiver collects (serial data, speed messages, data-store and
// settings changes) and plays its timers by calling their handlers, while
// the fake satellite ECUs and the fake I/O processor answer on
// pseudo-terminals and a second stack sends speed messages on the loop bus.
#include "apps/sowvane/control_logic/Control_logic.h"

#include "apps/sowvane/data_store/data_store.h"
#include "can/JIN_smart_stack.h"
#include "glue/diner/module_man.h"
#include "platform/can/Bus_select.h"
#include "tests/support/serial/Fake_io_processor.h"
#include "tests/support/serial/Fake_satellite_ecu.h"
#include "tests/support/serial/Pty_pair.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace {

using test_support::Fake_io_processor;
using test_support::Fake_satellite_ecu;
using test_support::Pty_pair;
using test_support::wait_until;

constexpr unsigned char TOOL = 0xF9;

struct Module : ::testing::Test {
    Pty_pair rs485;
    Pty_pair iop_line;
    Fake_satellite_ecu ecu{rs485};
    Fake_io_processor iop{iop_line};
    module_man mm;
    std::unique_ptr<Data_store> store = std::make_unique<Data_store>(&mm);
    data_store_body& b = store->body;
    CDS::Head* head = &store->head;
    std::unique_ptr<NV_kelsu::parameters_t> ps = std::make_unique<NV_kelsu::parameters_t>(&mm, 0, "PS");
    NV_kelsu::application_t& app = ps->app;
    std::unique_ptr<CAN_bus> node_bus, tool_bus;
    JIN_smart_stack node, tool;
    std::unique_ptr<Control_logic> module;

    void SetUp() override
    {
        ASSERT_TRUE(rs485.ok() && iop_line.ok());
        std::string spec = std::string("loop,name=clif_") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string error;
        node_bus.reset(Bus_select::start(spec.c_str(), error));
        tool_bus.reset(Bus_select::start(spec.c_str(), error));
        ASSERT_TRUE(node_bus && tool_bus) << error;
        ASSERT_EQ(0, node.open(*node_bus, &mm));
        ASSERT_EQ(0, node.start());
        ASSERT_EQ(0, tool.open(*tool_bus, &mm));
        ASSERT_EQ(0, tool.start());
        ecu.start();
        iop.start();
        iop.set_speed_period(0x0010);
    }
    void TearDown() override
    {
        module.reset();
        ecu.stop();
        iop.stop();
    }
    void start_module()
    {
        module = std::make_unique<Control_logic>(rs485.port_spec().c_str(), *ps, *store,
                                                 iop_line.port_spec().c_str());
        module->set_startup_wait(0);
        ASSERT_TRUE(module->init(&mm, &node, false));
    }
    void locked(const std::function<void()>& f)
    {
        Diner::Protection lock(*module);
        f();
    }
    // Hands the module what its receiver got, until cond holds; when nothing
    // comes for a while the reply deadline is played, as T5 would.
    bool serve_until(const std::function<bool()>& cond, bool play_deadline = true)
    {
        return wait_until(
            [&] {
                waiter_event e;
                if (module->get_waiter().get_event(&e, Atime::from_now(30)) == 0)
                    locked([&] { module->handle_event(e); });
                else if (play_deadline)
                    locked([&] { module->comms_deadline(); });
                return cond();
            },
            std::chrono::seconds(60));
    }
    void send_speed(unsigned pgn, std::vector<uint8_t> data)
    {
        ASSERT_EQ(0, tool.write(TOOL, 0xFF, pgn, 3, data.size(), data.data(), int(data.size()),
                                nullptr, 0));
    }
};

TEST_F(Module, SeedingRunFillsTheDataStore)
{
    app.speed_source.set(4); // wheel-based speed messages
    app.machine_width.set(6.0f);
    app.channels[0].enabled.set(true);
    app.channels[0].granular_controller_type.set(0); // electric: 50 pulses a turn of 0.5 kg
    app.channels[0].motor_encoder_ratio.set(50.0f);
    app.channels[0].cal_setting.set(0.5f);
    app.alarms.no_comms.enabled.set(true);
    ecu.set_reply(50, 1, {60, 60, 0, 0, 0});
    ecu.set_reply(50, 2, {0, 0, 0xEA, 0x60, 30}); // shaft period 60000 µs
    ecu.set_reply(51, 2, {0, 0, 0, 0, 0});
    ::testing::internal::CaptureStdout();
    start_module();

    send_speed(65096, {0xD9, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}); // 2.777 m/s
    ASSERT_TRUE(serve_until([&] { return cds_get(head, &b.vehicle.speed) > 2.7f; }, false));
    cds_set(head, &b.operation.master_switch_active, true);
    cds_set(head, &b.channels.channels[0].product_assigned, true);
    cds_set(head, &b.channels.channels[0].requested_rate, 100.0);
    cds_set(head, &b.channels.channels[0].active, true);
    locked([&] { module->control_step(); });
    EXPECT_NEAR(60010, double(cds_get(head, &b.channels.channels[0].set_period)), 10);

    // The poll cycle brings the shaft period; the fans (68, 69) never answer.
    ASSERT_TRUE(serve_until([&] {
        return cds_get(head, &b.channels.channels[0].actual_period) == 60000u
               && (cds_get(head, &b.system.ECU_status) & (1u << 9));
    }));
    for (int i = 0; i < 2; ++i) {
        send_speed(65096, {0xD9, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        locked([&] { module->control_step(); });
    }
    EXPECT_NEAR(100.0, cds_get_double(head, &b.channels.channels[0].actual_rate), 0.1);
    EXPECT_GT(cds_get_double(head, &b.channels.channels[0].flow_rate), 0);
    EXPECT_GT(cds_get(head, &b.areas.area.total), 0);
    EXPECT_TRUE(cds_get(head, &b.alarms.no_comms).triggered);
    std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Setpoint on chan 0 changed\n"));
    EXPECT_NE(std::string::npos, log.find("Tank switch state on chan 0 changed\n"));
    EXPECT_NE(std::string::npos, log.find("NO COMMS - PollIndex="));
    EXPECT_NE(std::string::npos, log.find("RS485 termination set to 0\n"));
}

TEST_F(Module, SpeedSilenceZeroesMessageSpeedsButNotTheSensor)
{
    app.speed_source.set(5); // ground-based speed
    start_module();
    send_speed(65097, {0xE8, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}); // 1.0 m/s
    // A message of another source, and a not-available value, are ignored.
    send_speed(65096, {0xD0, 0x07, 0, 0, 0, 0, 0, 0});
    send_speed(65097, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(serve_until([&] { return cds_get(head, &b.vehicle.speed) == 1.0f; }, false));
    for (int i = 0; i < 4; ++i)
        locked([&] { module->control_step(); });
    EXPECT_EQ(1.0f, cds_get(head, &b.vehicle.speed));
    locked([&] { module->control_step(); });
    EXPECT_EQ(0.0f, cds_get(head, &b.vehicle.speed));

    // The sensor path: command 47 each step, its period x 64 in the store.
    app.speed_source.set(2);
    ASSERT_TRUE(serve_until([&] { return module->seeder()->settings().speed_source._get() == 2; }, false));
    locked([&] { module->control_step(); });
    ASSERT_TRUE(serve_until([&] { return cds_get(head, &b.vehicle.ground_speed_sensor.period) == 1024u; },
                            false));
    EXPECT_EQ(1024u, cds_get(head, &b.diagnostics.ground_speed.period));
}

TEST_F(Module, SettingsReloadMidRunAndStopSavesTheRuntime)
{
    start_module();
    ASSERT_TRUE(serve_until([&] { return iop.commands().size() >= 2; }, false));
    EXPECT_EQ(39, iop.commands()[0].command);
    EXPECT_EQ(0, iop.commands()[0].payload[0]);
    EXPECT_EQ(49, iop.commands()[1].command);

    app.speed_source.set(3);
    app.RS485_termination_enabled.set(true);
    ASSERT_TRUE(serve_until([&] { return cds_get(head, &b.operation.use_manual_speed); }, false));
    ASSERT_TRUE(serve_until([&] { return iop.commands().size() >= 3; }, false));
    EXPECT_EQ(39, iop.commands()[2].command);
    EXPECT_EQ(1, iop.commands()[2].payload[0]);
    EXPECT_EQ(1, module->rs485_termination());
    EXPECT_EQ(3u, module->comms()->settings().speed_source._get());

    cds_set(head, &b.history.job_operating_time, 1.5f);
    cds_set(head, &b.areas.area.total, 12.25f);
    module->stop();
    EXPECT_EQ(1.5f, app.job_operating_time.get());
    EXPECT_EQ(12.25f, app.areas.area[0].total.get());
}

TEST_F(Module, IoProcessorRepliesAndLostConnections)
{
    app.swbox_ecu_master_sw_mode.set(3); // the master switch comes from the I/O processor
    iop.set_switch_inputs(0x00);         // bit 1 clear: switch on
    iop.set_speed_period(0);
    start_module();
    ::testing::internal::CaptureStdout();
    locked([&] { module->control_step(); });
    ASSERT_TRUE(serve_until([&] { return cds_get(head, &b.operation.master_switch_active); }, false));
    iop.set_switch_inputs(0x02);
    locked([&] { module->control_step(); });
    ASSERT_TRUE(serve_until([&] { return !cds_get(head, &b.operation.master_switch_active); }, false));

    // The VT goes: master and tank switches go off.
    cds_set(head, &b.system.vt_alive, true);
    cds_set(head, &b.system.tc_alive, true);
    ASSERT_TRUE(serve_until([&] { return module->get_waiter().is_enabled(); }, false));
    cds_set(head, &b.operation.master_switch_active, true);
    cds_set(head, &b.channels.channels[3].active, true);
    cds_set(head, &b.system.vt_alive, false);
    ASSERT_TRUE(serve_until([&] { return !cds_get(head, &b.channels.channels[3].active); }, false));
    EXPECT_FALSE(cds_get(head, &b.operation.master_switch_active));
    std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("IOP replied to set RS485 term message\n"));
    EXPECT_NE(std::string::npos, log.find("IOP replied to set running message\n"));
}

TEST_F(Module, EcuModeTwoPollsTheBinRows)
{
    app.num_channels.set(1);
    app.channels[0].enabled.set(true);
    ecu.set_reply(50, 5, {0, 0, 0, 0, 0});
    ecu.set_reply(50, 9, {0, 0, 0, 0, 0, 0});
    start_module();
    ::testing::internal::CaptureStdout();
    module->set_ecu_mode_2_requested(true);
    locked([&] { module->comms_deadline(); });
    EXPECT_EQ(2u, module->ecu_mode());
    ecu.clear_requests();
    ASSERT_TRUE(serve_until([&] { return ecu.requests().size() >= 4; }));
    for (const auto& r : ecu.requests())
        EXPECT_TRUE(r[3] == 5 || r[3] == 9) << int(r[3]);
    module->set_ecu_mode_2_requested(false);
    locked([&] { module->comms_deadline(); });
    EXPECT_EQ(1u, module->ecu_mode());
    std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos,
              log.find("process_ecu_mode_state_changes: current_ecu_mode:1 new_ecu_mode:2\n"));
    EXPECT_NE(std::string::npos,
              log.find("process_ecu_mode_state_changes: current_ecu_mode:2 new_ecu_mode:1\n"));
}

// While comms are suspended the reply deadline lapses and frames are
// dropped; resuming must start the poll cycle again, or the controllers
// would never be asked anything until a restart.
TEST_F(Module, ResumingCommsStartsThePollCycleAgain)
{
    ecu.set_reply(50, 1, {60, 60, 0, 0, 0});
    start_module();
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(module->comms_deadline_pending());
    module->set_comms_suspended(true);
    locked([&] { module->comms_deadline(); });
    EXPECT_FALSE(module->comms_deadline_pending());
    EXPECT_EQ(0u, module->comms()->good_reply_count());

    module->set_comms_suspended(false);
    EXPECT_TRUE(module->comms_deadline_pending());
    // Called from the module's own handlers (lock held) it works alike.
    locked([&] {
        module->set_comms_suspended(true);
        module->comms_deadline();
        module->set_comms_suspended(false);
    });
    EXPECT_TRUE(module->comms_deadline_pending());
    locked([&] { module->comms_deadline(); }); // the deadline T5 would play: row 0 goes out
    ASSERT_TRUE(serve_until([&] { return module->comms()->good_reply_count() >= 1; }));
    ::testing::internal::GetCapturedStdout();
}

// The module on its own thread with its real timers: the poll cycle runs by
// itself, and the module ends cleanly while the devices still talk.
TEST_F(Module, RunsOnItsOwnThreadAndEndsCleanly)
{
    ecu.set_reply(50, 1, {60, 60, 0, 0, 0});
    ecu.set_reply(50, 2, {0, 0, 0, 1, 0});
    ::testing::internal::CaptureStdout();
    module = std::make_unique<Control_logic>(rs485.port_spec().c_str(), *ps, *store,
                                             iop_line.port_spec().c_str());
    module->set_startup_wait(0);
    ASSERT_TRUE(module->init(&mm, &node, true));
    auto good = [&] {
        Diner::Protection lock(*module);
        return module->comms()->good_reply_count();
    };
    EXPECT_TRUE(wait_until([&] { return good() >= 3; }));
    EXPECT_TRUE(wait_until([&] { return iop.commands().size() >= 2; }));
    module.reset();
    ::testing::internal::GetCapturedStdout();
}

// A link that cannot be opened leaves the module registered nowhere: it
// would never read the speed messages the stack holds for it (until the
// stack drops them, "readers too slow"), nor the changes sent to it.
TEST_F(Module, AModuleWhoseLinkCannotBeOpenedIsRegisteredNowhere)
{
    const std::string missing = "/nonexistent/tty:57600";
    for (bool iop_opens : {false, true}) {
        ::testing::internal::CaptureStdout();
        module = std::make_unique<Control_logic>(missing.c_str(), *ps, *store,
                                                 iop_opens ? iop_line.port_spec().c_str() : missing.c_str());
        module->set_startup_wait(0);
        EXPECT_FALSE(module->init(&mm, &node, false));
        ::testing::internal::GetCapturedStdout();
        // The user hears of the link that failed, in the terms of the
        // command line: the port of -p, or the I/O processor's link, opened
        // first, before the port of -p was reached.
        EXPECT_EQ(module->link_failure(),
                  iop_opens ? "The serial link " + missing +
                                  " cannot be opened: the control logic cannot run, the program ends"
                            : "The I/O processor's serial link " + missing +
                                  " cannot be opened: the control logic cannot run, the program ends"
                                  " (the port " + missing + " given with -p was not reached)");

        cds_set(head, &b.system.vt_alive, true);
        cds_set(head, &b.channels.channels[0].requested_rate, 12.0);
        cds_set(head, &b.booms.boom[0].boom_state, 1);
        ps->signal_all();
        waiter_descriptor witness;
        witness.init(&mm);
        ASSERT_EQ(1, node.register_pgn(65096, &witness, nullptr));
        send_speed(65096, {0xD9, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        waiter_event e;
        ASSERT_EQ(0, witness.get_event(&e, Atime::from_now(60000)));
        JIN_header h;
        uint8_t data[8];
        EXPECT_EQ(0, node.read(65096, h, data, sizeof data, sizeof data, &witness));
        EXPECT_EQ(0, node.held_rx(3)) << "the message is held for the module" << (iop_opens ? " (I/O link open)" : "");
        EXPECT_EQ(0, module->get_waiter().num_pending());
        node.deregister_pgn(65096, &witness);
        module.reset();
        cds_set(head, &b.system.vt_alive, false);
    }
}

TEST(Module_ports, MissingPortLeavesTheModuleInert)
{
    module_man mm;
    auto store = std::make_unique<Data_store>(&mm);
    auto ps = std::make_unique<NV_kelsu::parameters_t>(&mm, 0, "PS");
    Control_logic module("/nonexistent/tty:57600", *ps, *store, "/nonexistent/iop:57600");
    module.set_startup_wait(0);
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(module.init(&mm, nullptr, false));
    std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("failed to make iop_stream"));
    EXPECT_EQ(nullptr, module.seeder());
}

} // namespace
