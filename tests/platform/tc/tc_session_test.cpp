// The client session against the test task controller, message by message.
#include "Session_rig.h"

#include "tests/support/debug_capture.h"

#include <algorithm>
#include <functional>

namespace {

using session_rig::CLIENT;
using session_rig::Rig;
using session_rig::SERVER;
using E = TC::Client_engine;
using P = TC::Object_pool;

int count_sub(const std::vector<session_rig::Msg>& sent, unsigned char sub)
{
    return int(std::count_if(sent.begin(), sent.end(), [&](const session_rig::Msg& m) {
        return m.pgn == TC::PGN_PROCESS_DATA && !m.data.empty() && m.data[0] == sub;
    }));
}

TEST(TcSession, FirstConnectionUploadsThePoolAndActivatesIt)
{
    Rig rig;
    rig.server.set_silent(true);
    rig.switch_on();
    EXPECT_EQ(rig.engine->get_state(), E::ST_WAIT_TC);
    rig.advance(3000);  // silent while no TC has announced itself
    EXPECT_TRUE(rig.client_end.sent.empty());
    rig.server.set_silent(false);

    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    EXPECT_EQ(rig.engine->tc().address, SERVER);
    EXPECT_EQ(rig.engine->tc().version, 4);
    EXPECT_EQ(rig.server.transfers, 1);
    EXPECT_EQ(rig.server.activations, 1);
    // The TC holds exactly the pool the client built, readable by a peer.
    const auto& held = rig.server.clients[CLIENT];
    EXPECT_TRUE(held.active);
    EXPECT_EQ(int(held.pool.size()), rig.engine->pool_size());
    EXPECT_EQ(0, std::memcmp(held.structure, rig.engine->structure_label(), 7));
    EXPECT_EQ(rig.statuses(),
              (std::vector<int>{P::STATUS_WAITING_FOR_TC, P::STATUS_CONNECTING, P::STATUS_UPLOADING,
                                P::STATUS_ACTIVATING, P::STATUS_ACTIVE}));

    // The working set master message once, as the client announces
    // itself; the client task message every 2 s.
    EXPECT_EQ(rig.server.master_messages, 1);
    const int tasks = rig.server.task_messages;
    rig.advance(10000);
    EXPECT_EQ(rig.server.master_messages, 1);
    EXPECT_EQ(rig.server.task_messages - tasks, 5);
    EXPECT_EQ(rig.engine->get_state(), E::ST_ACTIVE);

    // The TC asks for the client's version: the application's parameters,
    // but no boot time, which is the TC's to give.
    P::tc_version_params_t params{{1, 1, 0, 0x10, 0, 6, 60, 10}};
    rig.pool.set_version_params(3, &params);
    rig.server.request_version(CLIENT);
    rig.pump();
    ASSERT_EQ(rig.server.versions.size(), 1u);
    EXPECT_EQ(rig.server.versions[0],
              (std::vector<unsigned char>{0x10, 3, 0xFF, 0x10, 0, 6, 60, 10}));
}

TEST(TcSession, TheClientTaskMessageEchoesTheTcsTaskState)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));

    // The client task message echoes the TC's task bit; its reserved bytes
    // are zero.
    for (bool task : {true, false}) {
        SCOPED_TRACE(task);
        rig.server.set_task_active(task);
        rig.advance(4100);
        EXPECT_EQ(rig.server.last_task_message,
                  (std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0xFF, (unsigned char)(task ? 1 : 0), 0, 0, 0}));
    }
}

TEST(TcSession, AReturningTcThatHoldsThePoolActivatesItWithoutATransfer)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    rig.statuses();

    rig.server.set_silent(true);
    rig.advance(7000);
    EXPECT_EQ(rig.engine->get_state(), E::ST_WAIT_TC);
    EXPECT_EQ(rig.statuses(), std::vector<int>{P::STATUS_TC_LOST});
    EXPECT_FALSE(rig.pool.send_process_data(0, 141, 1));

    rig.client_end.sent.clear();
    rig.server.set_silent(false);
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    EXPECT_EQ(rig.server.transfers, 1);
    EXPECT_EQ(rig.server.activations, 2);
    EXPECT_EQ(count_sub(rig.client_end.sent, TC::SUB_REQUEST_LOCALISATION_LABEL), 1);
    EXPECT_EQ(count_sub(rig.client_end.sent, TC::SUB_POOL_TRANSFER), 0);
}

TEST(TcSession, AClientThatStartsAgainFindsItsPoolStoredOnTheTc)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    rig.restart_client();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    EXPECT_EQ(rig.server.transfers, 1);
    EXPECT_EQ(rig.server.activations, 2);
}

TEST(TcSession, AChangedPoolOrAReloadIsUploadedAgain)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    unsigned char first[7];
    std::memcpy(first, rig.engine->structure_label(), 7);

    // The application asks for a reload: switched off, deleted, sent again.
    rig.pool.set_tx_state(P::TX_RELOAD);
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    EXPECT_EQ(rig.server.deletes, 1);
    EXPECT_EQ(rig.server.transfers, 2);
    EXPECT_EQ(0, std::memcmp(first, rig.engine->structure_label(), 7)) << "same pool, same label";

    // The same pool offered again: the TC keeps it active, nothing moves.
    const int activations = rig.server.activations;
    rig.client_end.sent.clear();
    rig.pool.set_tx_state(P::TX_UPLOAD);
    rig.advance(3000);
    EXPECT_EQ(rig.engine->get_state(), E::ST_ACTIVE);
    EXPECT_EQ(rig.server.transfers, 2);
    EXPECT_EQ(rig.server.deletes, 1);
    EXPECT_EQ(rig.server.activations, activations);
    EXPECT_EQ(count_sub(rig.client_end.sent, TC::SUB_ACTIVATE), 0);

    // An element switched off changes what the TC sees, and the label: the
    // active pool is switched off before it is deleted and sent anew.
    auto* root = static_cast<TC::Device_element_obj*>(rig.pool.__find_object("seeder_root", false));
    TC::Attribute_object_id none[1];
    ASSERT_TRUE(rig.pool.add_object(new TC::Client::Device_element_obj(
        &rig.pool, 1100, "chan_0", 2, 9, "Channel 1", 100, root->get_id(), 0, none)));
    rig.client_end.sent.clear();
    rig.pool.set_tx_state(P::TX_UPLOAD);
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    EXPECT_NE(0, std::memcmp(first, rig.engine->structure_label(), 7));
    EXPECT_EQ(rig.server.transfers, 3);
    std::vector<std::vector<unsigned char>> steps;
    for (const session_rig::Msg& m : rig.client_end.sent)
        if (m.pgn == TC::PGN_PROCESS_DATA && (m.data[0] == TC::SUB_ACTIVATE || m.data[0] == TC::SUB_DELETE))
            steps.push_back({m.data[0], m.data[1]});
    EXPECT_EQ(steps, (std::vector<std::vector<unsigned char>>{
                         {TC::SUB_ACTIVATE, 0x00}, {TC::SUB_DELETE, 0xFF}, {TC::SUB_ACTIVATE, 0xFF}}));
}

TEST(TcSession, ARefusedPoolIsReportedAndNotSentAgainAndAgain)
{
    struct Case {
        const char* what;
        bool no_room;
        unsigned char errors;
    };
    for (const Case& c : {Case{"no room", true, 0}, Case{"errors in the pool", false, 0x04}}) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.server.set_no_room(c.no_room);
        rig.server.set_transfer_errors(c.errors);
        rig.switch_on();
        ASSERT_TRUE(rig.run_until(E::ST_REFUSED));
        std::vector<int> s = rig.statuses();
        EXPECT_EQ(s.back(), P::STATUS_POOL_REFUSED);
        const int transfers = rig.server.transfers;
        rig.advance(60000);
        EXPECT_EQ(rig.engine->get_state(), E::ST_REFUSED);
        EXPECT_EQ(rig.server.transfers, transfers);
        EXPECT_FALSE(rig.pool.send_process_data(0, 141, 1));
    }
}

TEST(TcSession, ProcessDataCommandsBecomePoolEventsAndAreAcknowledged)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    rig.events();
    const short first = rig.pool.get_first_pd_event_id();
    // Each command on a datum whose properties and triggers allow it: the
    // work state (141) is settable and offers time, threshold and change
    // triggers; the total area (116) offers the time trigger.
    struct Case {
        TC::command_t cmd;
        TC::ddi_t ddi;
        int kind;
        bool acked;
        int32_t value;
    };
    const Case cases[] = {
        {TC::CMD_REQUEST_VALUE, 116, P::PD_REQUEST_VALUE, false, -1234},
        {TC::CMD_VALUE, 141, P::PD_SET_VALUE, false, 1},
        {TC::CMD_SET_VALUE_ACK, 141, P::PD_SET_VALUE, true, 0},
        {TC::CMD_TIME_INTERVAL, 116, P::PD_TIME_INTERVAL, false, 1234},
        {TC::CMD_MINIMUM_THRESHOLD, 141, P::PD_MINIMUM_THRESHOLD, false, -1234},
        {TC::CMD_MAXIMUM_THRESHOLD, 141, P::PD_MAXIMUM_THRESHOLD, false, -1234},
        {TC::CMD_CHANGE_THRESHOLD, 141, P::PD_CHANGE_THRESHOLD, false, 1234},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.cmd));
        rig.server.acks.clear();
        rig.server.send_command(CLIENT, c.cmd, 0, c.ddi, c.value);
        rig.pump();
        std::vector<waiter_event> ev = rig.events();
        ASSERT_EQ(ev.size(), 1u);
        EXPECT_EQ(first - ev[0].module_id, c.kind);
        EXPECT_EQ(ev[0].data, (c.acked ? P::PD_EVENT_ACKNOWLEDGE : 0u) | uint32_t(c.ddi) << 16);
        EXPECT_EQ(int32_t(ev[0].code), c.value);
        // The acknowledge waits for the application's outcome.
        EXPECT_TRUE(rig.server.acks.empty());
        if (c.acked) {
            ASSERT_TRUE(rig.pool.acknowledge_set_value(0, c.ddi, TC::PDACK_VALUE_OUT_OF_RANGE));
            rig.pump();
            ASSERT_EQ(rig.server.acks.size(), 1u);
            EXPECT_EQ(rig.server.acks[0].errors, TC::PDACK_VALUE_OUT_OF_RANGE);
            EXPECT_EQ(rig.server.acks[0].ddi, c.ddi);
            EXPECT_EQ(rig.server.acks[0].command, TC::CMD_SET_VALUE_ACK);
        }
    }

    // The default-data request goes to the application on element 0 only.
    rig.server.send_command(CLIENT, TC::CMD_REQUEST_VALUE, 0, TC::DDI_DEFAULT_DATA, 0);
    rig.pump();
    ASSERT_EQ(rig.events().size(), 1u);

    // Unknown targets and unsupported commands are answered with the error.
    struct Bad {
        TC::command_t cmd;
        unsigned short element;
        TC::ddi_t ddi;
        unsigned char errors;
        int32_t value = 5;
    };
    const Bad bad[] = {
        {TC::CMD_SET_VALUE_ACK, 77, 116, TC::PDACK_INVALID_ELEMENT},
        {TC::CMD_VALUE, 77, 116, TC::PDACK_INVALID_ELEMENT},
        {TC::CMD_REQUEST_VALUE, 0, 999, TC::PDACK_DDI_NOT_SUPPORTED},
        {TC::CMD_PEER_CONTROL, 0, 116, TC::PDACK_COMMAND_NOT_SUPPORTED},
        {TC::command_t(0xB), 0, 116, TC::PDACK_COMMAND_NOT_SUPPORTED},
        // What the pool does not offer for the datum: setting a measured
        // total, triggers it does not list.
        {TC::CMD_VALUE, 0, 116, TC::PDACK_NOT_SETTABLE},
        {TC::CMD_SET_VALUE_ACK, 0, 116, TC::PDACK_NOT_SETTABLE},
        {TC::CMD_DISTANCE_INTERVAL, 0, 141, TC::PDACK_TRIGGER_NOT_SUPPORTED},
        {TC::CMD_CHANGE_THRESHOLD, 0, 116, TC::PDACK_TRIGGER_NOT_SUPPORTED},
        {TC::CMD_MINIMUM_THRESHOLD, 0, 116, TC::PDACK_TRIGGER_NOT_SUPPORTED},
        {TC::CMD_TIME_INTERVAL, 0, 70, TC::PDACK_TRIGGER_NOT_SUPPORTED},
        // Intervals and changes below nothing.
        {TC::CMD_TIME_INTERVAL, 0, 116, TC::PDACK_INVALID_INTERVAL, -100},
        {TC::CMD_CHANGE_THRESHOLD, 0, 141, TC::PDACK_INVALID_INTERVAL, -1},
        // Set values the DDI does not define: a work state is 0 to 3.
        {TC::CMD_SET_VALUE_ACK, 0, 141, TC::PDACK_VALUE_NOT_CONFORMING, 4},
        {TC::CMD_VALUE, 0, 141, TC::PDACK_VALUE_NOT_CONFORMING, -1},
        // The default data of another element than 0: no such datum there.
        {TC::CMD_REQUEST_VALUE, 4000, TC::DDI_DEFAULT_DATA, TC::PDACK_INVALID_ELEMENT, 0},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(int(b.cmd));
        rig.server.acks.clear();
        rig.server.send_command(CLIENT, b.cmd, b.element, b.ddi, b.value);
        rig.pump();
        EXPECT_TRUE(rig.events().empty());
        ASSERT_EQ(rig.server.acks.size(), 1u);
        EXPECT_EQ(rig.server.acks[0].errors, b.errors);
        EXPECT_EQ(rig.server.acks[0].element, b.element);
        EXPECT_EQ(rig.server.acks[0].ddi, b.ddi);
        EXPECT_EQ(rig.server.acks[0].command, b.cmd);
    }

    // The application's values reach the TC with element and DDI, those of
    // data the TC holds only.
    rig.server.values.clear();
    EXPECT_FALSE(rig.pool.send_process_data(0x123, 0x00A1, 0x55));
    EXPECT_FALSE(rig.pool.send_process_data(0, 0x00A1, 0x55));
    ASSERT_TRUE(rig.pool.send_process_data(0, 116, 0x55));
    rig.pump();
    ASSERT_EQ(rig.server.values.size(), 1u);
    EXPECT_EQ(rig.server.values.back().element, 0);
    EXPECT_EQ(rig.server.values.back().ddi, 116);
    EXPECT_EQ(rig.server.values.back().value, 0x55);
}

TEST(TcSession, TheApplicationServesTheDataOfTheActiveDescriptionOnly)
{
    Rig rig;
    rig.switch_on();
    EXPECT_FALSE(rig.pool.is_described(0, 116));
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    // The root element's data, as uploaded: the TC holds them now.
    EXPECT_TRUE(rig.pool.is_described(0, 116));
    EXPECT_TRUE(rig.pool.is_element_described(0));
    EXPECT_FALSE(rig.pool.is_described(0, 0x4321));
    EXPECT_FALSE(rig.pool.is_element_described(100));
    // Gone with the TC; back with the next activation.
    rig.server.set_silent(true);
    rig.advance(7000);
    EXPECT_FALSE(rig.pool.is_described(0, 116));
    rig.server.set_silent(false);
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    EXPECT_TRUE(rig.pool.is_described(0, 116));
    // Switched off: nothing.
    rig.pool.set_enabled(false);
    EXPECT_FALSE(rig.pool.is_described(0, 116));
}

TEST(TcSession, ShortOrForeignMessagesChangeNothing)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    rig.events();
    const size_t sent = rig.client_end.sent.size();
    const unsigned char set[8] = {0x0A, 0x00, 0x74, 0x00, 1, 0, 0, 0};
    std::string log;
    {
        Debug_capture capture("tc_short_messages.txt");
        for (int len : {0, 1, 5, 7})
            rig.engine->handle_message(TC::PGN_PROCESS_DATA, SERVER, CLIENT, set, len, rig.now);
        log = capture.text();
    }
    // Another ECU's command or one for another client.
    rig.engine->handle_message(TC::PGN_PROCESS_DATA, 0x80, CLIENT, set, 8, rig.now);
    rig.engine->handle_message(TC::PGN_PROCESS_DATA, SERVER, 0x33, set, 8, rig.now);
    EXPECT_TRUE(rig.events().empty());
    EXPECT_EQ(rig.client_end.sent.size(), sent);
    EXPECT_EQ(rig.engine->get_state(), E::ST_ACTIVE);
    EXPECT_NE(log.find("refused a process-data message of 5 bytes"), std::string::npos) << log;
}

TEST(TcSession, ATcThatStopsAnsweringOrALostTransferIsRetriedAfterAPause)
{
    Rig rig;
    rig.switch_on();
    rig.server.handle_time(rig.now);  // one status message gets through
    rig.server_end.cut = true;         // then the TC's answers and status get lost
    rig.pump();
    EXPECT_EQ(rig.engine->get_state(), E::ST_WAIT_VERSION);
    rig.advance(6000);
    EXPECT_EQ(rig.engine->get_state(), E::ST_WAIT_TC) << "lost after 6 s of silence";

    // Answers come, but the bus loses the pool transfer.
    rig.server_end.cut = false;
    rig.transfer_ok = false;
    ASSERT_TRUE(rig.run_until(E::ST_PAUSE));
    EXPECT_EQ(rig.statuses().back(), P::STATUS_BUS_ERROR);
    rig.transfer_ok = true;
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE, 20000));
}

TEST(TcSession, SwitchedOffOrWithoutAddressTheClientIsSilent)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    rig.pool.set_enabled(false);
    rig.client_end.sent.clear();
    rig.advance(5000);
    EXPECT_TRUE(rig.client_end.sent.empty());
    EXPECT_EQ(rig.engine->get_state(), E::ST_DISABLED);
    rig.pool.set_enabled(true);
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    rig.engine->set_own_address(TC::NO_ADDRESS, rig.now);
    rig.client_end.sent.clear();
    rig.advance(5000);
    EXPECT_TRUE(rig.client_end.sent.empty());
}

// The working set master message goes as the client announces itself to a
// TC, and whenever a node asks for it; not periodically.
TEST(TcSession, TheWorkingSetMasterMessageAnswersEachRequest)
{
    Rig rig;
    auto masters = [&] {
        return std::count_if(rig.client_end.sent.begin(), rig.client_end.sent.end(), [](const session_rig::Msg& m) {
            return m.pgn == TC::PGN_WORKING_SET_MASTER && m.dest == TC::GLOBAL_ADDRESS &&
                   m.data == std::vector<unsigned char>{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        });
    };
    const std::vector<unsigned char> request = {0x0D, 0xFE, 0x00};
    // Switched off, the client still answers for the working set.
    rig.deliver(TC::PGN_REQUEST, 0x80, TC::GLOBAL_ADDRESS, request);
    EXPECT_EQ(masters(), 1);
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    EXPECT_EQ(masters(), 2);
    rig.advance(10000);
    EXPECT_EQ(masters(), 2);
    struct Case {
        const char* what;
        unsigned char dest;
        std::vector<unsigned char> data;
        int answers;
    };
    for (const Case& c : {Case{"to all", TC::GLOBAL_ADDRESS, request, 1},
                          Case{"to the client", CLIENT, request, 1},
                          Case{"to another node", 0x33, request, 0},
                          Case{"for another PGN", TC::GLOBAL_ADDRESS, {0x00, 0xEE, 0x00}, 0},
                          Case{"too short", TC::GLOBAL_ADDRESS, {0x0D, 0xFE}, 0}}) {
        SCOPED_TRACE(c.what);
        const long before = masters();
        rig.deliver(TC::PGN_REQUEST, 0x80, c.dest, c.data);
        EXPECT_EQ(masters() - before, c.answers);
    }
}

// A TC that starts again at its address knows the client no more: its
// address claim nobody asked for, or its first NACK of the client's process
// data, ends the session at once, and the client joins it again as it would
// a new TC. A TC that asks for the claims as it starts (from the null
// address) claims in answer to its own request: only its NACK tells.
TEST(TcSession, ATcThatStartsAgainIsJoinedAgainAtItsFirstSign)
{
    const std::vector<unsigned char> tc_name = {1, 2, 3, 4, 5, 6, 7, 0xA0};
    struct Case {
        const char* what;
        bool claims;
        bool asks_first;  // a Request for Address Claimed from the null address before
    };
    for (const Case& c : {Case{"its address claim", true, false}, Case{"a NACK of process data", false, false},
                          Case{"a NACK after its claim in answer to its request", true, true}}) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.switch_on();
        ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
        ASSERT_TRUE(rig.pool.send_process_data(0, 116, 1));
        rig.pump();
        rig.statuses();
        rig.client_end.sent.clear();

        rig.server.restart();
        if (c.asks_first) {
            rig.deliver(TC::PGN_REQUEST, TC::NO_ADDRESS, TC::GLOBAL_ADDRESS, {0x00, 0xEE, 0x00});
            rig.advance(300);
        }
        if (c.claims)
            rig.deliver(TC::PGN_ADDRESS_CLAIMED, SERVER, TC::GLOBAL_ADDRESS, tc_name);
        if (c.asks_first)
            rig.advance(2000);  // the TC's next status
        // Refused: the value the client sends, or (after a claim that may
        // answer a request) the client's question for the label, asked at
        // the TC's next status.
        const bool nacked = !c.claims || c.asks_first;
        if (!c.claims) {
            EXPECT_EQ(rig.engine->get_state(), E::ST_ACTIVE);
            EXPECT_TRUE(rig.pool.send_process_data(0, 116, 2));
        }
        rig.pump();
        EXPECT_EQ(rig.engine->get_state(), E::ST_WAIT_TC);
        EXPECT_EQ(rig.statuses(), std::vector<int>{P::STATUS_TC_LOST});
        EXPECT_FALSE(rig.pool.send_process_data(0, 116, 3)) << "nothing more to a TC that refuses";
        EXPECT_EQ(rig.server.refused, nacked ? 1 : 0);

        // Version, labels and activation of the stored pool, as with a new TC.
        ASSERT_TRUE(rig.run_until(E::ST_ACTIVE, 10000));
        EXPECT_EQ(count_sub(rig.client_end.sent, TC::SUB_REQUEST_VERSION), 1);
        EXPECT_EQ(count_sub(rig.client_end.sent, TC::SUB_REQUEST_STRUCTURE_LABEL), 1);
        EXPECT_EQ(count_sub(rig.client_end.sent, TC::SUB_REQUEST_LOCALISATION_LABEL), c.asks_first ? 2 : 1)
            << "after a claim in answer to a request, and joining again";
        EXPECT_EQ(rig.server.activations, 2);
        EXPECT_TRUE(rig.server.clients[CLIENT].active);
        EXPECT_TRUE(rig.pool.send_process_data(0, 116, 4));
        rig.pump();
        EXPECT_EQ(rig.server.refused, nacked ? 1 : 0);
    }
}

// Every node claims its address again when a node that starts asks for the
// claims from the null address, the TC too: the session goes on, the labels
// are not asked for again.
TEST(TcSession, TheTcsAnswerToANodeThatStartsLeavesTheSessionActive)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    rig.statuses();
    rig.client_end.sent.clear();
    const int activations = rig.server.activations;

    rig.deliver(TC::PGN_REQUEST, TC::NO_ADDRESS, TC::GLOBAL_ADDRESS, {0x00, 0xEE, 0x00});
    rig.advance(250);
    rig.deliver(TC::PGN_ADDRESS_CLAIMED, SERVER, TC::GLOBAL_ADDRESS, {1, 2, 3, 4, 5, 6, 7, 0xA0});
    // Every node answers: a second claim of the TC's within the answer time
    // is the same sign, asked about once.
    rig.deliver(TC::PGN_ADDRESS_CLAIMED, SERVER, TC::GLOBAL_ADDRESS, {1, 2, 3, 4, 5, 6, 7, 0xA0});
    rig.advance(15000);
    EXPECT_EQ(rig.engine->get_state(), E::ST_ACTIVE);
    EXPECT_TRUE(rig.statuses().empty());
    EXPECT_EQ(count_sub(rig.client_end.sent, TC::SUB_REQUEST_LOCALISATION_LABEL), 1)
        << "the TC is asked whether it still knows the client";
    EXPECT_EQ(rig.server.refused, 0);
    EXPECT_EQ(count_sub(rig.client_end.sent, TC::SUB_REQUEST_VERSION), 0);
    EXPECT_EQ(count_sub(rig.client_end.sent, TC::SUB_REQUEST_STRUCTURE_LABEL), 0);
    EXPECT_EQ(rig.server.activations, activations);
    EXPECT_GE(count_sub(rig.client_end.sent, 0xFF), 7) << "the client task message goes on every 2 s";

    // Once the time for an answer has passed, a claim is the TC's own again.
    rig.deliver(TC::PGN_REQUEST, TC::NO_ADDRESS, TC::GLOBAL_ADDRESS, {0x00, 0xEE, 0x00});
    rig.advance(Iso::Claim_answer_window::ANSWER_MS + 100);
    rig.deliver(TC::PGN_ADDRESS_CLAIMED, SERVER, TC::GLOBAL_ADDRESS, {1, 2, 3, 4, 5, 6, 7, 0xA0});
    EXPECT_EQ(rig.engine->get_state(), E::ST_WAIT_TC);
}

TEST(TcSession, WhatIsNoSignOfARestartLeavesTheSessionActive)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    const std::vector<unsigned char> name = {1, 2, 3, 4, 5, 6, 7, 0xA0};
    const std::vector<unsigned char> request_claims = {0x00, 0xEE, 0x00};
    auto nack = [](unsigned char control, unsigned char acknowledged, unsigned pgn) {
        return std::vector<unsigned char>{control, 0xFF, 0xFF, 0xFF, acknowledged,
                                          (unsigned char)pgn, (unsigned char)(pgn >> 8), (unsigned char)(pgn >> 16)};
    };
    struct Case {
        const char* what;
        std::function<void()> happens;
    };
    const Case cases[] = {
        {"another node claims", [&] { rig.deliver(TC::PGN_ADDRESS_CLAIMED, 0x44, TC::GLOBAL_ADDRESS, name); }},
        {"the TC answers a request for the claims",
         [&] {
             rig.deliver(TC::PGN_REQUEST, 0x44, TC::GLOBAL_ADDRESS, request_claims);
             rig.advance(1000);
             rig.deliver(TC::PGN_ADDRESS_CLAIMED, SERVER, TC::GLOBAL_ADDRESS, name);
         }},
        {"an ACK", [&] { rig.deliver(TC::PGN_ACKNOWLEDGEMENT, SERVER, CLIENT, nack(0, CLIENT, 0xCB00)); }},
        {"a NACK of another PGN", [&] { rig.deliver(TC::PGN_ACKNOWLEDGEMENT, SERVER, CLIENT, nack(1, CLIENT, 0xEF00)); }},
        {"another node's NACK", [&] { rig.deliver(TC::PGN_ACKNOWLEDGEMENT, 0x44, CLIENT, nack(1, CLIENT, 0xCB00)); }},
        {"a NACK to all for another client",
         [&] { rig.deliver(TC::PGN_ACKNOWLEDGEMENT, SERVER, TC::GLOBAL_ADDRESS, nack(1, 0x45, 0xCB00)); }},
        {"a NACK too short", [&] {
             std::vector<unsigned char> d = nack(1, CLIENT, 0xCB00);
             d.resize(7);
             rig.deliver(TC::PGN_ACKNOWLEDGEMENT, SERVER, CLIENT, d);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.happens();
        EXPECT_EQ(rig.engine->get_state(), E::ST_ACTIVE);
    }
    // A NACK to all that names the client counts.
    rig.deliver(TC::PGN_ACKNOWLEDGEMENT, SERVER, TC::GLOBAL_ADDRESS, nack(2, CLIENT, 0xCB00));
    EXPECT_EQ(rig.engine->get_state(), E::ST_WAIT_TC);
}

// The client's own address moves (another node took it with a NAME of
// higher priority) or goes: the session ends at once and starts again from
// the new address once the TC is heard; nothing goes out before.
TEST(TcSession, AnotherOwnAddressStartsTheSessionAgainFromIt)
{
    Rig rig;
    rig.switch_on();
    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE));
    rig.statuses();
    rig.client_end.sent.clear();
    constexpr unsigned char MOVED = 0x90;

    rig.move_client(MOVED);
    EXPECT_EQ(rig.engine->get_state(), E::ST_WAIT_TC);
    EXPECT_EQ(rig.statuses(), std::vector<int>{P::STATUS_WAITING_FOR_TC}) << "not active any more";
    EXPECT_FALSE(rig.pool.send_process_data(0, 116, 1));
    rig.engine->handle_time(rig.now + 1900);
    EXPECT_TRUE(rig.client_end.sent.empty());

    ASSERT_TRUE(rig.run_until(E::ST_ACTIVE, 15000));
    EXPECT_TRUE(rig.server.clients[MOVED].active);
    EXPECT_EQ(rig.engine->tc().address, SERVER);
    // The new client announced itself first.
    ASSERT_FALSE(rig.client_end.sent.empty());
    EXPECT_EQ(rig.client_end.sent.front().pgn, TC::PGN_WORKING_SET_MASTER);
    EXPECT_TRUE(rig.pool.send_process_data(0, 116, 2));
    rig.pump();
    EXPECT_EQ(rig.server.refused, 0);

    // Without an address: not active, silent.
    rig.statuses();
    rig.move_client(TC::NO_ADDRESS);
    EXPECT_EQ(rig.statuses(), std::vector<int>{P::STATUS_WAITING_FOR_TC});
    EXPECT_EQ(rig.engine->get_state(), E::ST_WAIT_TC);
}

} // namespace
