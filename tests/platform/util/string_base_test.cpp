#include "platform/util/String_base.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(StringBase, WritesAreCutToTheBufferAndNeverPastIt)
{
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    char guard = 'g';
    String_base s(buf, 6);
    EXPECT_EQ(s.capacity(), 5);
    s = "abcdefghij";
    EXPECT_STREQ(s.c_str(), "abcde");
    EXPECT_EQ(buf[6], 'x');
    EXPECT_EQ(guard, 'g');
    EXPECT_EQ(s.set("xy\0zz", 5), 2);
    EXPECT_TRUE(s == "xy");
    s = nullptr;
    EXPECT_EQ(s.length(), 0);

    s = "hello";
    char out[4];
    EXPECT_EQ(s.get(out, 3), 3);
    EXPECT_STREQ(out, "hel");
    s[1] = 'a';
    s[99] = 'z';  // out of range reaches a spare byte
    EXPECT_STREQ(s.c_str(), "hallo");
    EXPECT_EQ(static_cast<const String_base&>(s)[99], 0);

    char small[3];
    String_base t(small, 3);
    t = s;
    EXPECT_STREQ(t.c_str(), "ha");
}
