// The implement with the test task controller on the loop bus, end to end:
// its pool goes up and activates, a rate set by the TC lands in the data
// store, section states go both ways condensed, and a layout change uploads
// the pool again. Both sides run on their own threads; the test waits for
// outcomes with bounded waits.
#include "apps/sowvane/tc/TC_interface.h"
#include "apps/sowvane/tc/TC_work_states.h"
#include "tests/platform/tc/Bus_session_rig.h"
#include "tests/support/item_id_scope.h"

#include <gtest/gtest.h>

namespace {

using test_support::wait_until;
using namespace TaskController_interface;

template <typename F> auto on_server(bus_rig::Rig& rig, F&& f)
{
    return rig.server->with_server(std::forward<F>(f));
}

TEST(TcInterfaceBus, ImplementRunsWithTheTestTaskController)
{
    Item_id_scope ids{1};
    bus_rig::Rig rig;
    ASSERT_TRUE(rig.open("loop,name=tc_interface_bus"));
    NV_kelsu::parameters_t params(&rig.mm, 0, "PS");
    params.system.tc_enabled.set(true);
    params.app.channels[0].enabled.set(true); // disabled elements stay off the TC
    params.app.booms.num_booms.set(1);
    params.app.booms.booms[0].num_sections.set(4);
    Data_store store(&rig.mm);
    auto tci = std::make_unique<TC_interface>(&rig.mm, store);
    testing::internal::CaptureStdout();
    tci->init(&rig.pool, &params);
    ASSERT_TRUE(rig.pool.start());
    ASSERT_TRUE(rig.wait_active());
    ASSERT_TRUE(wait_until([&] { return cds_get(&store.head, &store.body.system.tc_alive); }));
    EXPECT_EQ(on_server(rig, [](auto& s) { return s.transfers; }), 1);
    const unsigned char client =
        rig.client.stack.name_manager().gethostbyname(rig.client_name, false);

    // A rate for channel 1 (mass: multiplier 100).
    on_server(rig, [&](auto& s) {
        s.send_command(client, TC::CMD_VALUE, 100, 6, 12345);
        return 0;
    });
    ASSERT_TRUE(wait_until([&] {
        return cds_get(&store.head, &store.body.channels.channels[0].requested_rate) == 123.45;
    }));

    // Section control: sections 1 and 3 on, the rest off.
    on_server(rig, [&](auto& s) {
        s.send_command(client, TC::CMD_VALUE, 1000, DDI_SETPOINT_CONDENSED_WORK_STATE,
                       int32_t(0xFFFFFF11u));
        return 0;
    });
    ASSERT_TRUE(wait_until(
        [&] { return cds_get(&store.head, &store.body.booms.boom[0].boom_state) == 5; }));
    // The actual states as the implement reports them on request.
    unsigned on = 1;
    cds_set_uint(&store.head, &store.body.booms.boom[0].sections[2].actual_state, &on);
    on_server(rig, [&](auto& s) {
        s.values.clear();
        s.send_command(client, TC::CMD_REQUEST_VALUE, 1000, DDI_ACTUAL_CONDENSED_WORK_STATE, 0);
        return 0;
    });
    ASSERT_TRUE(wait_until([&] {
        return on_server(rig, [](auto& s) {
            for (const auto& v : s.values)
                if (v.element == 1000 && v.ddi == DDI_ACTUAL_CONDENSED_WORK_STATE)
                    return v.value == int32_t(0xFFFFFF10u);
            return false;
        });
    }));

    // A layout change: the pool goes to the TC again.
    params.app.booms.num_booms.set(2);
    bool yes = true;
    cds_set_bool(&store.head, &store.body.system.reset_tc, &yes);
    ASSERT_TRUE(wait_until([&] { return on_server(rig, [](auto& s) { return s.transfers; }) >= 2; }));
    ASSERT_TRUE(rig.wait_active());
    EXPECT_FALSE(cds_get(&store.head, &store.body.system.reset_tc));
    tci.reset();
    testing::internal::GetCapturedStdout();
}

} // namespace
