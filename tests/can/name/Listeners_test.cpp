// The listener pool: registrations per pattern and waiter, chains, signals,
// and what happens when all 250 nodes are in use.
#include "Claim_sim.h"
#include "can/JIN_name_support.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"

#include <gtest/gtest.h>

using claim_sim::make_name;
using JIN_name::Listen_node;
using JIN_name::Listeners;
using JIN_name::NAME;

namespace {

constexpr short MANAGER_ID = 2000;

class Listener_pool : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto& w : waiters)
            w.init(&mm);
    }

    // The listener nodes signalled to w since the last call.
    std::vector<const Listen_node*> take(waiter_descriptor& w)
    {
        std::vector<const Listen_node*> out;
        waiter_event e;
        while (w.get_event(&e, Atime::now()) == 0) {
            EXPECT_EQ(MANAGER_ID, e.module_id);
            out.push_back(reinterpret_cast<const Listen_node*>(e.code));
        }
        return out;
    }

    module_man mm;
    waiter_descriptor waiters[3];
    Listeners pool;
};

TEST_F(Listener_pool, OneNodePerPatternAndWaiter)
{
    NAME exact(make_name(5));
    const Listen_node* a = pool.Add(exact, &waiters[0]);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(a, pool.Add(exact, &waiters[0]));
    const Listen_node* b = pool.Add(exact, &waiters[1]);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a, b);
    EXPECT_EQ(b, pool.Add(exact, &waiters[1]));
    EXPECT_EQ(1, pool.used_count()); // one first node, the other on its chain
    EXPECT_EQ(248, pool.free_count());
    EXPECT_EQ(exact, static_cast<const JIN_name::RAWNAME&>(pool.pattern_of(b)));
}

TEST_F(Listener_pool, SignalReachesEveryMatchingWaiterWithItsNode)
{
    NAME exact(make_name(5));
    NAME any;                      // matches every NAME
    NAME other(make_name(6));
    const Listen_node* a = pool.Add(exact, &waiters[0]);
    const Listen_node* b = pool.Add(exact, &waiters[1]);
    const Listen_node* c = pool.Add(any, &waiters[2]);
    ASSERT_NE(nullptr, pool.Add(other, &waiters[0]));

    EXPECT_EQ(3, pool.Signal(make_name(5), MANAGER_ID));
    EXPECT_EQ(std::vector<const Listen_node*>{a}, take(waiters[0]));
    EXPECT_EQ(std::vector<const Listen_node*>{b}, take(waiters[1]));
    EXPECT_EQ(std::vector<const Listen_node*>{c}, take(waiters[2]));

    // A signal still pending for a node is not queued twice.
    pool.Signal(make_name(7), MANAGER_ID);
    pool.Signal(make_name(7), MANAGER_ID);
    EXPECT_EQ(std::vector<const Listen_node*>{c}, take(waiters[2]));
    EXPECT_TRUE(take(waiters[0]).empty());
}

TEST_F(Listener_pool, RemovingTheFirstNodeHandsItsPlaceToTheChain)
{
    NAME exact(make_name(5));
    const Listen_node* a = pool.Add(exact, &waiters[0]);
    const Listen_node* b = pool.Add(exact, &waiters[1]);
    const Listen_node* c = pool.Add(exact, &waiters[2]);
    EXPECT_TRUE(pool.Remove(a));
    EXPECT_FALSE(pool.Remove(a)); // not registered any more
    EXPECT_EQ(2, pool.Signal(make_name(5), MANAGER_ID));
    EXPECT_TRUE(take(waiters[0]).empty());
    EXPECT_EQ(std::vector<const Listen_node*>{b}, take(waiters[1]));
    EXPECT_EQ(std::vector<const Listen_node*>{c}, take(waiters[2]));
    // The chain stays whole after its middle goes.
    EXPECT_EQ(c, pool.Add(exact, &waiters[2]));
    EXPECT_TRUE(pool.Remove(c));
    EXPECT_TRUE(pool.Remove(b));
    EXPECT_EQ(0, pool.Signal(make_name(5), MANAGER_ID));
    EXPECT_EQ(250, pool.free_count());

    Listen_node stranger;
    EXPECT_FALSE(pool.Remove(&stranger));
    EXPECT_FALSE(pool.Remove(nullptr));
}

// An exhausted pool refuses further registrations instead of ending the
// process, and takes them again once a node is back.
TEST_F(Listener_pool, ExhaustedPoolRefusesAndRecovers)
{
    std::vector<const Listen_node*> nodes;
    for (unsigned i = 0; i < 250; ++i) {
        const Listen_node* n = pool.Add(NAME(make_name(100 + i)), &waiters[i % 3]);
        ASSERT_NE(nullptr, n) << i;
        nodes.push_back(n);
    }
    EXPECT_EQ(nullptr, pool.Add(NAME(make_name(99)), &waiters[0]));     // new first node
    EXPECT_EQ(nullptr, pool.Add(NAME(make_name(100)), &waiters[1]));    // new chained node
    EXPECT_EQ(nodes[0], pool.Add(NAME(make_name(100)), &waiters[0]));   // existing one
    ASSERT_TRUE(pool.Remove(nodes[10]));
    EXPECT_NE(nullptr, pool.Add(NAME(make_name(99)), &waiters[0]));
}

} // namespace
