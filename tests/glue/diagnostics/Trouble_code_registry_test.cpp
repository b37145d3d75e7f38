#include "Diag_fixture.h"

#include "glue/diagnostics/J1939_messages.h"

#include <vector>

namespace {

using namespace diag_test;

using Registry_test = Registry_fixture;

std::vector<unsigned char> bytes_of(const Binary_message& m)
{
    return std::vector<unsigned char>(m.get_buffer(), m.get_buffer() + m.get_length());
}

TEST_F(Registry_test, ReportMakesCodeActiveOnceThenInactiveAndDemotedAtTheTick)
{
    Item& ten = items_[0];
    EXPECT_EQ(1, report(1, {10}));
    EXPECT_TRUE(in_active(ten));
    EXPECT_TRUE(ten.is(Item::ACTIVE));
    EXPECT_EQ(1, ten.count);
    EXPECT_TRUE(ten.is(Item::DIRTY));
    EXPECT_TRUE(reg_.history_dirty());
    EXPECT_TRUE(reg_.dm1_resend_wanted());
    EXPECT_EQ(1u, reg_.get_active_reportable_count());
    int id = reg_.get_update_id();
    EXPECT_NE(0, id);

    // Named again: still active, no new occurrence, no event, same update id.
    ASSERT_EQ((std::vector<std::pair<int, const Item*>>{{Registry::EVENT_ACTIVE, &ten}}), events());
    report(1, {10});
    EXPECT_EQ(1, ten.count);
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(id, reg_.get_update_id());

    // Not named: inactive in place until the tick demotes it.
    report(1, {});
    EXPECT_FALSE(ten.is(Item::ACTIVE));
    EXPECT_TRUE(in_active(ten));
    EXPECT_TRUE(reg_.demotion_pending());
    ASSERT_EQ((std::vector<std::pair<int, const Item*>>{{Registry::EVENT_INACTIVE, &ten}}), events());
    reg_.demote_inactive();
    EXPECT_TRUE(in_inactive(ten));
    EXPECT_FALSE(reg_.demotion_pending());
    EXPECT_EQ(0u, reg_.get_active_reportable_count());
    EXPECT_EQ(1, ten.count) << "counts survive demotion";

    // Back again: a second occurrence.
    report(1, {10});
    EXPECT_EQ(2, ten.count);
}

TEST_F(Registry_test, EventsOfOneItemAreNotMergedInTheQueue)
{
    report(1, {10});
    report(1, {});
    report(1, {10});
    auto got = events();
    ASSERT_EQ(3u, got.size());
    EXPECT_EQ(Registry::EVENT_ACTIVE, got[0].first);
    EXPECT_EQ(Registry::EVENT_INACTIVE, got[1].first);
    EXPECT_EQ(Registry::EVENT_ACTIVE, got[2].first);
}

TEST_F(Registry_test, EmptyReportTurnsOnlyItsOwnSourceInactive)
{
    report(1, {10, 12});
    report(2, {10});
    events();
    report(1, {});
    EXPECT_FALSE(items_[0].is(Item::ACTIVE));
    EXPECT_FALSE(items_[2].is(Item::ACTIVE));
    EXPECT_TRUE(items_[3].is(Item::ACTIVE));
    auto got = events();
    ASSERT_EQ(2u, got.size());
    for (auto& e : got)
        EXPECT_EQ(Registry::EVENT_INACTIVE, e.first);
}

TEST_F(Registry_test, DuplicateAndForeignCodesAndReportsBeforeInit)
{
    report(1, {10, 10, 999});
    EXPECT_EQ(1, items_[0].count);
    EXPECT_FALSE(items_[3].is(Item::ACTIVE)) << "code 10 of source 2 is another item";
    EXPECT_EQ(1u, events().size());

    // A code not reported on CAN changes state but is not counted.
    report(1, {12});
    EXPECT_TRUE(items_[2].is(Item::ACTIVE));
    EXPECT_EQ(0, items_[2].count);

    Registry fresh;
    fresh.create_lists();
    Report r(1, {10});
    EXPECT_EQ(0, fresh._receive_error_report(r.msg()));
}

TEST_F(Registry_test, CountSaturatesAndDmEntryCapsAt127)
{
    items_[0].count = 0xFFFE;
    report(1, {10});
    report(1, {});
    report(1, {10});
    EXPECT_EQ(0xFFFF, items_[0].count);
    EXPECT_EQ(127u, items_[0].dm_entry() >> 24);
}

TEST_F(Registry_test, ReportCountBeyondItsBytesNamesNoPhantomCodes)
{
    // Claims three codes but carries one; a code 0 must not be read from
    // missing bytes.
    Registry::cross_ref_t zero_ref{1, 0, 0, 5, "zero"};
    Item zero(&zero_ref, Item::REPORTED_ON_CAN);
    reg_.inactive_list().insert(&zero);
    Report r(1, {10});
    r.bytes()[6] = 3;
    EXPECT_EQ(1u, r.msg().get_num_codes());
    reg_._receive_error_report(r.msg());
    EXPECT_TRUE(items_[0].is(Item::ACTIVE));
    EXPECT_FALSE(zero.is(Item::ACTIVE));
    reg_.inactive_list().remove(&zero);
}

TEST_F(Registry_test, LatchedCodesAndTheirAcknowledgement)
{
    unsigned short codes[4] = {};
    report(1, {10});
    EXPECT_EQ(0u, reg_.get_error_report_for_grift(255, 4, codes))
        << "nothing while no code is latched, even with active codes";

    report(1, {10, 11});
    EXPECT_EQ(1u, reg_.get_latched_count());
    EXPECT_EQ(1u, reg_.get_error_report_for_grift(255, 4, codes));
    EXPECT_EQ(11, codes[0]);
    EXPECT_EQ(0u, reg_.get_error_report_for_grift(2, 4, codes));

    // Acknowledged while still active: the bit goes, count and id stay.
    int id = reg_.get_update_id();
    EXPECT_EQ(1, reg_._grift_ack_error(11));
    EXPECT_FALSE(items_[1].is(Item::LATCHED));
    EXPECT_EQ(1u, reg_.get_latched_count());
    EXPECT_EQ(id, reg_.get_update_id());

    // Latched again after it went and came back; acknowledged when gone.
    report(1, {10});
    report(1, {10, 11});
    EXPECT_EQ(2u, reg_.get_latched_count());
    report(1, {10});
    EXPECT_EQ(1u, reg_.get_error_report_for_grift(1, 4, codes)) << "latched 11, not the active 10";
    id = reg_.get_update_id();
    EXPECT_EQ(1, reg_._grift_ack_error(11));
    EXPECT_EQ(1u, reg_.get_latched_count());
    EXPECT_EQ(id + 1, reg_.get_update_id());
    EXPECT_EQ(0, reg_._grift_ack_error(4242));
}

TEST_F(Registry_test, ErrorInfoAutocloseAndCrossReference)
{
    report(2, {10});
    auto got = events();
    ASSERT_EQ(1u, got.size());
    const char* text = nullptr;
    unsigned short count = 0;
    Registry::Diag_event e(reg_.waiters().get_module_id(), Registry::EVENT_ACTIVE, got[0].second);
    EXPECT_EQ(1, reg_.get_error_info(e, text, count));
    EXPECT_STREQ("two/ten", text);
    EXPECT_EQ(1, count);
    EXPECT_EQ(&refs_[3], reg_.get_cross_ref(e));
    // By code: the active list is searched first.
    EXPECT_EQ(1, reg_.get_error_info(10, text, count));
    EXPECT_STREQ("two/ten", text);
    EXPECT_EQ(0, reg_.get_error_info(77, text, count));

    reg_.send_autoclose_message(&refs_[3]);
    reg_.send_autoclose_message(&refs_[1]);
    got = events();
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ(Registry::EVENT_AUTOCLOSE_ACTIVE, got[0].first);
    EXPECT_EQ(Registry::EVENT_AUTOCLOSE_INACTIVE, got[1].first);
}

TEST_F(Registry_test, Dm1BytesWithNoOneAndManyCodes)
{
    uint32_t entries[Registry::MAX_DM_ENTRIES];
    {
        J1939::Msg_DM1 dm1;
        dm1.fill(entries, reg_.collect_dm1_entries(entries, Registry::MAX_DM_ENTRIES));
        EXPECT_EQ((std::vector<unsigned char>{0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}), bytes_of(dm1));
    }
    report(1, {10});
    {
        J1939::Msg_DM1 dm1;
        dm1.fill(entries, reg_.collect_dm1_entries(entries, Registry::MAX_DM_ENTRIES));
        // SPN 0x12345: 45 23, then FMI 3 with SPN bits 16-18 (1) in bits 5-7.
        EXPECT_EQ((std::vector<unsigned char>{0xFF, 0xFF, 0x45, 0x23, 0x23, 0x01, 0xFF, 0xFF}),
                  bytes_of(dm1));
    }
    report(1, {10, 11, 12});
    report(2, {10});
    {
        J1939::Msg_DM1 dm1;
        dm1.fill(entries, reg_.collect_dm1_entries(entries, Registry::MAX_DM_ENTRIES));
        // 520000 = 0x7EF40; 0x7FFFF; code 12 is not reported on CAN.
        EXPECT_EQ((std::vector<unsigned char>{0xFF, 0xFF, 0x45, 0x23, 0x23, 0x01, 0x40, 0xEF, 0xFF,
                                              0x01, 0xFF, 0xFF, 0xE4, 0x01}),
                  bytes_of(dm1));
    }
}

TEST_F(Registry_test, Dm1CarriesTheFirst250CodesInListOrder)
{
    std::vector<Registry::cross_ref_t> refs(300);
    std::vector<Item> many(300);
    Report r(9, {});
    r.bytes().resize(7 + 600);
    r.bytes()[6] = 255;
    for (unsigned i = 0; i < 300; i++) {
        refs[i] = {9, 1, static_cast<unsigned short>(1000 + i), i, ""};
        many[i] = Item(&refs[i], Item::REPORTED_ON_CAN);
        reg_.inactive_list().insert(&many[i]);
        r.bytes()[7 + 2 * i] = static_cast<unsigned char>((1000 + i) & 0xFF);
        r.bytes()[8 + 2 * i] = static_cast<unsigned char>((1000 + i) >> 8);
    }
    reg_._receive_error_report(r.msg()); // names the first 255
    uint32_t entries[Registry::MAX_DM_ENTRIES];
    J1939::Msg_DM1 dm1;
    dm1.fill(entries, reg_.collect_dm1_entries(entries, Registry::MAX_DM_ENTRIES));
    EXPECT_EQ(1002u, dm1.get_length());
    EXPECT_EQ(0u, dm1.get_uint16_le(2));
    EXPECT_EQ(249u, dm1.get_uint16_le(2 + 4 * 249));
    reg_.active_list().init();
    reg_.inactive_list().init();
}

// DM2 lists the previously active codes: occurred and not active now, in
// either list; DM3 clears those and leaves the active codes' counts alone.
TEST_F(Registry_test, Dm2ListsAndDm3ClearsPreviouslyActiveCodesOnly)
{
    uint32_t entries[Registry::MAX_DM_ENTRIES];
    auto dm2 = [&] {
        unsigned n = reg_.collect_dm2_entries(entries, Registry::MAX_DM_ENTRIES);
        return std::vector<uint32_t>(entries, entries + n);
    };
    report(2, {10});
    report(1, {10, 11});
    EXPECT_TRUE(dm2().empty()) << "active codes that never went are not previously active";

    report(1, {11}); // 1/10 went; it waits in the active list for demotion
    EXPECT_EQ(std::vector<uint32_t>{items_[0].dm_entry()}, dm2());
    reg_.demote_inactive();
    EXPECT_EQ(std::vector<uint32_t>{items_[0].dm_entry()}, dm2());

    report(1, {10, 11}); // back again: active, not previously active
    EXPECT_TRUE(dm2().empty());
    report(1, {11});
    EXPECT_EQ(2, items_[0].count);

    reg_.clear_previously_active();
    EXPECT_EQ(0, items_[0].count);
    EXPECT_EQ(1, items_[1].count) << "an active code keeps its count";
    EXPECT_EQ(1, items_[3].count);
    EXPECT_TRUE(dm2().empty());
}

} // namespace
