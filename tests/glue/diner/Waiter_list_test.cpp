#include "glue/diner/Waiter_list.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(Waiter_list, HoldsAtMostTenAndRemovesKeepingOrder)
{
    module_man mm;
    waiter_descriptor w[11];
    JIN::Waiter_list<10> list;
    EXPECT_EQ(1, list.get_module_id()) << "1 until an id is assigned";
    for (int i = 0; i < 10; i++)
        EXPECT_TRUE(list.add(&w[i]));
    EXPECT_FALSE(list.add(&w[10]));
    EXPECT_TRUE(list.remove(&w[3]));
    EXPECT_FALSE(list.remove(&w[3]));
    EXPECT_EQ(9, list.get_count());
    EXPECT_EQ(&w[4], list.get(3));
    EXPECT_EQ(&w[9], list.get(8));
    EXPECT_EQ(nullptr, list.get(9));
    list.clear();
    EXPECT_EQ(0, list.get_count());
}

TEST(Waiter_list, SendsItsModuleIdToEveryReceiver)
{
    module_man mm;
    waiter_descriptor a, b;
    a.init(&mm);
    b.init(&mm);
    JIN::Waiter_list<10> list;
    list.assign_module_id(mm);
    EXPECT_GE(list.get_module_id(), 1026);
    ASSERT_TRUE(list.add(&a));
    ASSERT_TRUE(list.add(&b));
    list.send(1);
    for (waiter_descriptor* w : {&a, &b}) {
        waiter_event event;
        ASSERT_EQ(0, w->get_event(&event, Atime::now()));
        EXPECT_EQ(list.get_module_id(), event.module_id);
        EXPECT_EQ(1u, event.data);
        EXPECT_EQ(0, event.code);
    }
}

} // namespace
