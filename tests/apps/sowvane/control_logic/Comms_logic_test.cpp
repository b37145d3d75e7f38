// The comms core's counters, masks, advance and dispatch, driven through an
// in-memory stream: the test plays the controllers by feeding frames and
// plays the reply deadline by calling reply_status(false).
#include "apps/sowvane/control_logic/Comms_logic.h"

#include "apps/sowvane/data_store/data_store.h"
#include "glue/diner/module_man.h"
#include "tests/support/serial/Fake_satellite_ecu.h"
#include "tests/support/serial/Memory_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using Packet = Packet_interface::Packet;
using Bytes = std::vector<uint8_t>;
using test_support::Fake_satellite_ecu;

struct Comms : ::testing::Test {
    module_man mm;
    std::unique_ptr<Data_store> store = std::make_unique<Data_store>(&mm);
    data_store_body& b = store->body;
    CDS::Head* head = &store->head;
    NV_kelsu::application_t settings;
    Memory_stream stream;
    Packet_interface link{stream};
    std::unique_ptr<Comms_logic> comms;

    void SetUp() override { comms = std::make_unique<Comms_logic>(link, *store, settings); }
    void reload() { comms->take_parameters(settings); }

    // The request the last poll wrote (empty when none), consumed.
    Bytes sent()
    {
        Bytes out = stream.written();
        stream.written().clear();
        return out;
    }
    // Polls; answers from the polled id with the expected length when
    // answer is set, else lets the deadline pass. The row polled.
    unsigned poll(bool answer)
    {
        comms->poll_step();
        Bytes request = sent();
        unsigned row = comms->last_poll_index();
        if (!comms->expects_reply())
            return row;
        if (answer && !request.empty() && !comms->ascii_reply_awaited()) {
            Bytes data(comms->expected_reply_length() - 5, 0);
            stream.feed(Fake_satellite_ecu::frame(0x31, request[0], request[3], data));
            Packet got;
            EXPECT_EQ(1, link.receive(got, false));
            EXPECT_TRUE(comms->dispatch_reply(got)) << "row " << row;
        } else {
            comms->reply_status(false);
        }
        return row;
    }
    unsigned ecu_status() { return cds_get(head, &b.system.ECU_status); }
};

TEST(Comms_logic_tables, ChannelCountAndSlots)
{
    const unsigned counts[] = {4, 8, 6, 8, 10, 6, 8, 4};
    for (unsigned type = 0; type < 8; ++type)
        EXPECT_EQ(counts[type], Comms_logic::channel_count_for(type)) << type;
    struct Slot {
        uint8_t id;
        bool second;
        unsigned slot;
    } cases[] = {{50, false, 0},  {51, false, 0},  {52, false, 1},  {52, true, 4},
                 {53, false, 1},  {53, true, 5},   {54, false, 7},  {55, false, 13},
                 {57, false, 8},  {58, false, 6},  {60, false, 2},  {61, false, 3},
                 {68, false, 9},  {69, false, 10}, {70, false, 11}, {71, false, 12},
                 {56, false, Comms_logic::NO_SLOT}, {59, false, Comms_logic::NO_SLOT},
                 {0xFF, false, Comms_logic::NO_SLOT}, {49, false, Comms_logic::NO_SLOT}};
    for (const Slot& s : cases)
        EXPECT_EQ(s.slot, Comms_logic::slot_for(s.id, s.second)) << int(s.id);
}

TEST_F(Comms, FourChannelCycleSkipsRowsFiveToEightAndNeverReachesForty)
{
    std::vector<unsigned> rows;
    for (int i = 0; i < 60; ++i) {
        rows.push_back(poll(true));
        EXPECT_LT(comms->poll_index(), Comms_logic::POLL_COUNT);
    }
    // Type 0, nothing enabled or configured: versions are read on the first
    // cycle only.
    const std::vector<unsigned> first = {0, 1, 2, 3, 4, 9, 10, 11, 12, 13, 14, 15, 17, 18, 19,
                                         25, 26, 38};
    const std::vector<unsigned> later = {0, 1, 2, 3, 4, 9, 14, 15, 17, 18, 19, 25, 26, 38};
    std::vector<unsigned> expected = first;
    while (expected.size() < rows.size())
        expected.insert(expected.end(), later.begin(), later.end());
    expected.resize(rows.size());
    EXPECT_EQ(expected, rows);
    std::set<unsigned> seen(rows.begin(), rows.end());
    for (unsigned r = 5; r <= 8; ++r)
        EXPECT_EQ(0u, seen.count(r));
}

TEST_F(Comms, FourthConsecutiveMissSetsNoCommsAndOneGoodReplyClears)
{
    // Rows 0 to 4 all await slot 0 (ids 50, 51).
    for (int miss = 1; miss <= 3; ++miss) {
        poll(false);
        EXPECT_EQ(unsigned(miss), comms->missed_count(0));
        EXPECT_EQ(0u, comms->no_comms_mask());
    }
    poll(false);
    EXPECT_EQ(1u, comms->no_comms_mask());
    EXPECT_EQ(1u, ecu_status());
    EXPECT_EQ(4u, cds_get(head, &b.diagnostics.comms.system_count));
    EXPECT_EQ(4u, cds_get(head, &b.diagnostics.comms.ecu_count[0]));
    EXPECT_EQ(1u, cds_get(head, &b.diagnostics.comms.poll_id_count_0));
    EXPECT_EQ(1u, cds_get(head, &b.diagnostics.comms.poll_id_count_3));
    poll(true);
    EXPECT_EQ(0u, comms->no_comms_mask());
    EXPECT_EQ(0u, comms->missed_count(0));
    EXPECT_EQ(1u, comms->good_reply_count());
    comms->half_second_step();
    EXPECT_EQ(0u, ecu_status());
}

// A controller that fell silent measures nothing: its channels' last shaft
// periods are cleared so that no stale measured rate (or product taken out
// of the tank) outlives it. Channels on other controllers keep theirs.
TEST_F(Comms, NoCommsClearsTheShaftPeriodsOfItsChannels)
{
    for (unsigned c = 0; c < 5; ++c)
        cds_set(head, &b.channels.channels[c].actual_period, ds_ulong(60000));
    for (int miss = 1; miss <= 3; ++miss)
        poll(false);
    EXPECT_EQ(60000u, cds_get(head, &b.channels.channels[0].actual_period)); // not yet
    poll(false);
    ASSERT_EQ(1u, comms->no_comms_mask()); // slot 0: ids 50 and 51, channels 0 to 3
    for (unsigned c = 0; c < 4; ++c)
        EXPECT_EQ(0u, cds_get(head, &b.channels.channels[c].actual_period)) << c;
    EXPECT_EQ(60000u, cds_get(head, &b.channels.channels[4].actual_period)); // id 52, slot 1
}

TEST_F(Comms, SlotNotAskedInACycleLeavesNoComms)
{
    settings.ecu_config.set(3); // 60 and 61 present
    reload();
    // Silence everything for two whole cycles: slots 0, 1, 2, 3 and the fans
    // go into no-comms.
    for (int i = 0; i < 80; ++i)
        poll(false);
    EXPECT_NE(0u, comms->no_comms_mask() & (1u << 2));
    // The product ECUs leave the configuration: after the next wrap their
    // bits are clear although they never answered.
    settings.ecu_config.set(0);
    reload();
    while (comms->poll_index() != 0)
        poll(false);
    for (int i = 0; i < 20; ++i)
        poll(false);
    EXPECT_EQ(0u, comms->no_comms_mask() & ((1u << 2) | (1u << 3)));
    EXPECT_NE(0u, comms->no_comms_mask() & 1u);
}

// Rows 38 and 39 have no per-poll counter in the store, and row 39's
// controller (59) and row 38 (no request) have no slot: their misses count
// in the totals only and never in another row's or slot's counters.
TEST_F(Comms, RowsWithoutCounterOrSlotChargeNoOtherCounter)
{
    settings.drill_control_enabled.set(true);
    reload();
    unsigned row;
    do {
        row = poll(true);
    } while (row != 37 && row != 36 && row != 26);
    while (comms->poll_index() != 39)
        poll(true);
    ds_comms_diags before = cds_get(head, &b.diagnostics.comms);
    comms->poll_step();
    EXPECT_EQ(39u, comms->last_poll_index());
    Bytes request = sent();
    ASSERT_EQ((Bytes{59, 4, 0x31, 83, 0xC3}), request);
    ASSERT_TRUE(comms->expects_reply());
    comms->reply_status(false);
    ds_comms_diags after = cds_get(head, &b.diagnostics.comms);
    EXPECT_EQ(before.system_count + 1, after.system_count);
    EXPECT_EQ(0, std::memcmp(before.ecu_count, after.ecu_count, sizeof before.ecu_count));
    EXPECT_EQ(before.poll_id_count_37, after.poll_id_count_37);
    for (unsigned slot = 0; slot < Comms_logic::SLOT_COUNT; ++slot)
        EXPECT_EQ(0u, comms->missed_count(slot)) << slot;
    EXPECT_EQ(0u, comms->no_comms_mask());
}

TEST_F(Comms, WrongLengthOrForeignReplyIsNotTheAwaitedReply)
{
    comms->poll_step(); // row 0: id 50, 10 bytes
    sent();
    ::testing::internal::CaptureStdout();
    Packet got;
    stream.feed(Fake_satellite_ecu::frame(0x31, 50, 1, {1, 2, 3, 4, 5, 6})); // one byte long
    ASSERT_EQ(1, link.receive(got, false));
    EXPECT_FALSE(comms->dispatch_reply(got));
    stream.feed(Fake_satellite_ecu::frame(0x31, 51, 1, {1, 2, 3, 4, 5})); // a late reply of 51
    ASSERT_EQ(1, link.receive(got, false));
    EXPECT_FALSE(comms->dispatch_reply(got));
    std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Check failed! idx = 0 Exp: 10 Act: 11\n"));
    EXPECT_NE(std::string::npos,
              log.find("Got a valid packet: src=32 len=a dest=31 cmd=1 data=01 02 03 04 05 06 \n"));
    EXPECT_EQ(0u, comms->good_reply_count());
    EXPECT_TRUE(comms->expects_reply()); // still waiting: the deadline decides
    EXPECT_FLOAT_EQ(0, cds_get(head, &b.temperatures.value[0]));

    // The right reply before the deadline is still taken.
    stream.feed(Fake_satellite_ecu::frame(0x31, 50, 1, {60, 65, 0, 0, 0}));
    ASSERT_EQ(1, link.receive(got, false));
    EXPECT_TRUE(comms->dispatch_reply(got));
    EXPECT_FLOAT_EQ(20, cds_get(head, &b.temperatures.value[0]));
    EXPECT_FLOAT_EQ(25, cds_get(head, &b.temperatures.value[1]));
    // A second copy is no longer awaited.
    stream.feed(Fake_satellite_ecu::frame(0x31, 50, 1, {60, 65, 0, 0, 0}));
    ASSERT_EQ(1, link.receive(got, false));
    EXPECT_FALSE(comms->dispatch_reply(got));
    EXPECT_EQ(1u, comms->good_reply_count());
}

// The port refuses the request (a serial adapter gone): the poll is still
// awaited, so the deadline counts the silence and the controller falls into
// no-comms as it would when it stopped answering.
TEST_F(Comms, RequestThePortRefusedCountsAsAMiss)
{
    struct Refusing_stream : Memory_stream {
        int _write(const unsigned char*, unsigned) override { return -1; }
    } dead;
    Packet_interface dead_link{dead};
    Comms_logic cut_off(dead_link, *store, settings);
    for (int i = 0; i < 5; ++i) { // rows 0 to 4: all asked of slot 0 (ids 50, 51)
        cut_off.poll_step();
        ASSERT_TRUE(cut_off.expects_reply()) << "row " << cut_off.last_poll_index();
        cut_off.reply_status(false);
    }
    EXPECT_EQ(1u, cut_off.no_comms_mask());
    EXPECT_EQ(1u, ecu_status());
}

// The scale's weight text is read as a number; one that is not a finite
// number leaves the last weight in place.
TEST_F(Comms, ScaleWeightThatIsNoFiniteNumberIsIgnored)
{
    bool on = true;
    cds_set(head, &b.operation.calibration_scales_mode, 1);
    cds_set(head, &b.operation.calibration_scales[0].scale_enabled, on);
    struct Case {
        const char* weight; // ten characters
        float stored;
    } cases[] = {
        {"+0001234.5", 1234.5f}, {"       nan", 1234.5f}, {"      -inf", 1234.5f},
        {"   9.9e+99", 1234.5f}, {"----------", 1234.5f}, {"    -12.25", -12.25f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.weight);
        while (comms->poll_index() != Comms_logic::SCALE_ROW)
            poll(true);
        comms->poll_step();
        Bytes request = sent();
        ASSERT_EQ("S01110026:", std::string(request.begin(), request.end()));
        std::string reply = std::string("S01110026:") + c.weight + "\x03";
        stream.feed(request); // the line's echo
        stream.feed(Bytes(reply.begin(), reply.end()));
        Packet got;
        ASSERT_EQ(1, link.receive(got, true));
        ASSERT_TRUE(comms->dispatch_reply(got));
        EXPECT_EQ(c.stored, cds_get(head, &b.operation.calibration_scales[0].gross_weight));
    }
}

TEST_F(Comms, ModeTwoAlternatesTheBinRowsAndLeavingStartsTheMaskAfresh)
{
    settings.num_channels.set(3);
    settings.channels[0].enabled.set(true);
    settings.channels[2].enabled.set(true);
    reload();
    for (int i = 0; i < 4; ++i)
        poll(false); // slot 0 in no-comms
    ASSERT_EQ(1u, comms->no_comms_mask());

    comms->enter_mode2();
    EXPECT_TRUE(comms->in_mode2());
    std::vector<std::pair<unsigned, Bytes>> polls;
    for (int i = 0; i < 4; ++i) {
        comms->next_mode2_poll();
        polls.push_back({comms->last_poll_index(), sent()});
        comms->reply_status(false);
    }
    // Rows 24 and 29 in turn, each walking the enabled bins 0 and 2.
    EXPECT_EQ(24u, polls[0].first);
    EXPECT_EQ(29u, polls[1].first);
    EXPECT_EQ(24u, polls[2].first);
    EXPECT_EQ(29u, polls[3].first);
    EXPECT_EQ((Bytes{50, 5, 0x31, 5, 0, 0x6D}), polls[0].second);
    EXPECT_EQ((Bytes{50, 5, 0x31, 9, 0, 0x71}), polls[1].second);
    EXPECT_EQ((Bytes{51, 5, 0x31, 5, 2, 0x70}), polls[2].second);

    comms->leave_mode2();
    EXPECT_FALSE(comms->in_mode2());
    EXPECT_NE(0u, comms->no_comms_mask());
    poll(false);
    EXPECT_EQ(0u, comms->no_comms_mask());

    // With no bin enabled mode 2 sends nothing and expects nothing.
    settings.channels[0].enabled.set(false);
    settings.channels[2].enabled.set(false);
    reload();
    comms->enter_mode2();
    comms->next_mode2_poll();
    EXPECT_FALSE(comms->expects_reply());
    EXPECT_TRUE(sent().empty());
}

TEST_F(Comms, VersionsAreReadAgainOncePerMinute)
{
    auto cycle = [&] {
        std::set<unsigned> rows;
        do
            rows.insert(poll(true));
        while (comms->poll_index() != 0);
        return rows;
    };
    EXPECT_EQ(1u, cycle().count(10));
    EXPECT_EQ(0u, cycle().count(10));
    for (int s = 0; s < 60; ++s)
        comms->one_second_step();
    EXPECT_EQ(0u, cycle().count(10)); // due from the next cycle on
    EXPECT_EQ(1u, cycle().count(10));
}

} // namespace
