// The priority stack of screens: order by priority, then the latest push.
#include "vtui/screen/Ui_containers.h"

#include <gtest/gtest.h>

namespace {

struct Element : Stackable_ui_element {
    explicit Element(int priority) : Stackable_ui_element(priority) {}
};

} // namespace

TEST(Ui_element_stack_test, PriorityThenLatestPushComesFirst)
{
    Ui_element_stack<Element> stack;
    Element data_a(100), data_b(100), alarm(1);
    Atime t = Atime::now();
    stack.push(&alarm, t);
    stack.push(&data_a, t);
    stack.push(&data_b, t); // same millisecond: the sequence number decides
    EXPECT_EQ(stack.peek(), &alarm);
    EXPECT_EQ(stack.pop(), &alarm);
    EXPECT_EQ(stack.pop(), &data_b);
    EXPECT_EQ(stack.pop(), &data_a);
    EXPECT_EQ(stack.pop(), nullptr);
}

TEST(Ui_element_stack_test, PushingAgainMovesToTheFrontWithoutDuplicating)
{
    Ui_element_stack<Element> stack;
    Element a(100), b(100);
    Atime t = Atime::now();
    stack.push(&a, t);
    stack.push(&b, t + 1);
    stack.push(&a, t + 2);
    EXPECT_EQ(stack.count(), 2);
    EXPECT_EQ(stack.peek(), &a);
    EXPECT_TRUE(stack.remove(&a));
    EXPECT_FALSE(stack.contains(&a));
    EXPECT_EQ(stack.peek(), &b);
}
