// Each module of the program takes back its registrations before it goes.
// The test builds one module as the start does, on the program's live data
// store, settings tree and CAN stack, deletes it while they (and what the
// module was built on) live on, and then sends everything a module may have
// listened to: a change of every data-store field, every settings waiter
// woken and a setting changed, the CAN messages the modules take, requests
// and a NAME claim. A registration left behind sends into freed memory,
// which AddressSanitizer reports.

#include "apps/sowvane/app_paths.h"
#include "apps/sowvane/control_logic/Control_logic.h"
#include "apps/sowvane/control_logic/Speed_messages.h"
#include "apps/sowvane/data_model.h"
#include "apps/sowvane/diagnostics/Implement_diag.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool_loading.h"
#include "apps/sowvane/screens/User_interface.h"
#include "apps/sowvane/services/Can_quor.h"
#include "apps/sowvane/simulator/Seed_simulator.h"
#include "apps/sowvane/tc/TC_interface.h"
#include "can/J1939_codes.h"
#include "can/JIN_smart_stack.h"
#include "can/Known_names.h"
#include "messaging/cds/CDS_Remote_Server.h"
#include "messaging/iso11783/Iso11783_identification.h"
#include "glue/diagnostics/J1939_messages.h"
#include "platform/tc/TC_message.h"
#include "platform/tc/TC_object_pool.h"
#include "platform/tc/TC_stack_session.h"
#include "platform/vt/Object_pool.h"
#include "platform/vt/Upload_bar_progress.h"
#include "platform/vt/Vt_session.h"
#include "tests/can/name/Claim_sim.h"
#include "tests/messaging/cds/Remote_fixture.h"
#include "tests/support/Bus_node.h"
#include "tests/support/Program_process.h"
#include "tests/support/serial/Fake_io_processor.h"
#include "tests/support/serial/Fake_satellite_ecu.h"
#include "tests/support/serial/Pty_pair.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned char NODE = 0x1C, TOOL = 0xF9;
constexpr int WAIT_MS = 60000;

// What the tool sends to the node, and how the stack files it.
struct Message {
    unsigned pgn;
    JIN_PGN::type_t kind;
    bool request;  // a request for the PGN, not a message of it
};
const Message MESSAGES[] = {
    {Speed_messages::PGN_WHEEL_BASED_SPEED, JIN_PGN::NORMAL, false},
    {Speed_messages::PGN_GROUND_BASED_SPEED, JIN_PGN::NORMAL, false},
    {Speed_messages::PGN_COG_SOG_RAPID, JIN_PGN::NORMAL, false},
    {VT::Vt_session::PGN_VT_TO_ECU, JIN_PGN::NORMAL, false},
    {VT::Vt_session::PGN_LANGUAGE, JIN_PGN::NORMAL, false},
    {TC::PGN_PROCESS_DATA, JIN_PGN::NORMAL, false},
    {Can_quor::PGN_REMOTE_DATA, JIN_PGN::FAST, false},
    {J1939::PGN_DM1, JIN_PGN::REQUEST, true},
    {J1939::PGN_DM2, JIN_PGN::REQUEST, true},
    {J1939::PGN_DM3, JIN_PGN::REQUEST, true},
    {Iso11783::PGN_SOFTWARE_IDENTIFICATION, JIN_PGN::REQUEST, true},
    {Iso11783::PGN_ECU_IDENTIFICATION, JIN_PGN::REQUEST, true},
};

// A module under test and what it was built on: the module goes first.
struct Built {
    std::shared_ptr<void> module;
    std::vector<std::shared_ptr<void>> around;  // deleted last to first
};

class Module_lifetime;
struct Row {
    const char* name;
    Built (*build)(Module_lifetime& world);
};

class Module_lifetime : public ::testing::TestWithParam<Row> {
public:
    void SetUp() override
    {
        // The program's data files below the working directory, as the
        // test build's program expects them.
        if (std::string(SOWVANE_DATA_ROOT) != ".")
            GTEST_SKIP() << "the program of this build uses the installed paths";
        ASSERT_FALSE(files.dir().empty());
        ASSERT_NE(::getcwd(old_dir, sizeof old_dir), nullptr);
        ASSERT_EQ(::chdir(files.dir().c_str()), 0);
        moved = true;

        witness_claim.init(&mm);
        ds.head.lock();
        new (&ds.body) data_store_body();
        ds.head.unlock();
        ps.set_default(true);

        const std::string spec = std::string("loop,name=lifetime_") + GetParam().name;
        ASSERT_TRUE(node.open(spec, mm));
        ASSERT_TRUE(tool.open(spec, mm));
        ASSERT_TRUE(node.stack.name_manager().add_local_name(own, NODE));
        ASSERT_EQ(NODE, node.stack.wait_for_name(&witness_claim, own, true));
        ASSERT_TRUE(tool.stack.name_manager().add_local_name(claim_sim::make_name(900), TOOL));
        ASSERT_EQ(TOOL, tool.stack.wait_for_name(&witness_claim, claim_sim::make_name(900), true));
    }
    void TearDown() override
    {
        if (moved) {
            EXPECT_EQ(::chdir(old_dir), 0);
        }
    }

    // Everything a module may have registered for happens once.
    void poke_everything()
    {
        witness.init(&mm);
        for (const Message& m : MESSAGES)
            ASSERT_EQ(1, node.stack.register_pgn(m.pgn, &witness, nullptr, m.kind)) << m.pgn;
        const JIN_name::Listen_node* names = nullptr;
        ASSERT_EQ(0, node.stack.add_listener(JIN_name::NAME(), &witness, names));

        // Every data-store field changes, and changes back.
        std::vector<unsigned char> now(sizeof(data_store_body)), flipped(sizeof(data_store_body));
        ds.head.read(now.data(), &ds.body, int(now.size()));
        for (size_t i = 0; i < now.size(); ++i)
            flipped[i] = static_cast<unsigned char>(~now[i]);
        cds_set_array(&ds.head, &ds.body, flipped.data(), int(flipped.size()));
        cds_set_array(&ds.head, &ds.body, now.data(), int(now.size()));

        // Every settings waiter, and a setting that changes.
        ps.signal_all();
        const float width = ps.app.machine_width.get();
        ps.app.machine_width.set(width + 1);
        ps.app.machine_width.set(width);

        // The CAN messages, requests and a NAME claim.
        std::set<unsigned> due;
        // A remote data-store CRC request fits the remote-data PGN; the
        // others take any eight bytes.
        const unsigned char frame[8] = {0xF1, 0xF1, 133, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        for (const Message& m : MESSAGES) {
            if (m.request) {
                ASSERT_EQ(0, tool.stack.request(TOOL, NODE, m.pgn, nullptr, 1));
            } else {
                const bool fast = m.kind == JIN_PGN::FAST;
                JIN_header h(TOOL, NODE, m.pgn, 6, fast ? JIN_TRANS_TX_FAST : JIN_TRANS_TX_SINGLE, fast ? 3 : 8);
                Diner::Protection lock(tool.stack);
                ASSERT_EQ(0, tool.stack.__write(h, frame, int(h.length), nullptr, 1));
            }
            tool.stack.send_anonymous_event();
            due.insert(m.pgn);
        }
        ASSERT_TRUE(tool.stack.name_manager().add_local_name(claim_sim::make_name(901), 0x90));
        bool name_seen = false;

        // The node's stack has handed all of it out once the witness has it.
        const Atime deadline = Atime::from_now(WAIT_MS);
        waiter_event e;
        while ((!due.empty() || !name_seen) && witness.get_event(&e, deadline) == 0) {
            if (e.module_id == node.stack.event_ids().request) {
                due.erase(unsigned(e.data));
            } else if (e.module_id == node.stack.event_ids().rx) {
                for (const Message& m : MESSAGES) {
                    JIN_header h;
                    unsigned char data[64];
                    if (!m.request && node.stack.read(m.pgn, h, data, sizeof data, sizeof data, &witness, m.kind) == 0)
                        due.erase(m.pgn);
                }
            } else if (e.module_id == node.stack.name_manager().module_id()) {
                name_seen = true;
            }
        }
        EXPECT_TRUE(due.empty()) << due.size() << " messages did not arrive";
        EXPECT_TRUE(name_seen);
        for (const Message& m : MESSAGES)
            node.stack.deregister_pgn(m.pgn, &witness, m.kind);
        node.stack.remove_listener(names);
    }

    Program_process files;  // only its directory with the data files
    char old_dir[4096] = {};
    bool moved = false;
    module_man& mm = sowvane_module_man;
    Data_store& ds = sowvane_data_store;
    NV_kelsu::parameters_t& ps = sowvane_parameters;
    test_support::Bus_node<JIN_smart_stack> node, tool;
    const JIN_name::RAWNAME own{Known_names::get_seeder(0)};
    waiter_descriptor witness_claim{}, witness{};
};

// --- the modules, built as the start builds them --------------------------------------

template <class T> std::shared_ptr<void> keep(T* p) { return std::shared_ptr<T>(p); }

struct Serial_peers {
    test_support::Pty_pair rs485, iop_line;
    test_support::Fake_satellite_ecu ecu{rs485};
    test_support::Fake_io_processor iop{iop_line};
    Serial_peers()
    {
        ecu.start();
        iop.start();
    }
    ~Serial_peers()
    {
        ecu.stop();
        iop.stop();
    }
};

Built control_logic(Module_lifetime& w)
{
    auto peers = std::make_shared<Serial_peers>();
    auto* control = new Control_logic(peers->rs485.port_spec().c_str(), w.ps, w.ds,
                                      peers->iop_line.port_spec().c_str());
    control->set_startup_wait(0);
    EXPECT_TRUE(control->init(&w.mm, &w.node.stack));
    return Built{keep(control), {peers}};
}

Built control_logic_without_links(Module_lifetime& w)
{
    auto* control = new Control_logic("/nonexistent/rs485:115200:rs485", w.ps, w.ds, "/nonexistent/iop:57600:rs232");
    control->set_startup_wait(0);
    EXPECT_FALSE(control->init(&w.mm, &w.node.stack));
    return Built{keep(control), {}};
}

Built simulator(Module_lifetime& w)
{
    auto* sim = new Seed_simulator(w.ds, w.ps);
    sim->init(w.mm);
    return Built{keep(sim), {}};
}

// The VT pool with its session on the stack, as the start makes it.
struct Vt_side {
    std::shared_ptr<VT::Upload_bar_progress> progress;
    std::shared_ptr<VT::Object_pool> pool;
};
Vt_side vt_side(Module_lifetime& w)
{
    Vt_side vt;
    vt.pool = std::make_shared<VT::Object_pool>(&w.mm, 0, 0, 0, 0);
    EXPECT_TRUE(load_vt_pool_spec(*vt.pool));
    EXPECT_TRUE(load_generated_pool(*vt.pool));
    vt.progress = std::make_shared<VT::Upload_bar_progress>(vt.pool->find<VT::Number_variable_obj>("var_upload"));
    EXPECT_EQ(0, vt.pool->init(&w.node.stack, w.own, &w.node.stack.name_manager(),
                               vt.pool->find<VT::VT_obj>("mask_intro"), vt.progress.get(),
                               JIN_name::RAWNAME(), 5));
    return vt;
}

Built user_interface(Module_lifetime& w)
{
    Vt_side vt = vt_side(w);
    auto* ui = new User_interface(&w.mm);
    ui->init(vt.pool.get(), &screen_object_ids);
    auto diag = std::make_shared<Implement_diag>(w.ds, "diag");
    diag->init(w.mm, &w.node.stack);
    ui->set_diagnostics(diag.get());
    vt.pool->start();
    // The screens are set up on this thread before the module's own takes
    // an event of the store or the VT.
    EXPECT_NE(ui->get_state(), Diner::RUNNING);
    ui->post_snapshot_init();
    EXPECT_EQ(ui->get_state(), Diner::RUNNING);
    vt.pool->start_diner();
    return Built{keep(ui), {vt.progress, vt.pool, diag}};
}

Built vt_pool(Module_lifetime& w)
{
    Vt_side vt = vt_side(w);
    vt.pool->start();
    vt.pool->start_diner();
    return Built{vt.pool, {vt.progress}};
}

// The TC pool with its session on the stack.
struct Tc_side {
    std::shared_ptr<TC::Object_pool> pool;
    std::shared_ptr<TC::Stack_session> session;
};
Tc_side tc_side(Module_lifetime& w)
{
    Tc_side tc;
    tc.pool = std::make_shared<TC::Object_pool>(&w.mm, nullptr, 0);
    EXPECT_TRUE(load_tc_description(*tc.pool));
    tc.session = std::make_shared<TC::Stack_session>(*tc.pool, w.node.stack, w.own);
    EXPECT_TRUE(tc.session->init(w.mm));
    return tc;
}

Built tc_interface(Module_lifetime& w)
{
    w.ps.system.tc_enabled.set(true);
    Tc_side tc = tc_side(w);
    auto* tci = new TC_interface(&w.mm);
    tci->init(tc.pool.get(), &w.ps);
    tc.pool->start();
    return Built{keep(tci), {tc.pool, tc.session}};
}

Built tc_session(Module_lifetime& w)
{
    w.ps.system.tc_enabled.set(true);
    Tc_side tc = tc_side(w);
    tc.pool->set_enabled(true);
    tc.pool->start();
    return Built{tc.session, {tc.pool}};
}

Built diagnostics(Module_lifetime& w)
{
    auto* diag = new Implement_diag(w.ds, "diag");
    diag->init(w.mm, &w.node.stack);
    return Built{keep(diag), {}};
}

std::shared_ptr<CDS::Remote::Server> remote_server_of(Module_lifetime& w)
{
    auto server = std::make_shared<CDS::Remote::Server>();
    server->add_cds_item(*w.ds.head.get_lookup());
    server->add_nv_item(w.ps);
    EXPECT_TRUE(server->prepare_ids());
    return server;
}

Built remote_bridge(Module_lifetime& w)
{
    auto server = remote_server_of(w);
    auto* bridge = new Can_quor::Can_quor;
    bridge->add_stack(&w.node.stack);
    bridge->init(w.mm, server.get());
    return Built{keep(bridge), {server}};
}

// The server with a peer subscribed to a data-store field and a setting.
Built remote_server(Module_lifetime& w)
{
    auto server = remote_server_of(w);
    auto log = std::make_shared<std::vector<remote_test::Sent>>();
    remote_test::Test_backend peer(1, log.get());
    for (unsigned short id : {w.ds.head.get_lookup()->find_item("system.alive", '.')->get_id(),
                              w.ps.app.machine_width.get_id()}) {
        const unsigned char subscribe[5] = {134, static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8), 0, 0};
        server->dispatch(peer, subscribe, sizeof subscribe);
    }
    EXPECT_EQ(2, server->subscription_count(peer));
    return Built{server, {log}};
}

const Row ROWS[] = {
    {"control_logic", control_logic},
    {"control_logic_without_links", control_logic_without_links},
    {"simulator", simulator},
    {"user_interface", user_interface},
    {"vt_pool", vt_pool},
    {"tc_interface", tc_interface},
    {"tc_session", tc_session},
    {"diagnostics", diagnostics},
    {"remote_bridge", remote_bridge},
    {"remote_server", remote_server},
};

TEST_P(Module_lifetime, AModuleGoneHearsNothingMore)
{
    Built built = GetParam().build(*this);
    ASSERT_FALSE(HasFailure());
    built.module.reset();
    poke_everything();
    while (!built.around.empty())
        built.around.pop_back();
}

INSTANTIATE_TEST_SUITE_P(Modules, Module_lifetime, ::testing::ValuesIn(ROWS),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
