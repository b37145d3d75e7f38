// Attribute texts and element-name patterns of the description reader.
#include "tc_client/DOM_xerces_spec_man.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

TEST(SpecXerces, EscapesAreResolvedAndOtherBackslashesStay)
{
    struct Case {
        std::string raw;
        std::string converted;
    };
    const Case cases[] = {
        {"A\\x41B", "AAB"},
        {"a\\qb", "a\\qb"},
        {"line\\nnext\\r\\b", std::string("line\nnext\r\b")},
        {"\\0101", "A"},
        {"\\0", "\\0"},       // would give 0: stays
        {"\\x00", "\\x00"},   // likewise
        {"\\x4", "\\x4"},     // one digit is no escape
        {"end\\", "end\\"},
    };
    for (const Case& c : cases) {
        std::u16string w = wide(c.raw);
        EXPECT_EQ(Spec_xerces::convert_text(reinterpret_cast<const XMLCh*>(w.c_str())), c.converted)
            << c.raw;
    }
    const char16_t above[] = {u'a', u'\u20AC', u'b', 0};
    EXPECT_EQ(Spec_xerces::convert_text(reinterpret_cast<const XMLCh*>(above)), "a?b");
}

TEST(SpecXerces, NamePatterns)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {nullptr, "Device", true},       {"*", "Device", true},
        {"Device*", "Device_element", true}, {"Device", "Device_element", false},
        {"!Event_macro", "Device_process_data", true}, {"!Event_macro", "Event_macro", false},
        {"\\*", "*", true},              {"\\*", "Device", false},
        {"*", "#text", false},           {"!Event_macro", "#comment", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Spec_xerces::name_matches(c.pattern, c.name), c.match)
            << (c.pattern ? c.pattern : "(null)") << " " << c.name;
}

} // namespace
