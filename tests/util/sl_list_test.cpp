#include "util/sl_list.h"

#include <gtest/gtest.h>

namespace {

struct Entry : sll_node {
    int value;
    explicit Entry(int v = 0) : value(v) {}
};

TEST(SlList, QueueOrderAndRemoval)
{
    Entry e[4] = {Entry(0), Entry(1), Entry(2), Entry(3)};
    c_sl_list<Entry> list;
    EXPECT_EQ(list.pop(), nullptr);
    for (auto& x : e)
        list.push(&x);
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(list.get(2), &e[2]);
    EXPECT_EQ(list.get(4), nullptr);

    EXPECT_TRUE(list.remove(&e[3])); // the tail
    EXPECT_TRUE(list.remove(&e[1])); // a middle node
    EXPECT_FALSE(list.remove(&e[1]));
    Entry loose(9);
    EXPECT_FALSE(list.remove(&loose));
    list.push(&e[3]); // the tail moved back correctly
    EXPECT_EQ(list.first(), &e[0]);
    EXPECT_EQ(list.next(&e[0]), &e[2]);
    EXPECT_EQ(list.next(&e[2]), &e[3]);
    EXPECT_EQ(list.next(&e[3]), nullptr);

    EXPECT_EQ(list.pop(), &e[0]);
    EXPECT_EQ(list.pop(), &e[2]);
    EXPECT_EQ(list.pop(), &e[3]);
    EXPECT_EQ(list.pop(), nullptr);
    EXPECT_TRUE(list.empty());
    for (auto& x : e)
        EXPECT_FALSE(x.in_list());
}

TEST(SlList, NodeOfAnotherListIsNotRemoved)
{
    Entry a(1), b(2);
    c_sl_list<Entry> one, two;
    one.push(&a);
    two.push(&b);
    EXPECT_FALSE(one.remove(&b));
    EXPECT_EQ(two.count(), 1);
    EXPECT_EQ(two.pop(), &b);
    EXPECT_EQ(one.pop(), &a);
}

TEST(SlList, PoppedNodeCanBePushedAgain)
{
    Entry a(1);
    c_sl_list<Entry> list;
    list.push(&a);
    EXPECT_EQ(list.pop(), &a);
    list.push(&a);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.pop(), &a);
}

TEST(SlListDeath, PushingALinkedNodeIsFatal)
{
    EXPECT_DEATH(
        {
            Entry a(1);
            c_sl_list<Entry> list;
            list.push(&a);
            list.push(&a);
        },
        "");
}

} // namespace
