// The parameter tree "PS": defaults, paths, record copies and the settings
// file read back as it was written.

#include "apps/sowvane/params/parameters.h"
#include "glue/NV_store/NV_iterator.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "tests/support/debug_capture.h"
#include "tests/support/nv_tree_walk.h"
#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using NV_kelsu::parameters_t;
using nv_tree_walk::leaf_texts;
using nv_tree_walk::text_of;

class Parameters : public ::testing::Test {
protected:
    void SetUp() override { waiter.init(mm.get()); }
    void TearDown() override
    {
        for (const std::string& f : files)
            std::remove(f.c_str());
    }

    std::unique_ptr<parameters_t> new_tree() { return std::make_unique<parameters_t>(mm.get(), 0, "PS"); }

    std::string file_name(const char* name)
    {
        files.push_back(test_support::temp_path(name));
        return files.back();
    }

    static bool save(parameters_t& ps, const std::string& path)
    {
        NV_store::NV_file_iterator file(path.c_str());
        file.set_mode(NV_store::NV_iterator::MODE_WRITE);
        bool ok = ps.serialise(&file);
        file.set_mode(NV_store::NV_iterator::MODE_CLOSED);
        return ok;
    }

    static bool load(parameters_t& ps, const std::string& path)
    {
        NV_store::NV_file_iterator file(path.c_str());
        file.set_mode(NV_store::NV_iterator::MODE_READ);
        bool ok = ps.deserialise(&file);
        file.set_mode(NV_store::NV_iterator::MODE_CLOSED);
        return ok;
    }

    static std::vector<unsigned char> bytes_of(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static std::string at(parameters_t& ps, const char* path)
    {
        NV_store::NV_item* item = ps._search(path);
        return item ? text_of(*item) : std::string("<none>");
    }

    int take_events()
    {
        int n = 0;
        while (waiter.num_pending() > 0) {
            waiter_event e;
            waiter.get_event(&e);
            ++n;
        }
        return n;
    }

    std::unique_ptr<module_man> mm = std::make_unique<module_man>();
    waiter_descriptor waiter;
    std::vector<std::string> files;
};

TEST_F(Parameters, AFreshTreeHoldsTheCompiledInDefaults)
{
    auto ps = new_tree();
    struct Default {
        const char* path;
        const char* text;
    };
    const Default defaults[] = {
        {"app/num_channels", "1"},
        {"app/speed_source", "1"},
        {"app/manual_speed", "10"},
        {"app/speed_filter_factor", "0.9"},
        {"app/save_time", "60"},
        {"app/calibration_drive_channel", "-1"},
        {"app/using_tolva", "true"},
        {"app/gran_sec_control_at_dist_head", "true"},
        {"app/products/15/tank", "10"},
        {"app/products/0/name", "[]"},
        {"app/channels/9/assigned_to_pump", "255"},
        {"app/channels/0/pvalve_granular_mode", "32"},
        {"app/channels/0/granular_controller_type", "1"},
        {"app/channels/0/act_cal_extend_mode", "1"},
        {"app/channels/0/filter_rate", "true"},
        {"app/channels/0/rate_filter_factor", "0.9"},
        {"app/channels/0/rate_filter_restart_setting", "10"},
        {"app/channels/0/liquid_filter_factor_pressure", "0.9"},
        {"app/channels/0/liquid_filter_pressure", "true"},
        {"app/channels/0/liquid_pressure_gain", "1"},
        {"app/channels/0/full_width", "true"},
        {"app/channels/0/sense_tank_level", "true"},
        {"app/channels/0/rvalve_granular_encoder_ratio", "1"},
        {"app/channels/0/pvalve_granular_encoder_ratio", "1"},
        {"app/channels/0/pvalve_granular_shaft_sensor_ratio", "1"},
        {"app/channels/0/motor_shaft_sensor_ratio", "1"},
        {"app/channels/0/motor_encoder_ratio", "0"},
        {"app/channels/0/rvalve_liquid_controller/7/gain", "0"},
        {"app/channels/0/rate_filter/3/rate_filter_dev_thresh", "0"},
        {"app/downforces/4/assigned_to_pump", "255"},
        {"app/downforces/4/pvalve_granular_mode", "32"},
        {"app/fans/4/filter_factor_rpm", "0.9"},
        {"app/fans/4/filter_rpm", "true"},
        {"app/fans/4/encoder", "1"},
        {"app/fans/4/pressure_gain", "1"},
        {"app/fans/4/avg_rpm", "10"},
        {"app/fans/4/avg_pressure", "1"},
        {"app/fans/4/pressure_sensor_type", "1"},
        {"app/fans/0/enabled", "false"},
        {"app/fans/4/voltage_pressure_sensor/max_voltage", "0"},
        {"app/monitor_ecus/monitor_inputs/19/mask", "255"},
        {"app/monitor_ecus/monitor_ecus/4/enabled", "false"},
        {"app/swbox_mapping/9/channel", "-1"},
        {"app/booms/num_booms", "0"},
        {"app/booms/booms/5/sections/9/num_nozzles", "1"},
        {"app/areas/sub_area_number", "0"},
        {"app/alarms/tank_low/9/enabled", "false"},
        {"temporary/num_downforces", "0"},
        {"system/terminal_timeout", "60"},
        {"system/tc_enabled", "false"},
        {"system/specific_vt_name", "18446744073709551231"},
        {"can/vtt_throttling/delay_ms", "0"},
        {"can/vtt_throttling/pkts_between_delay", "0"},
        {"can/non_vtt_throttling/delay_ms", "40"},
        {"can/non_vtt_throttling/pkts_between_delay", "5"},
    };
    for (const Default& d : defaults)
        EXPECT_EQ(at(*ps, d.path), d.text) << d.path;

    EXPECT_EQ(ps->system.specific_vt_name.get(), 0xFFFFFFFFFFFFFE7FULL);
    EXPECT_EQ(ps->app.fans_low_speed_tank_cutout_enabled.get(), false);
    EXPECT_EQ(ps->app.channels[9].rate_filter_factor.get(), 0.9f);
    EXPECT_STREQ(ps->get_name(), "PS");
}

TEST_F(Parameters, PathsThatResolveAndPathsThatDoNot)
{
    auto ps = new_tree();
    const char* resolve[] = {
        "app/areas/channel/9/sub_area/9/total",
        "app/volumes/volume/0/total",
        "app/booms/booms/5/sections/9/width",
        "app/monitor_ecus/monitor_inputs_sections/159/boom_section",
        "app/alarms/tank_low/0/enabled",
        "app/alarms/pump_speed_high/3/limit_count",
        "app/history/fan_max_pressure/3/value",
        "app/history/fan_max_speed/4/value",
    };
    for (const char* path : resolve)
        EXPECT_NE(ps->_search(path), nullptr) << path;
    const char* absent[] = {
        "app/areas/channel/10",
        "app/booms/booms/6",
        "app/monitor_ecus/monitor_inputs_sections/160",
        "app/alarms/pump_speed_high/4",
        "app/history/fan_max_pressure/4",
        "app/channels/10",
        "app/downforces/5",
        "app/fans/5",
        "app/products/16",
        "app/areas/channel/0/sub_area/0/value",
        "app/nonexistent",
    };
    for (const char* path : absent)
        EXPECT_EQ(ps->_search(path), nullptr) << path;
}

TEST_F(Parameters, TheTreeHasTheSchemasShape)
{
    auto ps = new_tree();
    int alarms = 0, alarm_settings = 0;
    nv_tree_walk::for_each_leaf(ps->app.alarms, [&](NV_store::NV_item& leaf) {
        ++alarm_settings;
        if (leaf.get_nv_id() == 1)
            ++alarms;
    });
    EXPECT_EQ(alarms, 185);
    EXPECT_EQ(alarm_settings, 185 * 4);

    // The root's four children carry ids 1 to 4 in this order, also in a
    // tree made by the default constructor.
    auto unnamed = std::make_unique<parameters_t>();
    for (parameters_t* tree : {ps.get(), unnamed.get()}) {
        std::vector<std::string> names;
        std::vector<int> ids;
        for (NV_store::NV_item* c = tree->first_child(); c; c = tree->get_next_child(c)) {
            names.push_back(c->get_name());
            ids.push_back(c->get_nv_id());
        }
        EXPECT_EQ(names, (std::vector<std::string>{"app", "temporary", "system", "can"}));
        EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4}));
    }
    EXPECT_STREQ(unnamed->get_name(), "parameters_t");
    EXPECT_EQ(unnamed->get_nv_id(), 0);

    NV_kelsu::channel_t loose;
    EXPECT_STREQ(loose.get_name(), "channel_t");
    EXPECT_EQ(loose.get_nv_id(), 0);
    EXPECT_EQ(leaf_texts(loose), leaf_texts(ps->app.channels[3]));

    // Array elements carry their index as NV id.
    EXPECT_EQ(ps->app.booms.booms[5].get_nv_id(), 5);
    EXPECT_EQ(ps->app.booms.booms[5].sections[9].width.get_nv_id(), 4);
    EXPECT_EQ(ps->app.booms.booms[5].type.get_nv_id(), 5);
}

TEST_F(Parameters, EverySettingSurvivesASaveAndALoadAndASecondSaveIsIdentical)
{
    auto original = new_tree();
    ASSERT_GT(nv_tree_walk::change_every_leaf(*original), 4000);
    const std::string first = file_name("params_first");
    const std::string second = file_name("params_second");
    ASSERT_TRUE(save(*original, first));

    auto loaded = new_tree();
    ASSERT_TRUE(load(*loaded, first));
    EXPECT_EQ(leaf_texts(*loaded), leaf_texts(*original));
    EXPECT_EQ(loaded->system.specific_vt_name.get(), original->system.specific_vt_name.get());
    EXPECT_GT(loaded->system.specific_vt_name.get(), 1ULL << 63);

    ASSERT_TRUE(save(*loaded, second));
    const auto a = bytes_of(first), b = bytes_of(second);
    EXPECT_GT(a.size(), 30000u);
    EXPECT_TRUE(a == b) << "the second save differs from the first";
}

TEST_F(Parameters, ASectionWithABadChecksumKeepsItsDefaultsWhileTheOthersLoad)
{
    auto original = new_tree();
    ASSERT_GT(nv_tree_walk::change_every_leaf(*original), 0);
    const std::string path = file_name("params_bad_crc");
    ASSERT_TRUE(save(*original, path));

    // The value of can / non_vtt_throttling / delay_ms: the section begin
    // (structure, marker 1, id 2), then the setting (u16, marker 9, id 1).
    auto bytes = bytes_of(path);
    const unsigned char pattern[] = {0x01, 0x01, 0x02, 0x00, 0x05, 0x09, 0x01, 0x00};
    size_t found = 0;
    for (size_t i = bytes.size() - sizeof pattern; i-- > 0;)
        if (std::equal(pattern, pattern + sizeof pattern, bytes.begin() + long(i))) {
            found = i + sizeof pattern;
            break;
        }
    ASSERT_NE(found, 0u);
    bytes[found] ^= 0x5A;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));

    auto loaded = new_tree();
    EXPECT_FALSE(load(*loaded, path));
    EXPECT_EQ(leaf_texts(loaded->app), leaf_texts(original->app));
    EXPECT_EQ(leaf_texts(loaded->system), leaf_texts(original->system));
    EXPECT_EQ(leaf_texts(loaded->can.vtt_throttling), leaf_texts(original->can.vtt_throttling));
    EXPECT_EQ(loaded->can.non_vtt_throttling.delay_ms.get(), 40);
    EXPECT_EQ(loaded->can.non_vtt_throttling.pkts_between_delay.get(), 5);
}

TEST_F(Parameters, AMissingFileLeavesTheDefaultsAndTheFirstSaveCreatesIt)
{
    const std::string path = file_name("params_missing");
    std::remove(path.c_str());
    auto fresh = new_tree();
    auto ps = new_tree();
    EXPECT_FALSE(load(*ps, path));
    EXPECT_EQ(leaf_texts(*ps), leaf_texts(*fresh));

    ps->app.channels[0].name.set("Tank1", 6);
    ASSERT_TRUE(save(*ps, path));
    auto loaded = new_tree();
    ASSERT_TRUE(load(*loaded, path));
    EXPECT_EQ(at(*loaded, "app/channels/0/name"), "[Tank1]");
}

TEST_F(Parameters, ARecordCopyHoldsTheSourcesValuesAndDrawsNoIds)
{
    auto ps = new_tree();
    ASSERT_GT(nv_tree_walk::change_every_leaf(ps->app), 0);

    // A snapshot outside the tree, as the control core takes one.
    auto snapshot = std::make_unique<NV_kelsu::application_t>(ps->app);
    EXPECT_EQ(leaf_texts(*snapshot), leaf_texts(ps->app));
    EXPECT_EQ(snapshot->get_root(), nullptr);

    // Copies inside the tree, including a text, under the tree's own lock.
    const unsigned short next_id = Data_item::lookup_max_id;
    ps->app.channels[0] = ps->app.channels[1];
    EXPECT_EQ(leaf_texts(ps->app.channels[0]), leaf_texts(ps->app.channels[1]));
    EXPECT_TRUE(snapshot->set(ps->app));
    EXPECT_FALSE(snapshot->set(ps->app));
    EXPECT_EQ(Data_item::lookup_max_id, next_id);
}

TEST_F(Parameters, ASnapshotIsTakenUnderTheLockOfTheTreeItReads)
{
    auto ps = new_tree();
    ps->app.manual_speed.set(12.5f);
    auto snapshot = std::make_unique<NV_kelsu::application_t>();
    Debug_capture capture("parameters_snapshot.txt");
    ps->get_mutex().lock();
    std::thread core([&] { snapshot->set(ps->app); });
    // The copy waits for the tree's lock, which is released only after the
    // copying thread has reported its wait.
    const bool waited = capture.wait_for("Deadlock assumed");
    ps->get_mutex().unlock();
    core.join();
    EXPECT_TRUE(waited) << "the other thread never waited for the lock";
    EXPECT_EQ(snapshot->manual_speed.get(), 12.5f);
}

TEST_F(Parameters, CopyingAnEqualRecordReportsNoChangeAndSendsNothing)
{
    auto ps = new_tree();
    ASSERT_TRUE(ps->app.products[2].autoreg_waiter(&waiter, false));
    ASSERT_TRUE(ps->app.alarms.temperature.autoreg_waiter(&waiter, false));

    NV_kelsu::products_t same(ps->app.products[2]);
    EXPECT_FALSE(ps->app.products[2].set(same));
    NV_kelsu::alarm_t same_alarm(ps->app.alarms.temperature);
    EXPECT_FALSE(ps->app.alarms.temperature.set(same_alarm));
    EXPECT_EQ(take_events(), 0);

    NV_kelsu::products_t renamed(same);
    renamed.name.set("Wheat", 5);
    EXPECT_TRUE(ps->app.products[2].set(renamed));
    EXPECT_EQ(at(*ps, "app/products/2/name"), "[Wheat]");
    EXPECT_EQ(take_events(), 1);
}

TEST_F(Parameters, SetFromTextThatFailsChangesNothingAndSendsNoEvent)
{
    auto ps = new_tree();
    ASSERT_TRUE(ps->autoreg_waiter(&waiter, false));
    NV_store::NV_item* rate = ps->_search("app/channels/2/preset_rate_1");
    NV_store::NV_item* flag = ps->_search("app/channels/2/enabled");
    NV_store::NV_item* name = ps->_search("app/channels/2/name");
    ASSERT_TRUE(rate && flag && name);
    EXPECT_EQ(rate->_from_string("rate"), nullptr);
    EXPECT_EQ(flag->_from_string("maybe"), nullptr);
    EXPECT_EQ(name->_from_string("no brackets"), nullptr);
    EXPECT_EQ(name->_from_string("[a name longer than twenty]"), nullptr);
    EXPECT_EQ(text_of(*rate), "0");
    EXPECT_EQ(text_of(*flag), "false");
    EXPECT_EQ(text_of(*name), "[]");
    EXPECT_EQ(take_events(), 0);

    EXPECT_NE(rate->_from_string("2.5"), nullptr);
    EXPECT_EQ(ps->app.channels[2].preset_rate_1.get(), 2.5f);
    EXPECT_EQ(take_events(), 1);
}

}  // namespace
