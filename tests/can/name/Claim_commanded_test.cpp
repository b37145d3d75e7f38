// Commanded Address from the bus on a node with more than one own NAME.
#include "Claim_sim.h"

#include <gtest/gtest.h>

using claim_sim::bytes_of;
using claim_sim::make_name;
using claim_sim::Node;
using claim_sim::World;
using JIN_name::LOCAL_CHAMPION;
using JIN_name::RAWNAME;

namespace {

void command(Node& node, const RAWNAME& target, unsigned char address)
{
    auto b = bytes_of(target);
    b.push_back(address);
    node.engine.on_commanded_address(99, 255, b.data(), 9);
}

// A command that names the address of another own NAME must not take it
// from that NAME: it would vanish from the table without a claim of its own
// or a Cannot Claim, and every look-up of it would fail from then on.
TEST(Claim_commanded, AnAddressHeldByAnotherOwnNameIsNotTakenFromIt)
{
    World world;
    Node& node = world.add_node(7);
    const RAWNAME first = make_name(500, true), second = make_name(600, true);
    ASSERT_TRUE(node.engine.add_local_name(first, 28));
    ASSERT_TRUE(node.engine.add_local_name(second, 40));
    world.run(256 + 251);
    ASSERT_EQ(LOCAL_CHAMPION, node.engine.state_at(28));
    ASSERT_EQ(LOCAL_CHAMPION, node.engine.state_at(40));
    node.sent.clear();
    node.lost.clear();

    command(node, second, 28);
    EXPECT_TRUE(node.sent.empty());
    EXPECT_TRUE(node.lost.empty());
    world.run(300);
    EXPECT_EQ(28, node.engine.gethostbyname(first, false));
    EXPECT_EQ(40, node.engine.gethostbyname(second, false));

    // A free address, or its own, is taken as before.
    command(node, second, 77);
    ASSERT_EQ(1u, node.sent.size());
    EXPECT_EQ(77, node.sent[0].src);
    world.run(300);
    EXPECT_EQ(77, node.engine.gethostbyname(second, false));
    command(node, second, 77);
    EXPECT_EQ(2u, node.sent.size());
    world.run(300);
    EXPECT_EQ(77, node.engine.gethostbyname(second, false));
    EXPECT_EQ(28, node.engine.gethostbyname(first, false));
}

} // namespace
