// The implement on the task controller, against the installed device
// description: the element tree, rates and section states between the task
// controller and the data store, the reload, and descriptions that lack
// what the implement needs. The client's thread is not started: the test
// delivers the queued events itself.
#include "apps/sowvane/tc/TC_interface.h"
#include "apps/sowvane/tc/TC_interface_boom.h"
#include "apps/sowvane/tc/TC_interface_channel.h"
#include "apps/sowvane/tc/TC_interface_device.h"
#include "apps/sowvane/tc/TC_interface_downforce.h"
#include "apps/sowvane/tc/TC_work_states.h"
#include "tests/support/tc_implement.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace TaskController_interface;
using test_support::Sent_pd;

namespace {

const std::string spec_dir = test_support::tc_spec_dir();

// The installed description with one text replaced, next to the DTD.
std::string edited_description(test_support::Description_dir& dir, const std::string& from,
                               const std::string& to)
{
    std::string text = test_support::read_text_file(spec_dir + "tc_pool.xml");
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return dir.write(text);
}

class Implement : public testing::Test, protected test_support::Tc_implement {
protected:
    Implement()
    {
        params.system.tc_enabled.set(true);
        params.app.ecu_config.set(0); // four channels
        params.app.num_channels.set(4);
        params.app.machine_width.set(12.0f);
        params.app.booms.num_booms.set(2);
        for (int b = 0; b < 2; ++b) {
            params.app.booms.booms[b].num_sections.set(4);
            for (int s = 0; s < 4; ++s)
                params.app.booms.booms[b].sections[s].width.set(3.0);
        }
        for (int c = 0; c < 4; ++c)
            params.app.channels[c].enabled.set(true);
    }

    // Loads the description and builds the interface; the captured error
    // stream.
    std::string start(const std::string& path = spec_dir + "tc_pool.xml")
    {
        EXPECT_TRUE(load(path));
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        tci->init(&pool, &params, false);
        out = testing::internal::GetCapturedStdout();
        std::string err = testing::internal::GetCapturedStderr();
        tci->get_waiter().set_enabled(true);
        pump();
        pool.take();
        return err;
    }
    void pump() { test_support::pump(*tci); }
    void command(TC::Object_pool::pd_event_kind_t kind, unsigned short element, TC::ddi_t ddi,
                 int value)
    {
        ASSERT_TRUE(pool.post_pd_event(kind, element, ddi, value));
        pump();
    }
    data_store_body& body() { return store.body; }
    TC::Device_element_obj* element_obj(const char* name)
    {
        return dynamic_cast<TC::Device_element_obj*>(find_object(&pool, name));
    }

    std::string out;
};

} // namespace

TEST_F(Implement, BuildsTheWholeTreeFromTheInstalledDescription)
{
    EXPECT_EQ(start(), "");
    EXPECT_FALSE(tci->configuration_error());
    EXPECT_TRUE(pool.is_enabled());
    ASSERT_NE(tci->device(), nullptr);
    // Root, ten channels with ten bins, five downforces, six booms of ten
    // sections.
    EXPECT_EQ(tci->elements().count(), 1 + 10 + 10 + 5 + 6 + 60);
    EXPECT_EQ(tci->pd_count(), 10 + 10 * 10 + 10 * 3 + 5 * 7 + 6 * 3 + 60 * 5);
    struct Expected {
        const char* name;
        unsigned short number;
        unsigned id;
        const char* designator;
        bool enabled;
    };
    for (const Expected& e : {Expected{"chan_0", 100, 1100, "Channel 1", true},
                              Expected{"chan_4", 104, 1104, "Channel 5", false},
                              Expected{"bin_3", 153, 1153, "Bin 4", true},
                              Expected{"dforce_0", 200, 1200, "Downforce 1", false},
                              Expected{"boom_1", 1100, 2100, "Boom 2", true},
                              Expected{"boom_2", 1200, 2200, "Boom 3", false},
                              Expected{"sect_1.3", 1104, 2104, "Boom 2 Section 4", true},
                              Expected{"sect_2.3", 1204, 2204, "Boom 3 Section 4", false},
                              Expected{"sect_0.4", 1005, 2005, "Boom 1 Section 5", false}}) {
        TC::Device_element_obj* o = element_obj(e.name);
        ASSERT_NE(o, nullptr) << e.name;
        EXPECT_EQ(o->get_number(), e.number) << e.name;
        EXPECT_EQ(o->get_id(), e.id) << e.name;
        EXPECT_EQ(o->get_designator(), e.designator) << e.name;
        EXPECT_EQ(o->is_enabled(), e.enabled) << e.name;
    }
    EXPECT_EQ(element_obj("chan_0")->get_parent(), 101);
    EXPECT_EQ(element_obj("bin_0")->get_parent(), 1100);
    EXPECT_EQ(element_obj("sect_0.0")->get_parent(), 2000);
    EXPECT_EQ(element_obj("chan_0")->get_num_children(), 10);
    EXPECT_EQ(element_obj("bin_0")->get_num_children(), 4);
    // Each bin lists an instance property of its own, with its index; the
    // description's template keeps its value.
    for (int b = 0; b < 10; ++b) {
        std::string name = "bin_" + std::to_string(b);
        auto* property = dynamic_cast<TC::Device_property_obj*>(
            pool.__find_object(element_obj(name.c_str())->get_child(3)));
        ASSERT_NE(property, nullptr) << name;
        EXPECT_EQ(property->get_id(), 1160 + b) << name;
        EXPECT_EQ(property->get_value(), b) << name;
        EXPECT_EQ(property->get_ddi(), 178) << name;
    }
    EXPECT_EQ(dynamic_cast<TC::Device_property_obj*>(find_object(&pool, "element_type_instance"))
                  ->get_value(),
              0);
    // The uploaded pool is whole.
    std::vector<unsigned char> ddop;
    std::string why;
    EXPECT_TRUE(pool.serialise_ddop(ddop, why)) << why;

    for (int c = 0; c < 10; ++c) {
        EXPECT_EQ(body().channels.channels[c].cultural_practise, 2);
        EXPECT_EQ(body().channels.channels[c].type_instance, c);
    }
    EXPECT_EQ(body().downforces.channels[3].type_instance, 3);
    EXPECT_DOUBLE_EQ(body().interface.working_width, 12.0);
    EXPECT_DOUBLE_EQ(body().interface.offset_x, 6.6);
    // Section centres from the middle of a 12 m machine, 3 m sections.
    EXPECT_DOUBLE_EQ(params.app.booms.booms[0].sections[0].offset_y.get(), -4.5);
    EXPECT_DOUBLE_EQ(params.app.booms.booms[0].sections[3].offset_y.get(), 4.5);
    EXPECT_DOUBLE_EQ(params.app.booms.booms[1].sections[0].offset_x.get(), 5 * 1.1);

    // Documentation and section control, 2 booms of 8 sections, 4 channels.
    const auto& v = pool.get_version_params();
    EXPECT_EQ(std::vector<int>(v.bytes + 2, v.bytes + 8),
              (std::vector<int>{0xFF, 0x11, 0, 2, 8, 4}));
    EXPECT_EQ(pool.get_version(), 3);
    ASSERT_FALSE(pool.tx_states().empty());
    EXPECT_EQ(pool.tx_states().back(), TC::Object_pool::TX_RELOAD);
}

TEST_F(Implement, TaskControllerRateLandsInTheDataStore)
{
    start();
    // chan_0 is a mass channel: rate multiplier 100.
    ASSERT_STREQ(tci->channel(0)->prefix(), "chanmass");
    command(TC::Object_pool::PD_SET_VALUE, 100, 6, 12345);
    EXPECT_DOUBLE_EQ(body().channels.channels[0].requested_rate, 123.45);
    command(TC::Object_pool::PD_REQUEST_VALUE, 100, 6, 0);
    EXPECT_EQ(pool.take(), (std::vector<Sent_pd>{{100, 6, 12345}}));
    // The same DDI on another channel is that channel's.
    command(TC::Object_pool::PD_SET_VALUE, 101, 6, 500);
    EXPECT_DOUBLE_EQ(body().channels.channels[1].requested_rate, 5.0);
    EXPECT_DOUBLE_EQ(body().channels.channels[0].requested_rate, 123.45);
    // Downforce setpoint 2500 is 2.5.
    command(TC::Object_pool::PD_SET_VALUE, 200, 365, 2500);
    EXPECT_DOUBLE_EQ(body().downforces.channels[0].requested_rate, 2.5);
    // Work state: 1 switches the channel on, 2 changes nothing.
    command(TC::Object_pool::PD_SET_VALUE, 102, DDI_ACTUAL_WORK_STATE, 1);
    EXPECT_TRUE(body().channels.channels[2].active);
    command(TC::Object_pool::PD_SET_VALUE, 102, DDI_ACTUAL_WORK_STATE, 2);
    EXPECT_TRUE(body().channels.channels[2].active);
    command(TC::Object_pool::PD_SET_VALUE, 0, DDI_ACTUAL_WORK_STATE, 1);
    EXPECT_TRUE(body().operation.master_switch_active);
    // The default rate is the product's preset, a setting.
    command(TC::Object_pool::PD_SET_VALUE, 100, 8, 2000);
    EXPECT_FLOAT_EQ(params.app.products[0].preset_rate_1.get(), 20.0f);
    // Unknown element or DDI: nothing changes, nothing is sent.
    command(TC::Object_pool::PD_SET_VALUE, 110, 6, 1);
    command(TC::Object_pool::PD_SET_VALUE, 100, 0x4321, 1);
    EXPECT_TRUE(pool.take().empty());
}

TEST_F(Implement, SectionStatesCondenseIntoTheBoom)
{
    start();
    ds_boom& boom = body().booms.boom[0];
    for (int s = 0; s < 4; ++s) {
        unsigned on = 1;
        cds_set_uint(&store.head, &boom.sections[s].actual_state, &on);
    }
    pump();
    EXPECT_TRUE(pool.take().empty()) << "change test off until the TC asks";
    command(TC::Object_pool::PD_REQUEST_VALUE, 1000, DDI_ACTUAL_CONDENSED_WORK_STATE, 0);
    EXPECT_EQ(pool.take(), (std::vector<Sent_pd>{{1000, DDI_ACTUAL_CONDENSED_WORK_STATE,
                                                  int(0xFFFFFF55u)}}));
    // With a change threshold every change of the record is sent; the
    // command itself sends, the request having left the value field.
    command(TC::Object_pool::PD_CHANGE_THRESHOLD, 1000, DDI_ACTUAL_CONDENSED_WORK_STATE, 1);
    EXPECT_EQ(pool.take(), (std::vector<Sent_pd>{{1000, DDI_ACTUAL_CONDENSED_WORK_STATE,
                                                  int(0xFFFFFF55u)}}));
    unsigned broken = 7;
    cds_set_uint(&store.head, &boom.sections[1].actual_state, &broken);
    pump();
    EXPECT_EQ(pool.take(), (std::vector<Sent_pd>{{1000, DDI_ACTUAL_CONDENSED_WORK_STATE,
                                                  int(0xFFFFFF59u)}}))
        << "a stored 7 is reported as error (2)";
    // The section's own work state.
    command(TC::Object_pool::PD_REQUEST_VALUE, 1002, DDI_ACTUAL_WORK_STATE, 0);
    command(TC::Object_pool::PD_REQUEST_VALUE, 1006, DDI_ACTUAL_WORK_STATE, 0);
    EXPECT_EQ(pool.take(), (std::vector<Sent_pd>{{1002, DDI_ACTUAL_WORK_STATE, 2},
                                                 {1006, DDI_ACTUAL_WORK_STATE, 3}}));

    // The setpoint: sections 0 to 3 on, the rest not available.
    command(TC::Object_pool::PD_SET_VALUE, 1000, DDI_SETPOINT_CONDENSED_WORK_STATE,
            int(0xFFFFFF55u));
    for (int s = 0; s < 10; ++s)
        EXPECT_EQ(boom.sections[s].requested_state, s < 4 ? 1u : 3u) << s;
    EXPECT_EQ(boom.boom_state, 15);
    command(TC::Object_pool::PD_SET_VALUE, 1000, DDI_SETPOINT_CONDENSED_WORK_STATE, 0);
    for (int s = 0; s < 10; ++s)
        EXPECT_EQ(boom.sections[s].requested_state, 0u) << s;
    EXPECT_EQ(boom.boom_state, 0);
}

TEST_F(Implement, DefaultDataRequestArmsTheElementsTriggers)
{
    start();
    command(TC::Object_pool::PD_REQUEST_VALUE, 0, 0xDFFF, 0);
    std::vector<Sent_pd> sent = pool.take();
    EXPECT_FALSE(sent.empty());
    auto* boom = tci->boom(0);
    auto* actual = static_cast<TC_interface_process_data_base*>(
        boom->pd(TC_interface_boom::PD_ACTUAL_CONDENSED_WORK_STATE0));
    EXPECT_TRUE(actual->get_interval_timer().submitted());
    EXPECT_EQ(actual->get_interval_timer().get_period(), 1000);
    EXPECT_EQ(actual->get_change_threshold(), 0);
    auto* rate = tci->channel(0)->pd(TC_interface_channel::PD_ACTUAL_RATE);
    EXPECT_EQ(rate->get_interval_timer().get_period(), 200);
    EXPECT_EQ(tci->device()->pd(TC_interface_device::PD_TOTAL_AREA)->get_change_threshold(),
              20000);
    EXPECT_EQ(tci->device()->pd(TC_interface_device::PD_PRESCRIPTION_STATE)
                  ->get_change_threshold(),
              INT_MAX);
    // The condensed states were not sent at once; the root's total was.
    for (const Sent_pd& s : sent)
        EXPECT_NE(s.ddi, DDI_ACTUAL_CONDENSED_WORK_STATE);
    bool total = false;
    for (const Sent_pd& s : sent)
        total = total || (s.element == 0 && s.ddi == 116);
    EXPECT_TRUE(total);
}

// The default-data request sends each datum the active description puts in
// the default set, the work states of the root, the channels and the
// sections and the root's prescription state among them (the condensed
// states follow by their timer); nothing else.
TEST_F(Implement, TheDefaultDataAreEveryDatumOfTheDefaultSet)
{
    test_support::Description_dir dir("tc_default_set");
    // The total area taken out of the default set.
    const std::string path = edited_description(
        dir, "name=\"total_area\" object_id=\"402\" ddi=\"116\" properties=\"1\"",
        "name=\"total_area\" object_id=\"402\" ddi=\"116\" properties=\"0\"");
    start(path);
    ASSERT_TRUE(pool.activate_upload());
    std::vector<TC::Object_pool::Described_datum> described;
    std::string why;
    pool.lock(-1);
    ASSERT_TRUE(pool.describe_upload(described, why)) << why;
    pool.unlock();

    command(TC::Object_pool::PD_REQUEST_VALUE, 0, 0xDFFF, 0);
    std::vector<Sent_pd> sent = pool.take();
    auto was_sent = [&](unsigned short element, TC::ddi_t ddi) {
        return std::count_if(sent.begin(), sent.end(), [&](const Sent_pd& s) {
            return s.element == element && s.ddi == ddi;
        });
    };
    int members = 0;
    for (const auto& d : described) {
        const bool member = d.properties & TC::Device_process_data_obj::PROP_DEFAULT_SET;
        const bool by_timer = d.ddi == DDI_ACTUAL_CONDENSED_WORK_STATE ||
                              d.ddi == DDI_SETPOINT_CONDENSED_WORK_STATE;
        members += member;
        EXPECT_EQ(was_sent(d.element, d.ddi), member && !by_timer ? 1 : 0)
            << "element " << d.element << ", DDI 0x" << std::hex << d.ddi;
    }
    EXPECT_GT(members, 100);
    for (const auto& [element, ddi] : {std::pair<unsigned short, TC::ddi_t>{0, DDI_ACTUAL_WORK_STATE},
                                       {0, DDI_PRESCRIPTION_CONTROL_STATE},
                                       {100, DDI_ACTUAL_WORK_STATE},
                                       {1001, DDI_ACTUAL_WORK_STATE},
                                       {1103, DDI_ACTUAL_WORK_STATE}})
        EXPECT_EQ(was_sent(element, ddi), 1) << element << " 0x" << std::hex << ddi;
    EXPECT_EQ(was_sent(0, 116), 0) << "not in the default set";
}

TEST_F(Implement, ReloadFollowsTheLayoutAndUploadsAgain)
{
    start();
    size_t reloads = pool.tx_states().size();
    params.app.channels[0].mode.set(1);
    params.app.booms.num_booms.set(3);
    testing::internal::CaptureStdout();
    uint32_t five = 5;
    cds_set(&store.head, &body().system.reset_tc_counter, five);
    pump();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("TC Reload required!!"), std::string::npos);
    EXPECT_FALSE(body().system.reset_tc);
    EXPECT_EQ(pool.tx_states().size(), reloads + 1);
    EXPECT_TRUE(element_obj("boom_2")->is_enabled());
    EXPECT_EQ(pool.get_version_params().bytes[5], 3);
    // The volume channel's rate data moved to the volume objects.
    EXPECT_STREQ(tci->channel(0)->prefix(), "chanvol");
    EXPECT_EQ(tci->channel(0)->rate_multiplier(), 10000.0);
    command(TC::Object_pool::PD_SET_VALUE, 100, 1, 25000);
    EXPECT_DOUBLE_EQ(body().channels.channels[0].requested_rate, 2.5);
    EXPECT_EQ(tci->channel(0)->pd(TC_interface_channel::PD_FLOW_RATE)->get_multiplier(), 1.0);
    EXPECT_EQ(element_obj("chan_0")->get_child(TC_interface_channel::PD_SETPOINT_RATE), 424);
    // 0 asks for nothing.
    uint32_t zero = 0;
    cds_set(&store.head, &body().system.reset_tc_counter, zero);
    pump();
    EXPECT_EQ(pool.tx_states().size(), reloads + 1);
}

TEST_F(Implement, DisabledTcBuildsEverythingButLeavesThePoolOff)
{
    params.system.tc_enabled.set(false);
    start();
    EXPECT_FALSE(pool.is_enabled());
    EXPECT_EQ(tci->elements().count(), 92);
    EXPECT_EQ(pool.get_version_params().bytes[5], 2);
    // A reset while disabled refreshes nothing.
    size_t reloads = pool.tx_states().size();
    tci->reset();
    EXPECT_EQ(pool.tx_states().size(), reloads);
    // Status events reach nobody while the pool is off.
    EXPECT_FALSE(pool.post_status(TC::Object_pool::STATUS_ACTIVE));
}

TEST_F(Implement, PoolStatusDrivesTcAlive)
{
    start();
    EXPECT_TRUE(pool.post_status(TC::Object_pool::STATUS_ACTIVE));
    pump();
    EXPECT_TRUE(body().system.tc_alive);
    EXPECT_TRUE(pool.post_status(TC::Object_pool::STATUS_TC_LOST));
    pump();
    EXPECT_FALSE(body().system.tc_alive);
}

TEST_F(Implement, VersionParamsLimitSectionsAndBooms)
{
    start();
    struct Case {
        int booms, sections;
        int want_booms, want_sections;
    };
    for (const Case& c : {Case{6, 42, 6, 252}, Case{6, 50, 6, 255}, Case{9, 10, 6, 60}}) {
        params.app.booms.num_booms.set((unsigned char)c.booms);
        for (int b = 0; b < 6; ++b)
            params.app.booms.booms[b].num_sections.set((unsigned char)c.sections);
        testing::internal::CaptureStdout();
        tci->update_version_params();
        std::string printed = testing::internal::GetCapturedStdout();
        const auto& v = pool.get_version_params();
        EXPECT_EQ(v.bytes[5], c.want_booms);
        EXPECT_EQ(v.bytes[6], c.want_sections);
        if (c.booms > 6) {
            EXPECT_NE(printed.find("9 booms configured"), std::string::npos);
        }
    }
}

TEST_F(Implement, BinOfUnknownContentKindIsMass)
{
    body().interface.channels[2].content_kind = 7;
    body().interface.channels[3].content_kind = 2;
    start();
    EXPECT_NE(out.find("Bin 2: content kind 7"), std::string::npos) << out;
    auto* bin2 = &tci->channel(2)->bin();
    EXPECT_STREQ(bin2->prefix(), "binmass");
    auto* bin3 = &tci->channel(3)->bin();
    EXPECT_STREQ(bin3->prefix(), "bincount");
    // A remaining content of 250.6 in count is sent as 251.
    double remaining = 250.6;
    cds_set_double(&store.head, &body().channels.channels[3].remaining_volume, &remaining);
    pump();
    command(TC::Object_pool::PD_REQUEST_VALUE, 153, 78, 0);
    EXPECT_EQ(pool.take(), (std::vector<Sent_pd>{{153, 78, 251}}));
}

TEST_F(Implement, DescriptionWithoutTheRootLeavesTheTcOff)
{
    test_support::Description_dir dir("tcdesc");
    std::string path = edited_description(dir, "name=\"seeder_root\"", "name=\"seeder_top\"");
    std::string err = start(path);
    EXPECT_EQ(err, "TC device description: the device element \"seeder_root\" is missing; the "
                   "task controller interface stays off\n");
    EXPECT_TRUE(tci->configuration_error());
    EXPECT_FALSE(pool.is_enabled());
    EXPECT_EQ(tci->elements().count(), 0);
    EXPECT_EQ(tci->pd_count(), 0);
    // The rest runs on: events are answered with nothing, a reset does not
    // bring the TC part back.
    tci->reset();
    EXPECT_FALSE(pool.is_enabled());
}

TEST_F(Implement, DescriptionWithoutAProcessDatumLeavesTheTcOff)
{
    test_support::Description_dir dir("tcdesc");
    std::string path = edited_description(dir, "name=\"chan_shaft_rpm\"", "name=\"chan_shaft_speed\"");
    std::string err = start(path);
    EXPECT_EQ(err, "TC device description: chan_0 needs the process-data object "
                   "\"chan_shaft_rpm\", which is missing; the task controller interface stays "
                   "off\n");
    EXPECT_FALSE(pool.is_enabled());
    EXPECT_EQ(tci->elements().count(), 0);
    EXPECT_EQ(tci->pd_count(), 0);
    EXPECT_EQ(tci->channel(0), nullptr);
}

TEST_F(Implement, MissingTypeObjectFoundOnReloadTurnsTheTcOff)
{
    test_support::Description_dir dir("tcdesc");
    std::string path = edited_description(dir, "name=\"chanvol_flow_rate\"", "name=\"chanvol_flow\"");
    EXPECT_EQ(start(path), "");
    params.app.channels[1].mode.set(2);
    testing::internal::CaptureStderr();
    bool yes = true;
    cds_set_bool(&store.head, &body().system.reset_tc, &yes);
    pump();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("\"chanvol_flow_rate\""), std::string::npos) << err;
    EXPECT_FALSE(pool.is_enabled());
    EXPECT_EQ(tci->pd_count(), 0);
}

TEST_F(Implement, ElementWhoseIdIsTakenStopsAlone)
{
    test_support::Description_dir dir("tcdesc");
    std::string path = edited_description(dir, "name=\"dvp_bool\" object_id=\"300\"",
                         "name=\"dvp_bool\" object_id=\"1101\"");
    std::string err = start(path);
    EXPECT_NE(err.find("element 101 stays out"), std::string::npos) << err;
    EXPECT_FALSE(tci->configuration_error());
    EXPECT_TRUE(pool.is_enabled());
    EXPECT_FALSE(tci->channel(1)->ok());
    EXPECT_TRUE(tci->channel(2)->ok());
    command(TC::Object_pool::PD_SET_VALUE, 101, 6, 500);
    EXPECT_DOUBLE_EQ(body().channels.channels[1].requested_rate, 0.0);
    command(TC::Object_pool::PD_SET_VALUE, 102, 6, 500);
    EXPECT_DOUBLE_EQ(body().channels.channels[2].requested_rate, 5.0);
}

TEST_F(Implement, EnableRulesFollowTheConfigurationOnReset)
{
    start();
    EXPECT_FALSE(element_obj("dforce_0")->is_enabled());
    // Without a VT every channel below the configured count takes part, and
    // the first downforce with drill control.
    params.app.ecu_config.set(3); // eight channels
    params.app.channels[1].enabled.set(false);
    params.app.drill_control_enabled.set(true);
    bool yes = true;
    cds_set_bool(&store.head, &body().system.non_vtt_connected, &yes);
    testing::internal::CaptureStdout();
    tci->reset();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("Setup 8 channels"), std::string::npos);
    for (int c = 0; c < 10; ++c) {
        std::string name = "chan_" + std::to_string(c);
        EXPECT_EQ(element_obj(name.c_str())->is_enabled(), c < 8) << name;
    }
    EXPECT_TRUE(element_obj("dforce_0")->is_enabled());
    EXPECT_FALSE(element_obj("dforce_1")->is_enabled());
    // A downforce boom needs drill control.
    params.app.booms.booms[1].type.set(TC_interface_boom::DOWNFORCE_BOOM_TYPE);
    params.app.drill_control_enabled.set(false);
    testing::internal::CaptureStdout();
    tci->reset();
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(element_obj("boom_1")->is_enabled());
    EXPECT_FALSE(element_obj("sect_1.0")->is_enabled());
    EXPECT_TRUE(element_obj("boom_0")->is_enabled());
}

TEST_F(Implement, BinFollowsItsContentKindOnReset)
{
    start();
    auto& bin = tci->channel(0)->bin();
    EXPECT_STREQ(bin.prefix(), "binmass");
    body().interface.channels[0].content_kind = 1;
    testing::internal::CaptureStdout();
    tci->reset();
    EXPECT_STREQ(bin.prefix(), "binvol");
    double setpoint = 1.5;
    cds_set_double(&store.head, &body().interface.channels[0].bin.content_setpoint, &setpoint);
    command(TC::Object_pool::PD_REQUEST_VALUE, 150, 71, 0);
    EXPECT_EQ(pool.take(), (std::vector<Sent_pd>{{150, 71, 1500}}));
    EXPECT_EQ(element_obj("bin_0")->get_child(0), 453);
    // An unknown kind later keeps the kind in force.
    body().interface.channels[0].content_kind = 5;
    tci->reset();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_STREQ(bin.prefix(), "binvol");
    EXPECT_NE(printed.find("content kind 5"), std::string::npos);
}

TEST_F(Implement, OnlyTheActiveDescriptionsDataAnswerTheDefaultDataRequest)
{
    start();
    ASSERT_TRUE(pool.activate_upload());
    command(TC::Object_pool::PD_REQUEST_VALUE, 0xFFF, 0xDFFF, 0);
    std::vector<Sent_pd> sent = pool.take();
    EXPECT_FALSE(sent.empty());
    for (const Sent_pd& s : sent)
        EXPECT_TRUE(pool.is_described(s.element, s.ddi)) << s;
    // Channel 6, downforce 1 and boom 3 are out of the description: they
    // arm nothing.
    auto* rate = tci->channel(5)->pd(TC_interface_channel::PD_ACTUAL_RATE);
    EXPECT_FALSE(rate->get_interval_timer().submitted());
    EXPECT_EQ(tci->channel(5)->pd(TC_interface_channel::PD_WORK_STATE)->get_change_threshold(),
              INT_MAX);
    EXPECT_FALSE(tci->downforce(0)->pd(TC_interface_downforce::PD_ACTUAL)->get_interval_timer().submitted());
    EXPECT_FALSE(tci->boom(2)
                     ->pd(TC_interface_boom::PD_ACTUAL_CONDENSED_WORK_STATE0)
                     ->get_interval_timer()
                     .submitted());
    EXPECT_TRUE(tci->channel(0)
                    ->pd(TC_interface_channel::PD_ACTUAL_RATE)
                    ->get_interval_timer()
                    .submitted());
    // Nor do they send when their values change.
    double actual = 55.0;
    cds_set_double(&store.head, &body().channels.channels[5].actual_rate, &actual);
    pump();
    EXPECT_TRUE(pool.take().empty());

    // Without an active description nothing is served.
    pool.deactivate();
    command(TC::Object_pool::PD_REQUEST_VALUE, 0xFFF, 0xDFFF, 0);
    EXPECT_TRUE(pool.take().empty());
}

TEST_F(Implement, TriggersGoWhenTheSessionChanges)
{
    start();
    auto* rate = tci->channel(0)->pd(TC_interface_channel::PD_ACTUAL_RATE);
    auto* shaft = tci->channel(0)->pd(TC_interface_channel::PD_SHAFT_RPM);
    auto* sections =
        tci->boom(0)->pd(TC_interface_boom::PD_ACTUAL_CONDENSED_WORK_STATE0);
    auto* area = tci->device()->pd(TC_interface_device::PD_TOTAL_AREA);
    using P = TC::Object_pool;
    struct Case {
        const char* what;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"task controller lost", [&] { pool.post_status(P::STATUS_TC_LOST); }},
        {"another session begins", [&] { pool.post_status(P::STATUS_CONNECTING); }},
        {"description activated anew", [&] { pool.post_status(P::STATUS_ACTIVE); }},
        {"transfer failed", [&] { pool.post_status(P::STATUS_BUS_ERROR); }},
        {"description replaced", [&] {
             testing::internal::CaptureStdout();
             tci->reset();
             testing::internal::GetCapturedStdout();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // What a task controller sets: defaults, an interval, a band, a
        // change threshold.
        command(P::PD_REQUEST_VALUE, 0xFFF, 0xDFFF, 0);
        command(P::PD_TIME_INTERVAL, 100, 7, 500);
        command(P::PD_MINIMUM_THRESHOLD, 100, 7, 10);
        command(P::PD_MAXIMUM_THRESHOLD, 100, 7, 100000);
        command(P::PD_CHANGE_THRESHOLD, 100, 7, 5);
        ASSERT_TRUE(rate->get_interval_timer().submitted());
        ASSERT_TRUE(sections->get_interval_timer().submitted());
        c.change();
        pump();
        for (TC_interface_process_data_base* pd : {rate, shaft, sections, area}) {
            EXPECT_FALSE(pd->get_interval_timer().submitted()) << pd->get_ddi();
            EXPECT_EQ(pd->get_interval_timer().get_period(), 0) << pd->get_ddi();
            EXPECT_EQ(pd->get_change_threshold(), INT_MAX) << pd->get_ddi();
            EXPECT_FALSE(pd->has_threshold_band()) << pd->get_ddi();
        }
        pool.take();
        double actual = 70.0 + c.what[0];
        cds_set_double(&store.head, &body().channels.channels[0].actual_rate, &actual);
        pump();
        EXPECT_TRUE(pool.take().empty()) << "nothing asked for, nothing sent";
    }
}

TEST_F(Implement, OneSetpointSendsOneValueWithTheNewState)
{
    start();
    // After the default data every change of the boom's states is sent.
    command(TC::Object_pool::PD_REQUEST_VALUE, 0xFFF, 0xDFFF, 0);
    pool.take();
    auto count = [](const std::vector<Sent_pd>& sent, TC::ddi_t ddi) {
        std::vector<int> values;
        for (const Sent_pd& s : sent)
            if (s.element == 1000 && s.ddi == ddi)
                values.push_back(s.value);
        return values;
    };
    // Sections 1 and 2 on, the rest off: ten sections and the boom state
    // are written one by one.
    command(TC::Object_pool::PD_SET_VALUE, 1000, DDI_SETPOINT_CONDENSED_WORK_STATE, 0x05);
    std::vector<Sent_pd> sent = pool.take();
    // Sections beyond the boom's four are not available.
    EXPECT_EQ(count(sent, DDI_SETPOINT_CONDENSED_WORK_STATE), std::vector<int>{int(0xFFFFFF05u)});
    EXPECT_TRUE(count(sent, DDI_ACTUAL_CONDENSED_WORK_STATE).empty())
        << "the sections have not moved yet";
    // The implement follows, section by section.
    ds_boom& boom = body().booms.boom[0];
    for (int s = 0; s < 2; ++s) {
        unsigned on = 1;
        cds_set_uint(&store.head, &boom.sections[s].actual_state, &on);
    }
    pump();
    sent = pool.take();
    EXPECT_EQ(count(sent, DDI_ACTUAL_CONDENSED_WORK_STATE), std::vector<int>{int(0xFFFFFF05u)});
    EXPECT_TRUE(count(sent, DDI_SETPOINT_CONDENSED_WORK_STATE).empty());
}

TEST_F(Implement, ASetValueIsAcknowledgedOnceTheImplementTookOrRefusedIt)
{
    start();
    ASSERT_TRUE(pool.activate_upload());
    struct Case {
        const char* what;
        unsigned short element;
        TC::ddi_t ddi;
        int value;
        unsigned char errors;
    };
    const Case cases[] = {
        {"work state on", 0, DDI_ACTUAL_WORK_STATE, 1, TC::PDACK_NO_ERROR},
        {"work state error", 0, DDI_ACTUAL_WORK_STATE, 2, TC::PDACK_VALUE_OUT_OF_RANGE},
        {"no work state", 0, DDI_ACTUAL_WORK_STATE, 7, TC::PDACK_VALUE_NOT_CONFORMING},
        {"rate", 100, 6, 12345, TC::PDACK_NO_ERROR},
        {"a section's reported state", 1001, DDI_ACTUAL_WORK_STATE, 1, TC::PDACK_NOT_SETTABLE},
        {"unknown DDI", 100, 0x4321, 1, TC::PDACK_DDI_NOT_SUPPORTED},
        {"unknown element", 0x123, 6, 1, TC::PDACK_INVALID_ELEMENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(pool.post_pd_event(TC::Object_pool::PD_SET_VALUE, c.element, c.ddi, c.value,
                                       true));
        testing::internal::CaptureStderr();
        pump();
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(pool.take_acks(),
                  (std::vector<test_support::Sent_ack>{{c.element, c.ddi, c.errors}}));
    }
    // What was taken is in the data store; what was refused changed nothing.
    EXPECT_TRUE(body().operation.master_switch_active);
    EXPECT_DOUBLE_EQ(body().channels.channels[0].requested_rate, 123.45);
    // A set value without acknowledge is answered with nothing.
    command(TC::Object_pool::PD_SET_VALUE, 0, DDI_ACTUAL_WORK_STATE, 0);
    EXPECT_FALSE(body().operation.master_switch_active);
    EXPECT_TRUE(pool.take_acks().empty());
}

TEST_F(Implement, AReloadIsOfferedOnceTheElementsAreRewritten)
{
    start();
    params.app.booms.num_booms.set(3);
    params.app.channels[1].enabled.set(false);
    testing::internal::CaptureStdout();
    tci->reset();
    testing::internal::GetCapturedStdout();
    // The pool offered at the reload is the pool as it stands after it.
    std::vector<std::vector<unsigned char>> offered = pool.offered();
    ASSERT_FALSE(offered.empty());
    ASSERT_EQ(pool.tx_states().back(), TC::Object_pool::TX_RELOAD);
    std::vector<unsigned char> now;
    std::string why;
    ASSERT_TRUE(pool.serialise_ddop(now, why)) << why;
    EXPECT_EQ(offered.back(), now);
    EXPECT_TRUE(element_obj("boom_2")->is_enabled());
    EXPECT_FALSE(element_obj("chan_1")->is_enabled());
}
