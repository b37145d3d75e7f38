#include "glue/message/Ascii_message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {
std::string field_text(const Ascii_message& m, unsigned n)
{
    unsigned len = 0;
    const char* p = m.get_string(n, len);
    return p ? std::string(p, len) : std::string("<none>");
}
} // namespace

TEST(Ascii_message, FieldsGroupsAndEmptyFields)
{
    struct Case {
        const char* text;
        unsigned valid;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"A,{B,C}", 3, {"A", "B", "C"}},
        {"x,,y", 1, {"x", "", "y"}},
        {"{{G1,2},H", 3, {"G1", "2}", "H"}},
        {"", 0, {}},
        {"last,", 1, {"last"}},
        {"a,{", 1, {"a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string storage(c.text);
        Ascii_message m(storage.data(), static_cast<unsigned>(storage.size()));
        EXPECT_EQ(c.valid, m.get_num_valid_fields());
        for (unsigned i = 0; i < c.fields.size(); ++i) {
            EXPECT_EQ(c.fields[i], field_text(m, i)) << i;
        }
        EXPECT_EQ(nullptr, m.get_field(static_cast<unsigned>(c.fields.size())));
        EXPECT_EQ("<none>", field_text(m, static_cast<unsigned>(c.fields.size())));
    }
}

TEST(Ascii_message, ParsingStaysInsideTheView)
{
    // The view covers "1,2" only; what follows in memory must not be read.
    char text[] = "1,2,3,4";
    Ascii_message m(text, 3);
    EXPECT_EQ(2u, m.get_num_valid_fields());
    EXPECT_EQ(nullptr, m.get_field(2));
    unsigned len = 0;
    EXPECT_EQ(text + 2, m.get_string(1, len));
    EXPECT_EQ(1u, len);
    EXPECT_EQ(nullptr, m.strchr(text, '3'));
    EXPECT_EQ(nullptr, m.strchr(text + 5, '4'));

    // A number field at the very end of a view without a terminator.
    char digits[4] = {'7', ',', '4', '2'};
    Ascii_message d(digits, sizeof digits);
    EXPECT_EQ(42, d.get_int32(1));
    EXPECT_EQ(42u, d.get_uint32(1));
    EXPECT_EQ(42.0, d.get_double(1));
}

TEST(Ascii_message, TypedFields)
{
    char text[] = "$X,-12,4000000000,2.5e3,abc,1d2h3m4s";
    Ascii_message m(text, static_cast<unsigned>(std::strlen(text)));
    EXPECT_EQ('$', m.get_char(0));
    EXPECT_EQ(-12, m.get_int32(1));
    EXPECT_EQ(4000000000u, m.get_uint32(2));
    EXPECT_EQ(2500.0, m.get_double(3));
    EXPECT_EQ(0, m.get_int32(4));
    EXPECT_EQ(0, m.get_int32(9));
    EXPECT_EQ(0, m.get_char(9));
    EXPECT_EQ(86400 + 7200 + 180 + 4, m.get_timeval(5));
    EXPECT_TRUE(m.name_match("$X,", -1));
    EXPECT_FALSE(m.name_match("$Y", -1));
    EXPECT_TRUE(m.name_match("$Xq", 2));
}

TEST(Ascii_message, ParseTimeval)
{
    struct Case {
        const char* text;
        unsigned len;
        long seconds;
    };
    const Case cases[] = {
        {"2h30m0s", 7, 9000},
        {"90m", 3, 0},
        {"45s", 3, 45},
        {"1d0s", 4, 86400},
        {"2h30m0s", 5, 0}, // the 's' lies beyond len
        {"xh1s", 4, 0},
        {"", 0, 0},
        // Durations too large for a long are refused, not overflowed.
        {"99999999999999999999d0s", 23, 0},
        {"9223372036854775807h0s", 22, 0},
        {"-9223372036854775807m0s", 23, 0},
        {"2147483647s", 11, 2147483647L},
        {"106751991167300d106751991167300d0s", 35, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.seconds, Ascii_message::parse_timeval(c.text, c.len)) << c.text;
    }
    EXPECT_EQ(0, Ascii_message::parse_timeval(nullptr, 5));
}

TEST(Ascii_message, ShiftSetupAndSet)
{
    char text[] = "A,B,C";
    Ascii_message m(text, sizeof text);
    EXPECT_TRUE(m.shift_fields(1));
    EXPECT_STREQ("B,C", text);
    // Without its terminator in the view only the view's text moves.
    char open_text[] = "A,B,C";
    Ascii_message open_view(open_text, 5);
    EXPECT_TRUE(open_view.shift_fields(2));
    EXPECT_STREQ("C,B,C", open_text);
    EXPECT_FALSE(m.shift_fields(7));

    char copy[3];
    Ascii_message view(text, sizeof text - 1);
    view.setup(copy, sizeof copy);
    EXPECT_STREQ("B,", copy);
    EXPECT_EQ(2u, view.get_length());
    EXPECT_EQ(copy, view.get_buffer());

    unsigned char raw[12] = {'h', 'e', 'a', 'd', 'e', 'r', 'x', ',', 'y', 0, 'z', 'z'};
    Binary_message msg(raw, sizeof raw);
    char area[8];
    std::memset(area, '#', sizeof area);
    Ascii_message dst(area, sizeof area);
    dst.set(msg, true);
    EXPECT_STREQ("x,y", area);
    EXPECT_EQ(0, area[7]);

    Ascii_message over(msg, true);
    EXPECT_EQ(6u, over.get_length());
    EXPECT_EQ('x', over.get_char(0));
    unsigned char tiny[3] = {'a', 'b', 'c'};
    Binary_message short_msg(tiny, 3);
    Ascii_message none(short_msg, true);
    EXPECT_EQ(0u, none.get_length());
    EXPECT_TRUE(none.isnull());
    EXPECT_EQ(nullptr, none.get_field(0));
}
