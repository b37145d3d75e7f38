// The working set on the CAN stack against the project's terminal side as a
// VT on the in-process loop bus: discovery, upload of a pool of the real
// size through the transport protocols, a soft key press reaching the
// waiter, and a change arriving at the terminal.
#include "Vt_test_images.h"

#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"
#include "platform/vt/Upload_bar_progress.h"

#include "can/JIN_smart_stack.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "tests/support/vt_object_model/Bus_vt.h"
#include "tests/support/Hub_process.h"
#include "tests/support/temp_path.h"
#include "tests/support/wait_until.h"

#include "vt_object_model/VtObjects.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace VT;
using test_support::wait_until;

namespace {

const JIN_name::RAWNAME OUR_NAME(J1939::IND_CODE_AG_OR_FORESTRY, 0, J1939::DEV_CODE_PLANTER,
                                 J1939::FUNC_CODE_PLANTER_SEED_RATE_CONTROL, 0, 0,
                                 J1939::MAN_CODE_VORMEK_POSITIONING_SYSTEMS, 77, true);

class Vt_on_bus : public testing::Test {
protected:
    static std::string loop_spec()
    {
        return std::string("loop,name=vtbus_") + testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    // The implement and the VT on the bus, the pool loaded and its session
    // started.
    void open(const std::string& spec, const JIN_name::RAWNAME& preferred = JIN_name::RAWNAME(),
              unsigned short terminal_timeout_s = 0)
    {
        std::string error;
        bus.reset(Bus_select::start(spec.c_str(), error));
        ASSERT_TRUE(bus) << error;
        ASSERT_EQ(0, stack.open(*bus, &mm));
        ASSERT_EQ(0, stack.start());
        ASSERT_TRUE(vt.open(spec, mm, 1, 0x26));

        waiter.init(&mm);
        ASSERT_TRUE(stack.name_manager().add_local_name(OUR_NAME, 28));
        ASSERT_EQ(28, stack.wait_for_name(&waiter, OUR_NAME, true));

        // About 80 kB in all, as the generated pool.
        ASSERT_NO_FATAL_FAILURE(vt_test::load_pool(pool, 600));
        pool.register_event_waiter(waiter);
        progress.reset(new Upload_bar_progress(pool.find<Number_variable_obj>("var_upload")));
        ASSERT_EQ(0, pool.init(&stack, OUR_NAME, &stack.name_manager(), pool.find<Data_mask_obj>("mask_intro"),
                               progress.get(), preferred, terminal_timeout_s));
        ASSERT_EQ(0, pool.start());
        ASSERT_EQ(0, pool.start_diner());
    }

    void TearDown() override
    {
        vt.close();
    }

    // The whole session: the pool goes up, a soft key press reaches the
    // waiter, and a change reaches the terminal's object.
    void whole_session()
    {
        ASSERT_TRUE(wait_until([&] { return pool.get_connection_state() == CONN_ACTIVE; }));
        EXPECT_TRUE(pool.is_running());
        EXPECT_EQ(progress->get_percent(), 100);
        std::vector<uint8_t> stream;
        pool.serialise_pool(stream);
        EXPECT_GT(stream.size(), 60000u);
        for (const auto& entry : pool.objects())
            ASSERT_NE(on_vt<VtObject>(entry.first), nullptr) << entry.first;
        EXPECT_TRUE(wait_until([&] { return pool.is_vt_active(); }));

        const unsigned short mask = vt_test::show_edit_keys(pool);
        unsigned short key = pool.find<Key_obj>("key_tick")->get_id();
        vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) { p.sendSoftKeyActivation(1, key, mask, 3); });
        bool pressed = false;
        ASSERT_TRUE(wait_until([&] {
            waiter_event ev;
            while (waiter.get_event(&ev, Atime::now()) == 0)
                if (pool.vt_event_of(ev.module_id) == 0 && (ev.code & 0xFFFF) == key && (ev.data & 0xFF) == 1)
                    pressed = true;
            return pressed;
        }));

        Number_variable_obj* spn = pool.find<Number_variable_obj>("var_alarm_spn");
        spn->set_value(31337);
        ASSERT_TRUE(wait_until([&] {
            bool done = false;
            vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
                done = static_cast<VtObjectNumberVariable*>(p.getObject(spn->get_id()))->getValue() == 31337u;
            });
            return done;
        }));
        EXPECT_TRUE(wait_until([&] { return pool.pending_updates() == 0; }));
    }

    template <class T>
    T* on_vt(unsigned short id)
    {
        T* found = nullptr;
        vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
            found = static_cast<T*>(p.getObject(id));
        });
        return found;
    }

    module_man mm;
    std::unique_ptr<CAN_bus> bus;
    JIN_smart_stack stack;
    Bus_vt vt;
    waiter_descriptor waiter;
    std::unique_ptr<Upload_bar_progress> progress;
    Object_pool pool{&mm};
};

TEST_F(Vt_on_bus, WholeSessionOnTheLoopBus)
{
    ASSERT_NO_FATAL_FAILURE(open(loop_spec()));
    whole_session();
}

TEST_F(Vt_on_bus, LossAndReturnOfTheVt)
{
    ASSERT_NO_FATAL_FAILURE(open(loop_spec()));
    ASSERT_TRUE(wait_until([&] { return pool.get_connection_state() == CONN_ACTIVE; }));
    vt.set_announcing(false);
    ASSERT_TRUE(wait_until([&] { return pool.get_connection_state() == CONN_WAIT_VT; }));
    EXPECT_FALSE(pool.is_running());
    vt.set_announcing(true);
    ASSERT_TRUE(wait_until([&] { return pool.get_connection_state() == CONN_ACTIVE; }));
}

// Across processes through the CAN hub, with every frame decoded by
// Wireshark's ISObus VT dissector: nothing malformed.
TEST_F(Vt_on_bus, WholeSessionThroughTheHubDecodesCleanly)
{
    std::string log = test_support::temp_path("vt_hub.log");
    Hub_process hub;
    ASSERT_TRUE(hub.start({"-l", log})) << hub.error();
    ASSERT_NO_FATAL_FAILURE(open(hub.bus_spec()));
    whole_session();
    vt.close();
    pool.set_enabled(false);
    stack.close();
    ASSERT_TRUE(hub.stop());
    if (access("/usr/bin/tshark", X_OK) != 0) {
        std::remove(log.c_str());
        GTEST_SKIP() << "tshark is not installed";
    }
    std::string out;
    int rc = Hub_process::run_program({"/usr/bin/tshark", "-r", log, "-d", "can.subdissector=isobus", "-T", "fields", "-e",
                                       "isobus.vt.command", "-e", "_ws.malformed", "-e", "_ws.expert.severity"},
                                      out, 120000);
    std::remove(log.c_str());
    ASSERT_EQ(rc, 0) << out.substr(0, 500);
    std::set<int> commands;
    int malformed = 0, lines = 0;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        ++lines;
        std::vector<std::string> f;
        std::string field;
        std::istringstream cols(line);
        while (std::getline(cols, field, '\t'))
            f.push_back(field);
        // Lines of tshark's own (warnings) have no number in front.
        char* end = nullptr;
        long command = f.empty() || f[0].empty() ? -1 : std::strtol(f[0].c_str(), &end, 0);
        if (command >= 0 && end && *end == 0)
            commands.insert(int(command));
        if ((f.size() > 1 && !f[1].empty()))
            ++malformed;
    }
    EXPECT_GT(lines, 1000);
    EXPECT_EQ(malformed, 0) << out.substr(0, 2000);
    // The dissector saw the session's messages: status, maintenance, the
    // requests, the pool's end, a change and the soft key.
    for (int c : {0xFE, 0xFF, 0xC0, 0xC2, 0xC3, 0xC7, 0x12, 0xA8, 0x00})
        EXPECT_TRUE(commands.count(c)) << std::hex << c;
}

} // namespace
