// The test console's commands, run line by line on a data model of the
// test's own: dumps with their index checks, setters of the "ds" tables,
// parameters and data-store items by path, and the ends of the console.

#include "App_model.h"

#include "apps/sowvane/console/Test_console.h"
#include "glue/cds/Lookup_basic.h"
#include "glue/cds/Lookup_root.h"
#include "tests/support/debug_capture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

class Console : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(out, nullptr); }
    void TearDown() override { std::fclose(out); }

    // What one line prints; go_on tells whether the console goes on.
    std::string run(const char* line)
    {
        std::rewind(out);
        std::fflush(out);
        EXPECT_EQ(::ftruncate(fileno(out), 0), 0);
        go_on = console.run_line(line);
        std::fflush(out);
        std::string text;
        std::rewind(out);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, out)) > 0)
            text.append(buf, n);
        return text;
    }
    static bool has(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }
    static size_t count(const std::string& text, const std::string& part)
    {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            n++;
        return n;
    }

    App_model model;
    data_store_body& b = model.body();
    FILE* out = std::tmpfile();
    Test_console console{*model.store, *model.lookup, *model.ps, out};
    bool go_on = true;
};

TEST_F(Console, ChannelDumpCoversAllChannelsOneOrRefusesAnIndexBeyondTheStore)
{
    std::string all = run("get ds.channels");
    EXPECT_TRUE(has(all, "CHANNEL STATUS")) << all;
    EXPECT_EQ(count(all, "channel_index="), 10u);
    EXPECT_TRUE(has(all, std::string(79, '=') + "\n"));

    b.channels.channels[3].requested_rate = 42.5;
    std::string one = run("get ds.channels.3");
    EXPECT_EQ(count(one, "channel_index="), 1u);
    EXPECT_TRUE(has(one, "                           channel_index=3\n")) << one;
    EXPECT_TRUE(has(one, "requested_rate=42.5000")) << one;

    std::string beyond = run("get ds.channels.10");
    EXPECT_EQ(beyond, "Index out of range:10\n");
    EXPECT_TRUE(go_on);
}

TEST_F(Console, SettersWriteTheIndexedFieldAndRefuseUnknownItemsAndIndexes)
{
    run("set ds.channels.active.2=1");
    EXPECT_TRUE(b.channels.channels[2].active);
    run("set ds.channels.requested_rate.9=12.75");
    EXPECT_EQ(b.channels.channels[9].requested_rate, 12.75);
    run("set ds.vehicle.speed=8.5");
    EXPECT_EQ(b.vehicle.speed, 8.5f);
    run("set ds.simulation=1");
    EXPECT_TRUE(b.simulation.enabled);
    run("set ds.interface.boom_section_state.5.9=1");
    EXPECT_EQ(b.booms.boom[5].sections[9].requested_state, 1u);
    run("set ds.monitor_ecus.faulty_detection=1");
    EXPECT_TRUE(b.monitor_ecus.activate_faulty_sensor_identification);
    // Integers take a number's whole part.
    run("set ds.channels.product_number.4=7.9");
    EXPECT_EQ(b.channels.channels[4].product_number, 7);

    struct Case {
        const char* line;
        const char* answer;
    };
    for (const Case& c : {
             Case{"set ds.channels.active.10=1", "Index out of range:10\n"},
             Case{"set ds.channels.active.-1=1", "Index out of range:4294967295\n"},
             Case{"set ds.interface.boom_section_state.6.0=1", "Index out of range:6\n"},
             Case{"set ds.interface.boom_section_state.0.10=1", "Index out of range:10\n"},
             Case{"set ds.channels.bogus.1=1", "Channels command not found:bogus\n"},
             Case{"set ds.vehicle.bogus=1", "Vehicle command not found:bogus\n"},
             Case{"set ds.interface.boom_working_width=1",
                  "Interface command not currently supported:boom_working_width\n"},
             Case{"get ds.monitor_ecus.detection",
                  "Monitor ECUs command not currently supported:detection\n"},
             Case{"get ds.diagnostics.bogus", "Diagnostics command not found:bogus\n"},
             Case{"get ds.alarms.10", "Index out of range:10\n"},
             Case{"get ds.diagnostics.shaft.10", "Index out of range:10\n"},
             Case{"set ds.channels.active=1", ""},
         })
        EXPECT_EQ(run(c.line), c.answer) << c.line;
    EXPECT_FALSE(b.channels.channels[0].active);
}

TEST_F(Console, DumpsFollowTheStoresRecordCounts)
{
    std::string fans = run("get ds.fans");
    EXPECT_EQ(count(fans, "fans["), 5u) << fans;
    std::string op = run("get ds.operation");
    EXPECT_TRUE(has(op, "calibrating_tank 9=0")) << op;
    EXPECT_TRUE(has(op, "system.alive=1")) << op;
    b.alarms.tank_low[4].active = true;
    std::string alarms = run("get ds.alarms.4");
    EXPECT_TRUE(has(alarms, "alarms.tank_low[4]:ack=0, trig=0, new=0, pend=0, active=1")) << alarms;
    EXPECT_EQ(count(alarms, "alarms.fan_sensor_fail["), 4u);
    EXPECT_FALSE(has(alarms, "tank_low[3]"));
    std::string boom = run("get ds.interface.boom_section_state.1");
    EXPECT_EQ(count(boom, "requested_section_state["), 10u) << boom;
    for (const char* line : {"get ds.vehicle", "get ds.monitor_ecus.status", "get ds.monitor_ecus.inputs",
                             "get ds.diagnostics.spray_ecu", "get ds.diagnostics.ground_speed",
                             "get ds.diagnostics.fans", "get ds.simulation"})
        EXPECT_TRUE(has(run(line), "==\n")) << line;
}

// "get ds.fans.N" and "get ds.monitor_ecus.status.N" dump record N only,
// and refuse an index beyond the store as the other dumps do.
TEST_F(Console, FanAndMonitorEcuDumpsTakeTheirIndex)
{
    b.fans[2].rpm = 1234.5f;
    const std::string fan = run("get ds.fans.2");
    EXPECT_EQ(count(fan, "fans["), 1u) << fan;
    EXPECT_TRUE(has(fan, "fans[2]:rpm=01234.5000")) << fan;
    EXPECT_EQ(run("get ds.fans.5"), "Index out of range:5\n");

    b.monitor_ecus.monitor_ecu[3].setup_mode = 0xA;
    const std::string ecu = run("get ds.monitor_ecus.status.3");
    EXPECT_EQ(count(ecu, "setup_mode["), 1u) << ecu;
    EXPECT_TRUE(has(ecu, "setup_mode[3]=a\n")) << ecu;
    EXPECT_EQ(count(run("get ds.monitor_ecus.status"), "setup_mode["), 5u);
    EXPECT_EQ(run("get ds.monitor_ecus.status.9"), "Index out of range:9\n");

    EXPECT_EQ(count(run("get ds.monitor_ecus.inputs.19"), "BYTE:"), 1u);
    EXPECT_EQ(run("get ds.monitor_ecus.inputs.20"), "Index out of range:20\n");
}

// NaN, infinities and numbers a float field cannot hold are refused by
// every kind of set, with a message, and the value stays.
TEST_F(Console, SetRefusesValuesThatAreNoFiniteNumber)
{
    model.ps->app.channels[1].capacity.set(702.5f);
    b.vehicle.speed = 3.5f;
    b.channels.channels[2].requested_rate = 80.0;
    struct Case {
        const char* line;
        const char* value;
    };
    for (const Case& c : {
             Case{"set params.app.channels.1.capacity=nan", "nan"},
             Case{"set params.app.channels.1.capacity=1e40", "1e40"},
             Case{"set params.app.channels.1.capacity=-inf", "-inf"},
             Case{"set params.app.channels.1.enabled=nan", "nan"},
             Case{"set data_store.vehicle.speed=inf", "inf"},
             Case{"set data_store.vehicle.speed=1e39", "1e39"},
             Case{"set data_store.channels.channels.2.requested_rate=NAN", "NAN"},
             Case{"set data_store.channels.channels.2.requested_rate=1e999", "1e999"},
             Case{"set ds.vehicle.speed=1e40", "1e40"},
             Case{"set ds.channels.requested_rate.2=nan", "nan"},
             Case{"set ds.channels.active.2=nan", "nan"},
             Case{"set ds.channels.motor_pulse_count.2=infinity", "infinity"},
         })
        EXPECT_EQ(run(c.line), std::string("Not a finite number, not set:") + c.value + "\n") << c.line;
    EXPECT_EQ(model.ps->app.channels[1].capacity.get(), 702.5f);
    EXPECT_FALSE(model.ps->app.channels[1].enabled.get());
    EXPECT_EQ(b.vehicle.speed, 3.5f);
    EXPECT_EQ(b.channels.channels[2].requested_rate, 80.0);
    EXPECT_FALSE(b.channels.channels[2].active);
    EXPECT_EQ(b.channels.channels[2].motor_pulse_count, 0u);

    // A double holds what a float cannot.
    run("set data_store.channels.channels.2.requested_rate=1e39");
    EXPECT_EQ(b.channels.channels[2].requested_rate, 1e39);
}

// A value that is no number read whole (text after it, no number at all),
// or that the item's type cannot hold, is refused by every kind of set with
// a message, and nothing is stored; so is an index word that is no number.
TEST_F(Console, SetRefusesTextThatIsNoNumberOrOutOfTheItemsRange)
{
    auto& app = model.ps->app;
    app.channels[1].mode.set(1);
    model.ps->system.terminal_timeout.set(60);
    app.fan_speed_to_start.set(5);
    app.channels[1].enabled.set(true);
    b.channels.channels[2].requested_rate = 80.0;
    b.channels.channels[2].product_number = 3;
    b.channels.channels[2].motor_pulse_count = 9;
    b.channels.channels[0].active = false;
    b.vehicle.speed = 3.5f;
    b.system.hardware_id = 7;
    struct Case {
        const char* line;
        const char* answer;
    };
    for (const Case& c : {
             Case{"set params.app.channels.1.mode=2abc", "Not a number, not set:2abc"},
             Case{"set params.app.channels.1.mode=1e40", "Out of range, not set:1e40"},
             Case{"set params.app.channels.1.mode=256", "Out of range, not set:256"},
             Case{"set params.app.channels.1.mode=-1", "Out of range, not set:-1"},
             Case{"set params.app.channels.1.mode=two", "Not a number, not set:two"},
             Case{"set params.system.terminal_timeout=65536", "Out of range, not set:65536"},
             Case{"set params.system.terminal_timeout=0x", "Not a number, not set:0x"},
             Case{"set params.app.fan_speed_to_start=99999999999", "Out of range, not set:99999999999"},
             Case{"set params.app.fan_speed_to_start=12 34", "Not a number, not set:12 34"},
             Case{"set params.app.channels.1.enabled=nonsense", "Not a number, not set:nonsense"},
             Case{"set params.app.channels.1.capacity=7.5kg", "Not a number, not set:7.5kg"},
             Case{"set data_store.system.hardware_id=1e40", "Out of range, not set:1e40"},
             Case{"set data_store.system.hardware_id=12x", "Not a number, not set:12x"},
             Case{"set data_store.vehicle.speed=fast", "Not a number, not set:fast"},
             Case{"set ds.channels.requested_rate.2=abc", "Not a number, not set:abc"},
             Case{"set ds.channels.requested_rate.2=12,5", "Not a number, not set:12,5"},
             Case{"set ds.channels.product_number.2=1e40", "Out of range, not set:1e40"},
             Case{"set ds.channels.motor_pulse_count.2=-5", "Out of range, not set:-5"},
             Case{"set ds.channels.active.0=yes please", "Not a number, not set:yes please"},
             Case{"set ds.vehicle.speed=", ""},
             Case{"set ds.vehicle.speed=x", "Not a number, not set:x"},
             Case{"set ds.channels.active.x=1", "Not an index:x"},
             Case{"set ds.channels.active.2abc=1", "Not an index:2abc"},
             Case{"set ds.channels.active.99999999999=1", "Index out of range:99999999999"},
             Case{"get ds.channels.x", "Not an index:x"},
         })
        EXPECT_EQ(run(c.line), std::string(c.answer) + (*c.answer ? "\n" : "")) << c.line;
    EXPECT_EQ(app.channels[1].mode.get(), 1);
    EXPECT_EQ(model.ps->system.terminal_timeout.get(), 60);
    EXPECT_EQ(app.fan_speed_to_start.get(), 5);
    EXPECT_TRUE(app.channels[1].enabled.get());
    EXPECT_EQ(b.system.hardware_id, 7u);
    EXPECT_EQ(b.vehicle.speed, 3.5f);
    EXPECT_EQ(b.channels.channels[2].requested_rate, 80.0);
    EXPECT_EQ(b.channels.channels[2].product_number, 3);
    EXPECT_EQ(b.channels.channels[2].motor_pulse_count, 9u);
    EXPECT_FALSE(b.channels.channels[0].active);
}

// Numbers in every form the items read are taken as before, whole numbers
// given as floating numbers by their value, bools by word or number.
TEST_F(Console, SetTakesNumbersInTheFormsTheItemsRead)
{
    auto& app = model.ps->app;
    run("set params.app.channels.1.mode=2");
    EXPECT_EQ(app.channels[1].mode.get(), 2);
    run("set params.system.terminal_timeout=0x20 ");
    EXPECT_EQ(model.ps->system.terminal_timeout.get(), 32);
    run("set params.system.terminal_timeout=1e3");
    EXPECT_EQ(model.ps->system.terminal_timeout.get(), 1000);
    run("set params.app.fan_speed_to_start=-2147483648");
    EXPECT_EQ(app.fan_speed_to_start.get(), -2147483647 - 1);
    run("set params.system.specific_vt_name=18446744073709551615");
    EXPECT_EQ(model.ps->system.specific_vt_name.get(), 18446744073709551615ull);
    run("set params.app.channels.1.enabled=true");
    EXPECT_TRUE(app.channels[1].enabled.get());
    run("set params.app.channels.1.enabled=N");
    EXPECT_FALSE(app.channels[1].enabled.get());
    run("set params.app.channels.1.enabled=2");
    EXPECT_TRUE(app.channels[1].enabled.get());
    run("set params.app.channels.1.capacity=1.5e2");
    EXPECT_EQ(app.channels[1].capacity.get(), 150.0f);
    run("set data_store.channels.channels.2.product_number=-4");
    EXPECT_EQ(b.channels.channels[2].product_number, -4);
    run("set ds.channels.motor_pulse_count.3=4294967295");
    EXPECT_EQ(b.channels.channels[3].motor_pulse_count, 4294967295u);
    run("set ds.channels.active.3=false");
    EXPECT_FALSE(b.channels.channels[3].active);
    run("set ds.channels.active.3=0.5");
    EXPECT_TRUE(b.channels.channels[3].active);
}

TEST_F(Console, ParametersByPath)
{
    model.ps->app.channels[1].capacity.set(702.5f);
    EXPECT_TRUE(has(run("get params.app.channels.1.capacity"), "702.5")) << run("get params.app.channels.1.capacity");
    std::string set = run("set params.app.channels.1.capacity=88.25");
    EXPECT_EQ(model.ps->app.channels[1].capacity._get(), 88.25f);
    EXPECT_TRUE(has(set, "88.25")) << set;
    EXPECT_EQ(run("get params.app.bogus.1"), "Could not find parameter:bogus\n");
    EXPECT_TRUE(has(run("get params.system"), "terminal_timeout"));
}

TEST_F(Console, DataStoreItemsByPath)
{
    Debug_capture capture;
    EXPECT_EQ(run("set data_store.system.hardware_id=0xFF"), "");
    EXPECT_EQ(b.system.hardware_id, 0xFFu);
    run("set data_store.vehicle.speed=3.5");
    EXPECT_EQ(b.vehicle.speed, 3.5f);
    EXPECT_TRUE(has(run("set data_store.system=1"), "Set failed, not a basic type! type=1"));
    EXPECT_TRUE(has(run("get data_store.no.such"), "Parse error for input: [get data_store.no.such]"));
}

// The echo of a data-store item reads its value under the store's lock (a
// write from another module lands before or after it, never half-way) and
// lets the lock go before it prints.
TEST_F(Console, ADataStoreItemIsEchoedAsReadUnderTheStoresLock)
{
    struct Lock_checking_field : CDS::Lookup_basic<float> {
        Lock_checking_field(CDS::Lookup_struct& parent, float* field, Mutex& store_lock)
            : Lookup_basic<float>(parent, "speed", field), store_lock(store_lock)
        {
        }
        void append_definition(std::string& text, int indent) const override
        {
            reads++;
            if (store_lock.status(Mutex::ANY) != Mutex::MINE)
                unlocked++;
            Lookup_basic<float>::append_definition(text, indent);
        }
        Mutex& store_lock;
        mutable int reads = 0, unlocked = 0;
    };
    Mutex& store_lock = model.store->head.get_mutex();
    CDS::Lookup_root root(model.store->head, &b, sizeof b, "store");
    Lock_checking_field speed(root, &b.vehicle.speed, store_lock);
    Test_console on_root(*model.store, root, *model.ps, out);
    Debug_capture capture;

    b.vehicle.speed = 3.5f;
    on_root.run_line("get data_store.speed");
    on_root.run_line("set data_store.speed=4.25");
    EXPECT_EQ(b.vehicle.speed, 4.25f);
    EXPECT_EQ(speed.reads, 2);
    EXPECT_EQ(speed.unlocked, 0) << "echoed without the store's lock";
    EXPECT_EQ(store_lock.status(Mutex::ANY), Mutex::FREE);
    const std::string echoed = capture.text();
    EXPECT_TRUE(has(echoed, "float speed = 3.5; \"\"\nfloat speed = 4.25; \"\"\n")) << echoed;
}

TEST_F(Console, HelpUnknownCommandsAndTheEnds)
{
    std::string help = run("help");
    EXPECT_TRUE(has(help, "Supported commands (case sensitive):\n")) << help;
    EXPECT_TRUE(has(help, "          Format:set ds.channel.item.channel_index=value\n"));
    EXPECT_TRUE(has(help, "          gs_pulse_count\n"));
    EXPECT_TRUE(has(help, "TARNVELDT Firmware Version:4.04-r12\n"));
    EXPECT_EQ(run("h"), help);

    EXPECT_EQ(run("hello world"),
              "Received unknown command: [hello world]\nSee supported commands, enter [help|h]\n");
    EXPECT_EQ(run("get"), "Parse error for input: [get]\nFor supported commands, enter [help|h]\n");
    EXPECT_EQ(run("get ds.nothing"),
              "Parse error for input: [get ds.nothing]\nFor supported commands, enter [help|h]\n");
    EXPECT_EQ(run(""), "Got nothing!\n");
    EXPECT_TRUE(go_on);

    // A line longer than the buffer is cut, not overrun.
    std::string long_line(1000, 'x');
    EXPECT_TRUE(has(run(long_line.c_str()), std::string(255, 'x') + "]"));

    EXPECT_EQ(run("quit"), "Exiting test console\n");
    EXPECT_FALSE(go_on);

    b.system.alive = false;
    EXPECT_EQ(run("get ds.vehicle").rfind("shutdown event detected...test console terminating\n"),
              run("get ds.vehicle").size() - 51);
    EXPECT_FALSE(go_on);
}

}  // namespace
