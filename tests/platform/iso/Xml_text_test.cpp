// Texts the XML readers share: 8-bit text and strict numbers.
#include "platform/iso/Xml_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Xml_text, NumbersAreWholeTextsWithTheirBase)
{
    long long i = 0;
    unsigned long long u = 0;
    float f = 0;
    EXPECT_TRUE(Iso::text_to_int64(" -0x10 ", i));
    EXPECT_EQ(i, -16);
    EXPECT_TRUE(Iso::text_to_uint64("010", u));
    EXPECT_EQ(u, 8u);
    EXPECT_FALSE(Iso::text_to_uint64("-1", u));
    EXPECT_FALSE(Iso::text_to_uint64(" -1", u));
    EXPECT_EQ(u, 8u) << "untouched on failure";
    EXPECT_FALSE(Iso::text_to_int64("12x", i));
    EXPECT_FALSE(Iso::text_to_int64("", i));
    EXPECT_FALSE(Iso::text_to_int64("  ", i));
    EXPECT_FALSE(Iso::text_to_int64("99999999999999999999", i));
    EXPECT_FALSE(Iso::text_to_uint64("99999999999999999999", u));
    EXPECT_TRUE(Iso::text_to_float("0.001", f));
    EXPECT_FLOAT_EQ(f, 0.001f);
    EXPECT_FALSE(Iso::text_to_float("1e40", f));
    EXPECT_FALSE(Iso::text_to_float("nan", f));
}

TEST(Xml_text, CharactersAboveLatin1BecomeQuestionMarks)
{
    const char16_t text[] = {u'a', u'\u00E9', u'\u20AC', u'b', 0};
    EXPECT_EQ(Iso::xml_latin1(reinterpret_cast<const XMLCh*>(text)), "a\xE9?b");
    EXPECT_EQ(Iso::xml_latin1(nullptr), "");
}

} // namespace
