#include "glue/message/Guest.h"

#include <gtest/gtest.h>

namespace {
class Echo_guest : public JIN::Guest {
public:
    using JIN::Guest::Guest;
    bool handle_stack1_read_event(unsigned pgn) override { return pgn == 0xFECA; }
};
} // namespace

TEST(Guest, DefaultHandlersDeclineExceptGuestEvents)
{
    JIN::Guest g("plain");
    EXPECT_FALSE(g.handle_data_store_event(1));
    EXPECT_FALSE(g.handle_stack2_notify_event(0));
    EXPECT_FALSE(g.handle_radio_man_event(1, 2));
    EXPECT_TRUE(g.handle_guest_event(1, 2));
    Echo_guest e("echo");
    JIN::Guest& as_base = e;
    EXPECT_TRUE(as_base.handle_stack1_read_event(0xFECA));
}

TEST(Named_list, GuestsAreFoundByNameAndById)
{
    JIN::Guest a("bravo"), b("alpha"), c("charlie");
    JIN::Named_list<JIN::Guest> list;
    EXPECT_EQ(0, list.add(&a));
    EXPECT_EQ(0, list.add(&b));
    EXPECT_EQ(0, list.add(&c));
    EXPECT_EQ(-1, list.add(&a));
    EXPECT_EQ(3, list.count());
    EXPECT_EQ(&b, list.find("alpha"));
    EXPECT_EQ(nullptr, list.find("delta"));
    EXPECT_EQ(&c, list.find(uint16_t(2)));
    EXPECT_EQ(&a, list[0]);
    EXPECT_EQ(nullptr, list[3]);
    EXPECT_TRUE(list.remove(&b));
    EXPECT_EQ(nullptr, list.find("alpha"));
    EXPECT_EQ(&c, list[1]);
}
