// The diagnostics module on the in-process loop bus, with a second stack as
// the service tool that sends requests and reads the replies.
#include "Diag_fixture.h"

#include "can/JIN_PGN.h"
#include "can/JIN_smart_stack.h"
#include "can/JIN_stack.h"
#include "glue/diagnostics/Isobus_diagnostics.h"
#include "glue/diagnostics/J1939_messages.h"
#include "platform/can/Bus_select.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace diag_test;

constexpr unsigned char NODE = 0x1C, TOOL = 0xF9, OTHER = 0x40;
constexpr unsigned PGN_ACK = JIN_PGN::ACKNOWLEDGEMENT_PGN;
constexpr int WAIT_MS = 10000;

// The implement's NAME, and one that never claims an address.
const JIN_name::RAWNAME OUR_NAME(J1939::IND_CODE_AG_OR_FORESTRY, 0, J1939::DEV_CODE_PLANTER,
                                 J1939::FUNC_CODE_PLANTER_SEED_RATE_CONTROL, 0, 0,
                                 J1939::MAN_CODE_VORMEK_POSITIONING_SYSTEMS, 4711, true);
const JIN_name::RAWNAME SILENT_NAME(J1939::IND_CODE_AG_OR_FORESTRY, 0, J1939::DEV_CODE_PLANTER,
                                    J1939::FUNC_CODE_PLANTER_SEED_RATE_CONTROL, 0, 0,
                                    J1939::MAN_CODE_VORMEK_POSITIONING_SYSTEMS, 4712, true);

template <class STACK>
struct Node {
    std::unique_ptr<CAN_bus> bus;
    STACK stack;

    void open(const std::string& spec, module_man& mm)
    {
        std::string error;
        bus.reset(Bus_select::start(spec.c_str(), error));
        ASSERT_TRUE(bus) << error;
        ASSERT_EQ(0, stack.open(*bus, &mm));
        ASSERT_EQ(0, stack.start());
    }
};

// The application's side: a few codes of source 1.
class Test_diagnostics : public Isobus_diagnostics {
public:
    Test_diagnostics() : Isobus_diagnostics("diag") {}
    ~Test_diagnostics() override
    {
        stop_thread();
        active_list().init();
        inactive_list().init();
    }
    void post_init() override
    {
        for (unsigned i = 0; i < 6; i++) {
            refs[i] = {1, i + 1, static_cast<unsigned short>(100 + i), 0x10000u * i + 0x200 + i, "code"};
            items[i] = Item(&refs[i], Item::REPORTED_ON_CAN);
            inactive_list().insert(&items[i]);
        }
    }
    cross_ref_t refs[6];
    Item items[6];
};

struct Reply {
    JIN_header h;
    std::vector<unsigned char> data;
};

class Diagnostics_can_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store_.mounted());
        std::string spec = std::string("loop,name=diag_") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
        node_.open(spec, mm_);
        tool_.open(spec, mm_);
        tool_.stack.register_address(TOOL);
        tool_w_.init(&mm_);
        // The node claims its address as the application does at start-up.
        waiter_descriptor claim_w;
        claim_w.init(&mm_);
        ASSERT_TRUE(node_.stack.name_manager().add_local_name(OUR_NAME, NODE));
        ASSERT_EQ(NODE, node_.stack.wait_for_name(&claim_w, OUR_NAME, true));
        for (unsigned pgn : {unsigned(J1939::PGN_DM1), unsigned(J1939::PGN_DM2), PGN_ACK,
                             unsigned(Iso11783::PGN_SOFTWARE_IDENTIFICATION),
                             unsigned(Iso11783::PGN_ECU_IDENTIFICATION),
                             unsigned(Iso11783::PGN_PRODUCT_IDENTIFICATION),
                             unsigned(Iso11783::PGN_FUNCTIONALITIES),
                             unsigned(Iso11783::PGN_COMPLIANCE_CERTIFICATION),
                             unsigned(Iso11783::PGN_DIAGNOSTIC_PROTOCOL)})
            ASSERT_EQ(1, tool_.stack.register_pgn(pgn, &tool_w_, nullptr));
        ASSERT_EQ(1, diag_.init(mm_, &node_.stack, OUR_NAME, false));
        Diner::Protection lock(diag_);
        diag_._dm1_tick(); // finds the (empty) file store
    }

    // The tool asks for pgn; the module's thread is not running, so the
    // test hands the request to it.
    void request(unsigned pgn, unsigned char dest = NODE)
    {
        ASSERT_EQ(0, tool_.stack.request(TOOL, dest, pgn, nullptr, 1));
        serve_one();
    }
    void serve_one()
    {
        Atime deadline = Atime::from_now(WAIT_MS);
        waiter_event e;
        while (diag_.get_waiter().get_event(&e, deadline) == 0) {
            if (e.module_id != diag_.get_event_id(0))
                continue;
            Diner::Protection lock(diag_);
            diag_.handle_event(e);
            return;
        }
        ADD_FAILURE() << "no request reached the module";
    }
    void tick()
    {
        Diner::Protection lock(diag_);
        diag_._dm1_tick();
    }
    void report(std::initializer_list<unsigned short> codes)
    {
        Report r(1, codes);
        ASSERT_EQ(1, diag_.receive_error_report(r.msg()));
    }

    // The next message the tool receives.
    Reply next_reply()
    {
        Reply r;
        Atime deadline = Atime::from_now(WAIT_MS);
        waiter_event e;
        while (tool_w_.get_event(&e, deadline) == 0) {
            if (e.module_id != tool_.stack.event_ids().rx)
                continue;
            r.data.resize(2048);
            int rc = tool_.stack.read(e.data, r.h, r.data.data(), 2048, 2048, &tool_w_);
            if (rc != 0)
                continue;
            r.data.resize(r.h.length);
            return r;
        }
        ADD_FAILURE() << "no reply";
        return r;
    }
    // True when nothing reaches the tool for a short while.
    bool tool_hears_nothing()
    {
        waiter_event e;
        return tool_w_.get_event(&e, Atime::from_now(300)) != 0;
    }

    Store store_;
    module_man mm_;
    waiter_descriptor tool_w_;
    Node<JIN_smart_stack> node_;
    Node<JIN_stack> tool_;
    Test_diagnostics diag_;
};

using Bytes = std::vector<unsigned char>;

TEST_F(Diagnostics_can_test, Dm1WithNoCodeOnRequest)
{
    request(J1939::PGN_DM1);
    Reply r = next_reply();
    EXPECT_EQ(J1939::PGN_DM1, r.h.pgn);
    EXPECT_EQ(NODE, r.h.src);
    EXPECT_EQ(0xFF, r.h.dest);
    EXPECT_EQ((Bytes{0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}), r.data);
}

TEST_F(Diagnostics_can_test, ReportedCodeIsBroadcastThenPreviouslyActiveInDm2)
{
    report({101});
    tick();
    Reply r = next_reply();
    ASSERT_EQ(J1939::PGN_DM1, r.h.pgn);
    EXPECT_EQ(NODE, r.h.src);
    // SPN 0x10201: 01 02, FMI 2 with SPN bit 16 in bit 5, count 1.
    EXPECT_EQ((Bytes{0xFF, 0xFF, 0x01, 0x02, 0x22, 0x01, 0xFF, 0xFF}), r.data);

    // The tick after the code went tells everybody, then demotes it; later
    // ticks broadcast nothing.
    report({});
    tick();
    EXPECT_EQ((Bytes{0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}), next_reply().data);
    EXPECT_TRUE(diag_.inactive_list().contains(&diag_.items[1]));
    tick();
    EXPECT_TRUE(tool_hears_nothing());

    request(J1939::PGN_DM2);
    r = next_reply();
    ASSERT_EQ(J1939::PGN_DM2, r.h.pgn);
    EXPECT_EQ(NODE, r.h.src);
    EXPECT_EQ((Bytes{0xFF, 0xFF, 0x01, 0x02, 0x22, 0x01, 0xFF, 0xFF}), r.data);
}

TEST_F(Diagnostics_can_test, ManyCodesGoOutMultiPacket)
{
    report({100, 101, 102, 103, 104});
    {
        Diner::Protection lock(diag_);
        diag_._resend_tick(); // a new code asks for DM1 at once
    }
    Reply r = next_reply();
    ASSERT_EQ(J1939::PGN_DM1, r.h.pgn);
    Bytes expected{0xFF, 0xFF};
    for (unsigned i = 0; i < 5; i++) {
        unsigned spn = 0x10000u * i + 0x200 + i;
        expected.insert(expected.end(), {static_cast<unsigned char>(spn), static_cast<unsigned char>(spn >> 8),
                                         static_cast<unsigned char>(((spn >> 16) & 7) << 5 | (i + 1)), 1});
    }
    EXPECT_EQ(expected, r.data);
    EXPECT_EQ(22u, r.h.length);
}

// DM1s sent while one is still going out do not pile up: the one waiting is
// replaced by the newest.
TEST_F(Diagnostics_can_test, AWaitingDm1IsReplacedByTheNewest)
{
    report({100, 101}); // two codes: a multi-packet broadcast
    for (int i = 0; i < 10; i++) {
        Diner::Protection lock(diag_);
        diag_.send_DM1(0);
    }
    for (int i = 0; i < 2; i++)
        EXPECT_EQ(J1939::PGN_DM1, next_reply().h.pgn);
    EXPECT_TRUE(tool_hears_nothing());
}

TEST_F(Diagnostics_can_test, Dm3ClearsPreviouslyActiveCodesAndHistoryAndIsAcknowledgedFromTheNode)
{
    report({100, 101});
    tick();
    next_reply(); // the DM1 broadcast
    ASSERT_TRUE(pcfExists("diag0.dat"));
    report({101});
    tick();
    next_reply(); // the DM1 that tells 100 went

    request(J1939::PGN_DM3, 0xFF); // to everybody
    Reply ack = next_reply();
    ASSERT_EQ(PGN_ACK, ack.h.pgn);
    EXPECT_EQ(NODE, ack.h.src) << "never from the global address";
    EXPECT_EQ(TOOL, ack.h.dest);
    // Byte 4: the address acknowledged, the requester's.
    EXPECT_EQ((Bytes{0x00, 0xFF, 0xFF, 0xFF, TOOL, 0xCC, 0xFE, 0x00}), ack.data);
    EXPECT_EQ(0, diag_.items[0].count);
    EXPECT_EQ(1, diag_.items[1].count) << "the active code keeps its count";
    for (int n = 0; n < 10; n++)
        EXPECT_FALSE(pcfExists(("diag" + std::to_string(n) + ".dat").c_str()));

    request(J1939::PGN_DM2);
    EXPECT_EQ((Bytes{0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}), next_reply().data);
}

TEST_F(Diagnostics_can_test, Dm2LeavesOutCodesThatAreStillActive)
{
    report({101});
    tick();
    next_reply(); // the DM1 broadcast
    request(J1939::PGN_DM2);
    Reply r = next_reply();
    ASSERT_EQ(J1939::PGN_DM2, r.h.pgn);
    EXPECT_EQ((Bytes{0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}), r.data);
}

// The program starts its diagnostics with init(..., true).
TEST(Diagnostics_start, InitCanStartTheModule)
{
    module_man mm;
    Test_diagnostics diag;
    ASSERT_EQ(1, diag.init(mm, nullptr, OUR_NAME, true));
    EXPECT_EQ(Diner::RUNNING, diag.get_state());
}

TEST_F(Diagnostics_can_test, RequestsForOtherNodesAndWithoutAnAddressAreIgnored)
{
    node_.stack.register_address(OTHER);
    request(J1939::PGN_DM1, OTHER); // reaches the stack, but is not ours
    EXPECT_TRUE(tool_hears_nothing());

    // Known by a NAME that holds no address: nothing can be answered.
    ASSERT_EQ(1, diag_.remove_stack(&node_.stack));
    ASSERT_EQ(1, diag_.add_stack(&node_.stack, SILENT_NAME));
    request(J1939::PGN_DM1, 0xFF);
    EXPECT_TRUE(tool_hears_nothing());
}

TEST_F(Diagnostics_can_test, IdentificationRepliesGoToTheRequester)
{
    struct Case {
        unsigned pgn;
        std::string text;
    };
    const std::string maker = "Vormek Precision Agriculture";
    for (const Case& c : {Case{Iso11783::PGN_ECU_IDENTIFICATION, "0*0*UNKNOWN*UNKNOWN*" + maker + "*UNKNOWN*"},
                          Case{Iso11783::PGN_PRODUCT_IDENTIFICATION, "0*" + maker + "*UNKNOWN*"},
                          Case{Iso11783::PGN_SOFTWARE_IDENTIFICATION, std::string("\x01*")}}) {
        request(c.pgn);
        Reply r = next_reply();
        EXPECT_EQ(c.pgn, r.h.pgn);
        EXPECT_EQ(NODE, r.h.src);
        // Single frames of these PGNs carry no destination; longer replies
        // go by TP to the requester.
        EXPECT_EQ(r.data.size() > 8 ? TOOL : 0xFF, r.h.dest);
        EXPECT_EQ(c.text, std::string(r.data.begin(), r.data.end()));
    }
    struct Binary_case {
        unsigned pgn;
        Bytes bytes;
    };
    for (const Binary_case& c :
         {Binary_case{Iso11783::PGN_FUNCTIONALITIES, {0xFF, 0x01, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF}},
          Binary_case{Iso11783::PGN_COMPLIANCE_CERTIFICATION, {0xC0, 0x0F, 0, 0, 0, 0, 0, 0}},
          Binary_case{Iso11783::PGN_DIAGNOSTIC_PROTOCOL, {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}}) {
        request(c.pgn);
        Reply r = next_reply();
        EXPECT_EQ(c.pgn, r.h.pgn);
        EXPECT_EQ(NODE, r.h.src);
        EXPECT_EQ(c.bytes, r.data);
    }

    // The owner's replacements are what goes out next.
    const char* more[] = {"A", "v2", nullptr};
    ASSERT_TRUE(diag_.append_software_fields(more));
    const char* bad[] = {"x*y", nullptr};
    EXPECT_FALSE(diag_.append_software_fields(bad));
    Iso11783::Msg_ProductIdentification product;
    product.set_field(0, "0");
    product.set_field(1, "Vormek");
    product.set_field(2, "TQ-9");
    product.finish();
    diag_.set_product_id_response(product);
    request(Iso11783::PGN_SOFTWARE_IDENTIFICATION);
    EXPECT_EQ(std::string("\x02" "A*v2*"), [&] { auto d = next_reply().data; return std::string(d.begin(), d.end()); }());
    request(Iso11783::PGN_PRODUCT_IDENTIFICATION);
    auto d = next_reply().data;
    EXPECT_EQ("0*Vormek*TQ-9*", std::string(d.begin(), d.end()));
}

TEST_F(Diagnostics_can_test, UnservedRequestIsStillNackedByTheStack)
{
    ASSERT_EQ(0, tool_.stack.request(TOOL, NODE, 0xFEE5, nullptr, 1));
    Reply nack = next_reply();
    ASSERT_EQ(PGN_ACK, nack.h.pgn);
    EXPECT_EQ(NODE, nack.h.src);
    EXPECT_EQ((Bytes{0x01, 0xFF, 0xFF, 0xFF, TOOL, 0xE5, 0xFE, 0x00}), nack.data);
}

TEST_F(Diagnostics_can_test, AModuleThatLeavesTheStackTakesAllItsRequestsWithIt)
{
    ASSERT_EQ(1, diag_.remove_stack(&node_.stack));
    {
        Test_diagnostics other;
        ASSERT_EQ(1, other.init(mm_, &node_.stack, OUR_NAME, false));
    }
    for (unsigned pgn : {unsigned(J1939::PGN_DM2), unsigned(Iso11783::PGN_ECU_IDENTIFICATION)}) {
        ASSERT_EQ(0, tool_.stack.request(TOOL, NODE, pgn, nullptr, 1));
        Reply nack = next_reply();
        ASSERT_EQ(PGN_ACK, nack.h.pgn);
        EXPECT_EQ(0x01, nack.data[0]) << pgn;
    }
}

TEST_F(Diagnostics_can_test, TheRunningModuleBroadcastsOnItsOwnTick)
{
    report({103});
    ASSERT_EQ(0, diag_.start());
    Reply r = next_reply();
    EXPECT_EQ(J1939::PGN_DM1, r.h.pgn);
    EXPECT_EQ((Bytes{0xFF, 0xFF, 0x03, 0x02, 0x64, 0x01, 0xFF, 0xFF}), r.data);
}

// Tells a waiter when its replay finished.
class Signalling_history : public Diagnostic_history {
public:
    explicit Signalling_history(waiter_descriptor& w) : w_(w) {}
    void output(unsigned char src, unsigned short count, unsigned short code, unsigned int seconds,
                unsigned short) override
    {
        got.push_back({src, count, code, seconds});
    }
    void history_finished() override { w_.send_event(waiter_event(2, 1, 1), false, false); }
    std::vector<std::vector<unsigned>> got;

private:
    waiter_descriptor& w_;
};

TEST_F(Diagnostics_can_test, TheRunningModuleWritesAndReplaysItsHistory)
{
    report({100});
    tick(); // writes the occurrence
    next_reply();
    waiter_descriptor done;
    done.init(&mm_);
    Signalling_history h(done);
    ASSERT_EQ(0, diag_.start());
    ASSERT_EQ(1, diag_.request_history(&h));
    waiter_event e;
    ASSERT_EQ(0, done.get_event(&e, Atime::from_now(WAIT_MS)));
    Diner::Protection lock(diag_);
    ASSERT_EQ(1u, h.got.size());
    EXPECT_EQ((std::vector<unsigned>{1, 1, 100}), std::vector<unsigned>(h.got[0].begin(), h.got[0].begin() + 3));
    EXPECT_TRUE(h.is_finished());
}

} // namespace
