// Listener registrations that callers hold while they use the smart stack's
// own waits on the same NAME and waiter.
#include "can/JIN_smart_stack.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "tests/can/name/Claim_sim.h"

#include <gtest/gtest.h>

#include <memory>

using claim_sim::make_name;
using JIN_name::NAME;
using JIN_name::RAWNAME;

namespace {

// wait_for_name adds a listener for the NAME on w and removes it when the
// wait ends. When the caller holds a listener for that NAME on w already,
// the pool hands back the caller's node: the wait must leave it in place.
TEST(Smart_listener, WaitForNameLeavesTheCallersOwnListenerInPlace)
{
    const std::string spec = "loop,name=smart_listener_own";
    std::string error;
    std::unique_ptr<CAN_bus> bus(Bus_select::start(spec.c_str(), error));
    std::unique_ptr<CAN_bus> peer(Bus_select::start(spec.c_str(), error));
    ASSERT_TRUE(bus && peer) << error;
    module_man mm;
    waiter_descriptor w;
    w.init(&mm);
    JIN_smart_stack stack;
    stack.open(*bus, &mm);
    ASSERT_EQ(0, stack.start());

    const RAWNAME ours = make_name(500, true);
    const JIN_name::Listen_node* mine = nullptr;
    ASSERT_EQ(0, stack.add_listener(NAME(ours), &w, mine));
    ASSERT_TRUE(stack.name_manager().add_local_name(ours, 28));
    EXPECT_EQ(28, stack.wait_for_name(&w, ours, true)) << "waits for the claim";
    EXPECT_EQ(28, stack.wait_for_name(&w, ours, true)) << "claimed: returns at once";

    // Still registered: a NAME of higher priority takes address 28, and the
    // caller hears that its NAME moved on.
    CAN_packet claim;
    claim.set_extended(true);
    claim.id = (6u << 26) | (0xEEFFu << 8) | 28;
    claim.length = 8;
    auto winner = claim_sim::bytes_of(make_name(1, true));
    std::copy(winner.begin(), winner.end(), claim.data);
    ASSERT_GT(peer->write(claim, 6), 0);
    waiter_event e;
    do {
        ASSERT_EQ(0, w.get_event(&e, Atime::from_now(60000))) << "no listener event";
    } while (e.module_id != stack.name_manager().module_id());
    EXPECT_EQ(reinterpret_cast<intptr_t>(mine), e.code);
    EXPECT_TRUE(stack.remove_listener(mine));
    EXPECT_FALSE(stack.remove_listener(mine));
}

// The waiter belongs to the caller (the program's main loop): a wake-up
// meant for it (a signal handler's) that arrives during the wait is handed
// back, and the caller's give-up check ends a wait for a NAME that nobody
// claims.
TEST(Smart_listener, WaitForNameHandsBackAnonymousWakeUpsAndGivesUpWhenAsked)
{
    const std::string spec = "loop,name=smart_listener_wake";
    std::string error;
    std::unique_ptr<CAN_bus> bus(Bus_select::start(spec.c_str(), error));
    ASSERT_TRUE(bus) << error;
    module_man mm;
    waiter_descriptor w;
    w.init(&mm);
    JIN_smart_stack stack;
    stack.open(*bus, &mm);
    ASSERT_EQ(0, stack.start());

    const RAWNAME ours = make_name(600, true);
    ASSERT_TRUE(stack.name_manager().add_local_name(ours, 28));
    w.send_anonymous_event();
    int asked = 0;
    EXPECT_EQ(28, stack.wait_for_name(&w, ours, true, [&] { return ++asked > 1; }));
    EXPECT_EQ(1, asked) << "asked once, for the wake-up";
    waiter_event e;
    ASSERT_EQ(0, w.get_event(&e, Atime::now())) << "the wake-up is handed back";
    EXPECT_EQ(module_man::EVENT_ANONYMOUS.module_id, e.module_id);
    EXPECT_NE(0, w.get_event(&e, Atime::now())) << "once";

    // Nobody ever claims this NAME: the wait ends when the caller gives up.
    const RAWNAME absent = make_name(601, true);
    w.send_anonymous_event();
    EXPECT_EQ(255, stack.wait_for_name(&w, absent, true, [] { return true; }));
    EXPECT_EQ(0, w.get_event(&e, Atime::now()));
    EXPECT_EQ(module_man::EVENT_ANONYMOUS.module_id, e.module_id);
}

} // namespace
