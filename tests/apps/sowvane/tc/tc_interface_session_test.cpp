// The implement's TC client over the session engine and the test task
// controller, joined in memory and driven by hand: what a task controller
// receives of it. The uploaded description is read back with a reading of
// its own written from ISO 11783-10's object layouts, and the version
// message is taken apart byte by byte against the standard's layout.
#include "apps/sowvane/tc/TC_interface.h"
#include "tests/platform/tc/Session_rig.h"
#include "tests/support/item_id_scope.h"
#include "tests/support/tc/Ddop_reading.h"
#include "tests/support/tc_client_harness.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

namespace {

using session_rig::CLIENT;

// Two channels and two booms of 4 and 3 sections, the TC switched on.
class Implement_on_session : public testing::Test {
protected:
    Implement_on_session()
    {
        params.system.tc_enabled.set(true);
        params.app.num_channels.set(2);
        params.app.machine_width.set(12.0f);
        for (int c = 0; c < 2; ++c)
            params.app.channels[c].enabled.set(true);
        params.app.booms.num_booms.set(2);
        for (int b = 0; b < 2; ++b) {
            params.app.booms.booms[b].num_sections.set((unsigned char)(4 - b));
            for (int s = 0; s < 4 - b; ++s)
                params.app.booms.booms[b].sections[s].width.set(3.0);
        }
    }
    ~Implement_on_session() override
    {
        tci.reset();
        if (capturing_)
            testing::internal::GetCapturedStdout();
    }
    // The client builds its tree and its session runs until the TC holds
    // the description active.
    bool start()
    {
        testing::internal::CaptureStdout();
        capturing_ = true;
        tci->init(&rig.pool, &params, false);
        return rig.run_until(TC::Client_engine::ST_ACTIVE);
    }

    Item_id_scope ids{1};
    session_rig::Rig rig;
    NV_kelsu::parameters_t params{&rig.mm, 0, "PS"};
    Data_store store{&rig.mm};
    std::unique_ptr<TC_interface> tci = std::make_unique<TC_interface>(&rig.mm, store);
    bool capturing_ = false;
};

TEST_F(Implement_on_session, ATaskControllersOwnReadingResolvesTheUploadedDescription)
{
    ASSERT_TRUE(start());
    const std::vector<unsigned char>& held = rig.server.clients[CLIENT].pool;
    ASSERT_FALSE(held.empty());
    const ddop_reading::Pool read = ddop_reading::read(held);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(ddop_reading::resolve(read), "");
    EXPECT_EQ(ddop_reading::write(read), held) << "written back byte for byte";
    ASSERT_FALSE(read.objects.empty());
    EXPECT_EQ(read.objects[0].label, "DVC") << "the device comes first";
    EXPECT_EQ(read.objects[0].id, ddop_reading::DEVICE_ID);

    // The elements the implement offers, by number, and nothing else.
    std::map<uint16_t, const ddop_reading::Object*> elements;
    for (const auto& o : read.objects)
        if (o.label == "DET")
            elements[o.element.number] = &o;
    std::vector<uint16_t> numbers;
    for (const auto& e : elements)
        numbers.push_back(e.first);
    EXPECT_EQ(numbers, (std::vector<uint16_t>{0, 100, 101, 150, 151, 1000, 1001, 1002, 1003, 1004,
                                              1100, 1101, 1102, 1103}));
    ASSERT_EQ(elements.count(0), 1u);
    EXPECT_EQ(elements[0]->element.parent, ddop_reading::DEVICE_ID);
    EXPECT_EQ(elements[1101]->element.designator, "Boom 2 Section 1");

    // Each bin lists an instance property of its own, holding its index.
    std::set<uint16_t> property_ids;
    for (uint16_t bin : {150, 151}) {
        SCOPED_TRACE(bin);
        ASSERT_EQ(elements.count(bin), 1u);
        const auto& children = elements[bin]->element.children;
        const ddop_reading::Object* property = nullptr;
        for (uint16_t c : children)
            if (read.find(c)->label == "DPT")
                property = read.find(c);
        ASSERT_NE(property, nullptr);
        EXPECT_EQ(property->property.ddi, 178);
        EXPECT_EQ(property->property.value, bin - 150);
        property_ids.insert(property->id);
    }
    EXPECT_EQ(property_ids.size(), 2u);
}

TEST_F(Implement_on_session, TheVersionMessageCarriesTheOptionsAndCountsInTheirPlaces)
{
    ASSERT_TRUE(start());
    rig.server.request_version(CLIENT);
    rig.pump();
    ASSERT_EQ(rig.server.versions.size(), 1u);
    const std::vector<unsigned char>& v = rig.server.versions[0];
    ASSERT_EQ(v.size(), 8u);
    // ISO 11783-10 technical capabilities, version message:
    EXPECT_EQ(v[0], 0x10) << "command 0 (technical), subcommand 1 (version)";
    EXPECT_EQ(v[1], 3) << "version of the standard the client follows";
    EXPECT_EQ(v[2], 0xFF) << "boot time: not available";
    EXPECT_EQ(v[3] & 0x01, 0x01) << "options bit 0: documentation";
    EXPECT_EQ(v[3] & 0x02, 0x00) << "options bit 1: TC-GEO without position-based control";
    EXPECT_EQ(v[3] & 0x04, 0x00) << "options bit 2: TC-GEO with position-based control";
    EXPECT_EQ(v[3] & 0x08, 0x00) << "options bit 3: peer control assignment";
    EXPECT_EQ(v[3] & 0x10, 0x10) << "options bit 4: implement section control";
    EXPECT_EQ(v[3] & 0xE0, 0x00) << "options bits 5 to 7: reserved";
    EXPECT_EQ(v[4], 0x00) << "reserved options";
    EXPECT_EQ(v[5], 2) << "booms for section control";
    EXPECT_EQ(v[6], 7) << "sections for section control";
    EXPECT_EQ(v[7], 2) << "control channels";

    // Without sections there is no section control to offer.
    for (int b = 0; b < 2; ++b)
        params.app.booms.booms[b].num_sections.set(0);
    tci->update_version_params();
    rig.server.request_version(CLIENT);
    rig.pump();
    ASSERT_EQ(rig.server.versions.size(), 2u);
    EXPECT_EQ(rig.server.versions[1][3], 0x01);
    EXPECT_EQ(rig.server.versions[1][6], 0);
}

// A set value the DDI does not define is refused with error 0x40 before it
// reaches the implement; a rate of 0 (stop) is a rate like any other.
TEST_F(Implement_on_session, SetValuesOutsideTheirDdisRangeAreRefusedAndNotStored)
{
    ASSERT_TRUE(start());
    tci->get_waiter().set_enabled(true);
    test_support::pump(*tci);
    const ds_channel& tank = store.body.channels.channels[0];
    const ds_boom& boom = store.body.booms.boom[0];
    struct Case {
        const char* what;
        unsigned short element;
        TC::ddi_t ddi;
        int32_t value;
        unsigned char errors;
        double rate_after;
        int boom_state_after;
    };
    const Case cases[] = {
        {"a rate", 100, 0x0006, 12345, TC::PDACK_NO_ERROR, 123.45, 0},
        {"a rate below 0", 100, 0x0006, -5, TC::PDACK_VALUE_NOT_CONFORMING, 123.45, 0},
        {"a rate far below 0", 100, 0x0006, -20000, TC::PDACK_VALUE_NOT_CONFORMING, 123.45, 0},
        {"sections 1 to 4 on", 1000, 0x0122, int32_t(0xFFFFFF55u), TC::PDACK_NO_ERROR, 123.45, 15},
        {"section 1 in error", 1000, 0x0122, int32_t(0xFFFFFF56u), TC::PDACK_VALUE_NOT_CONFORMING,
         123.45, 15},
        {"a rate of 0", 100, 0x0006, 0, TC::PDACK_NO_ERROR, 0.0, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.server.acks.clear();
        rig.server.send_command(CLIENT, TC::CMD_SET_VALUE_ACK, c.element, c.ddi, c.value);
        rig.pump();
        test_support::pump(*tci);
        rig.pump();
        ASSERT_EQ(rig.server.acks.size(), 1u);
        EXPECT_EQ(rig.server.acks[0].errors, c.errors);
        EXPECT_DOUBLE_EQ(tank.requested_rate, c.rate_after);
        EXPECT_EQ(boom.boom_state, c.boom_state_after);
        EXPECT_EQ(boom.sections[0].requested_state, c.boom_state_after ? 1u : 0u);
    }
}

} // namespace
