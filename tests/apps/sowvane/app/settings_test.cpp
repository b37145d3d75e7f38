// The settings the program starts from, and the settings file: a missing or
// broken file starts from them, a saved file is read back.

#include "App_model.h"

#include "apps/sowvane/settings/Save_schedule.h"
#include "apps/sowvane/settings/Settings_file.h"
#include "tests/support/nv_tree_walk.h"
#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using NV_kelsu::alarm_t;

class Settings : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path.c_str()); }

    std::string read_stdout_of(const std::function<void()>& f)
    {
        testing::internal::CaptureStdout();
        f();
        return testing::internal::GetCapturedStdout();
    }

    App_model model;
    NV_kelsu::parameters_t& ps = *model.ps;
    std::string path = test_support::temp_path("params");
};

void expect_alarm(const alarm_t& a, float threshold, int delay, int limit, const char* what)
{
    EXPECT_TRUE(a.enabled._get()) << what;
    EXPECT_EQ(a.threshold._get(), threshold) << what;
    EXPECT_EQ(a.delay_count._get(), delay) << what;
    EXPECT_EQ(a.limit_count._get(), limit) << what;
}

TEST_F(Settings, StartupDefaultsNameTanksEnableTheFirstFanAndSetTheAlarmGroups)
{
    apply_startup_defaults(ps);
    NV_kelsu::application_t& app = ps.app;
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(std::string(app.channels[i].name._get()), "Tank" + std::to_string(i + 1));
    EXPECT_EQ(app.channels[8].name._get()[0], '\0');
    EXPECT_TRUE(app.fans[0].enabled._get());
    EXPECT_TRUE(app.fans[0].sense_rpm._get());
    EXPECT_TRUE(app.fans[0].sense_pressure._get());
    EXPECT_FALSE(app.fans[1].enabled._get());
    EXPECT_EQ(app.products[0].tank._get(), 0);

    // A table of the groups that differ, and a sample of the rest.
    NV_kelsu::alarms_t& al = app.alarms;
    for (int i = 0; i < 10; i++) {
        expect_alarm(al.tank_low[i], 5.0f, 4, 3, "tank_low");
        expect_alarm(al.tank_empty[i], 0.0f, 1, 0, "tank_empty");
        expect_alarm(al.tank_alt_rate_in_use[i], 0.0f, 20, 0, "tank_alt_rate_in_use");
        expect_alarm(al.tank_incorrect_rate[i], 0.0f, 5, 0, "tank_incorrect_rate");
    }
    for (int i = 0; i < 4; i++) {
        expect_alarm(al.fan_sensor_fail[i], 0.0f, 4, 0, "fan_sensor_fail");
        expect_alarm(al.pump_speed_high[i], 0.0f, 4, 0, "pump_speed_high");
    }
    expect_alarm(al.temperature, 95.0f, 0, 0, "temperature");
    expect_alarm(al.blocked_head, 0.0f, 3, 0, "blocked_head");
    expect_alarm(al.hydraulic_pressure_low, 0.0f, 25, 0, "hydraulic_pressure_low");
    EXPECT_FALSE(al.master_on_tillage_off.enabled._get());
}

TEST_F(Settings, AMissingFileStartsFromTheDefaultsWithALine)
{
    apply_startup_defaults(ps);
    Settings_file file(path.c_str(), ps);
    bool whole = true;
    std::string out = read_stdout_of([&] { whole = file.load(); });
    EXPECT_FALSE(whole);
    EXPECT_NE(out.find("Settings file " + path + " not readable, starting from defaults"),
              std::string::npos)
        << out;
    EXPECT_TRUE(ps.app.fans[0].enabled._get());
}

TEST_F(Settings, ASavedFileIsReadBackAndABrokenOneKeepsTheDefaults)
{
    {
        App_model other;
        apply_startup_defaults(*other.ps);
        other.ps->app.machine_width.set(7.5f);
        other.ps->app.alarms.tank_low[3].threshold.set(12.0f);
        Settings_file file(path.c_str(), *other.ps);
        ASSERT_TRUE(file.save());
    }
    apply_startup_defaults(ps);
    Settings_file file(path.c_str(), ps);
    ASSERT_TRUE(file.load());
    EXPECT_EQ(ps.app.machine_width._get(), 7.5f);
    EXPECT_EQ(ps.app.alarms.tank_low[3].threshold._get(), 12.0f);

    // Garbage in place of the file: the load says so, nothing is lost.
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << "not a settings file";
    }
    App_model fresh;
    apply_startup_defaults(*fresh.ps);
    Settings_file broken(path.c_str(), *fresh.ps);
    bool whole = true;
    std::string out = read_stdout_of([&] { whole = broken.load(); });
    EXPECT_FALSE(whole);
    EXPECT_NE(out.find("not read whole"), std::string::npos) << out;
    EXPECT_EQ(fresh.ps->app.alarms.tank_low[3].threshold._get(), 5.0f);
}

// A save writes one state of the tree: every byte of it goes out with the
// tree's lock held, so a write from the console or the screens lands before
// or after the save, never between two of its records.
TEST_F(Settings, EveryByteOfASaveIsWrittenUnderTheTreesLock)
{
    struct Lock_checking_sink : NV_store::NV_buffer_iterator {
        Lock_checking_sink(Mutex& tree_lock, std::vector<unsigned char>& bytes)
            : NV_buffer_iterator(bytes.data(), int(bytes.size()), 0), tree_lock(tree_lock)
        {
        }
        bool push_bytes(const unsigned char* data, int length) override
        {
            pushed += length;
            if (tree_lock.status(Mutex::ANY) != Mutex::MINE)
                unlocked += length;
            return NV_buffer_iterator::push_bytes(data, length);
        }
        Mutex& tree_lock;
        int pushed = 0, unlocked = 0;
    };
    apply_startup_defaults(ps);
    ps.app.machine_width.set(7.5f);
    std::vector<unsigned char> bytes(1 << 20);
    Lock_checking_sink sink(ps.get_mutex(), bytes);
    sink.set_mode(NV_store::NV_iterator::MODE_WRITE);
    ASSERT_TRUE(write_settings(ps, &sink));
    EXPECT_GT(sink.pushed, 0);
    EXPECT_EQ(sink.unlocked, 0) << "bytes written without the tree's lock";
    EXPECT_EQ(ps.get_mutex().status(Mutex::ANY), Mutex::FREE) << "the save lets the lock go";
}

// When the settings are saved after changes at given times (ms from the
// first): a quiet second after the last change, at the latest three seconds
// after the first change not saved.
TEST(Save_schedule, SavesASecondAfterTheLastChangeAndAtTheLatestThreeSecondsAfterTheFirst)
{
    struct Case {
        const char* what;
        std::vector<int> changes;
        int due_at;
    };
    const Case cases[] = {
        {"one change", {0}, 1000},
        {"a short burst", {0, 300, 600}, 1600},
        {"changes every 0.2 s", {0, 200, 400, 600, 800, 1000, 1200, 1400, 1600, 1800, 2000, 2200, 2400, 2600, 2800}, 3000},
        {"changes every 0.9 s", {0, 900, 1800, 2700}, 3000},
        {"the last change 2.5 s after the first", {0, 2500}, 3000},
    };
    const Atime start(1000, 0);
    for (const Case& c : cases) {
        Save_schedule schedule;
        EXPECT_FALSE(schedule.pending());
        for (int at : c.changes)
            schedule.changed(start + at);
        EXPECT_EQ(schedule.deadline() - start, c.due_at) << c.what;
        EXPECT_FALSE(schedule.due(start + (c.due_at - 1))) << c.what;
        EXPECT_TRUE(schedule.due(start + c.due_at)) << c.what;
        // Saved: the next change opens a new window.
        schedule.saved();
        EXPECT_FALSE(schedule.due(start + 10000)) << c.what;
        schedule.changed(start + 10000);
        EXPECT_EQ(schedule.deadline() - start, 11000) << c.what;
    }
}

// The factory reset: the settings the operator changed are back at what a
// start without a file gives, the machine's operating totals stay; the
// saved file holds that.
TEST_F(Settings, AFactoryResetRestoresTheDefaultsAndKeepsTheOperatingTotals)
{
    apply_startup_defaults(ps);
    NV_kelsu::application_t& app = ps.app;
    app.machine_width.set(7.5f);
    app.channels[0].name.set("Canola", 6);
    app.channels[2].cal_setting.set(0.42f);
    app.alarms.tank_low[3].threshold.set(12.0f);
    app.products[0].tank.set(10);
    ps.system.tc_enabled.set(true);
    app.history.machine_operating_time.set(812.5f);
    app.history.output[2].total.set(4200.0f);
    app.areas.area[0].total.set(315.25f);
    app.areas.channel[1].sub_area[4].total.set(12.5f);
    app.volumes.volume[0].total.set(9000.0f);
    app.job_operating_time.set(3.5f);

    Settings_file file(path.c_str(), ps);
    read_stdout_of([&] { file.restore_defaults(); });
    ASSERT_TRUE(file.save());

    App_model restarted;
    apply_startup_defaults(*restarted.ps);
    Settings_file again(path.c_str(), *restarted.ps);
    ASSERT_TRUE(again.load());
    for (NV_kelsu::parameters_t* tree : {&ps, restarted.ps.get()}) {
        NV_kelsu::application_t& a = tree->app;
        EXPECT_EQ(a.machine_width._get(), 0.0f);
        EXPECT_EQ(std::string(a.channels[0].name._get()), "Tank1");
        EXPECT_EQ(a.channels[2].cal_setting._get(), 0.0f);
        EXPECT_EQ(a.alarms.tank_low[3].threshold._get(), 5.0f);
        EXPECT_EQ(a.products[0].tank._get(), 0);
        EXPECT_FALSE(tree->system.tc_enabled._get());
        EXPECT_EQ(a.history.machine_operating_time._get(), 812.5f);
        EXPECT_EQ(a.history.output[2].total._get(), 4200.0f);
        EXPECT_EQ(a.areas.area[0].total._get(), 315.25f);
        EXPECT_EQ(a.areas.channel[1].sub_area[4].total._get(), 12.5f);
        EXPECT_EQ(a.volumes.volume[0].total._get(), 9000.0f);
        EXPECT_EQ(a.job_operating_time._get(), 3.5f);
    }
}

// The factory reset writes as a save reads: under the tree's lock, so that
// the screens, the console and a remote peer, reading meanwhile, see each
// setting before the reset or after it. Every setting is moved off its
// default first, so that the reset changes every one of them.
TEST_F(Settings, EveryWriteOfAFactoryResetIsMadeUnderTheTreesLock)
{
    struct Lock_checking_handler : Data_item::Event_handler {
        explicit Lock_checking_handler(Mutex& tree_lock) : tree_lock(tree_lock) {}
        void signal_event(bool) override
        {
            changes++;
            if (tree_lock.status(Mutex::ANY) != Mutex::MINE)
                unlocked++;
        }
        Mutex& tree_lock;
        int changes = 0, unlocked = 0;
    };
    apply_startup_defaults(ps);
    const int settings = nv_tree_walk::change_every_leaf(ps);
    ASSERT_GT(settings, 0);
    Lock_checking_handler handler(ps.get_mutex());
    nv_tree_walk::for_each_leaf(ps, [&](NV_store::NV_item& leaf) { leaf.set_event_handler(&handler); });

    Settings_file file(path.c_str(), ps);
    read_stdout_of([&] { file.restore_defaults(); });
    nv_tree_walk::for_each_leaf(ps, [](NV_store::NV_item& leaf) { leaf.set_event_handler(nullptr); });
    EXPECT_GE(handler.changes, settings);
    EXPECT_EQ(handler.unlocked, 0) << "settings written without the tree's lock";
    EXPECT_EQ(ps.get_mutex().status(Mutex::ANY), Mutex::FREE) << "the reset lets the lock go";
}

TEST_F(Settings, ANonVtConnectionSwitchesTheTaskControllerOff)
{
    ps.system.tc_enabled.set(true);
    ps.system.non_vtt_connected.set(true);
    Settings_file file(path.c_str(), ps);
    read_stdout_of([&] { file.load(); });
    EXPECT_FALSE(ps.system.tc_enabled._get());
}

}  // namespace
