// The XML library's lifetime shared by the readers: every block it took is
// given back once the last reader has ended it, including the blocks a
// validated parse with a DOCTYPE loses.
#include "platform/iso/Xerces_lifetime.h"

#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/HandlerBase.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// Parses `path` validated against its DOCTYPE; true without errors.
bool parse_validated(const std::string& path)
{
    xercesc::XercesDOMParser parser;
    xercesc::HandlerBase errors;
    parser.setValidationScheme(xercesc::XercesDOMParser::Val_Always);
    parser.setErrorHandler(&errors);
    try {
        parser.parse(path.c_str());
    } catch (...) {
        return false;
    }
    return parser.getErrorCount() == 0 && parser.getDocument() != nullptr;
}

TEST(Xerces_lifetime, TheLastEndGivesBackEveryBlockOfValidatedParses)
{
    const std::string path = "/tmp/xerces_lifetime_" + std::to_string(getpid()) + ".xml";
    {
        std::ofstream f(path);
        f << "<?xml version=\"1.0\"?>\n<!DOCTYPE pool [\n<!ELEMENT pool (item*)>\n<!ELEMENT item EMPTY>\n"
             "<!ATTLIST item id CDATA #REQUIRED>\n]>\n<pool><item id=\"1\"/><item id=\"2\"/></pool>\n";
    }
    ASSERT_TRUE(Iso::xerces_start());
    ASSERT_TRUE(Iso::xerces_start());  // a second reader
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(parse_validated(path));
    EXPECT_GT(Iso::xerces_blocks_held(), 0u);
    // One reader ends: the library still runs for the other.
    Iso::xerces_end();
    EXPECT_GT(Iso::xerces_blocks_held(), 0u);
    ASSERT_TRUE(parse_validated(path));
    Iso::xerces_end();
    EXPECT_EQ(Iso::xerces_blocks_held(), 0u);
    Iso::xerces_end();  // one end too many changes nothing
    // And the library starts again afterwards.
    ASSERT_TRUE(Iso::xerces_start());
    EXPECT_TRUE(parse_validated(path));
    Iso::xerces_end();
    EXPECT_EQ(Iso::xerces_blocks_held(), 0u);
    std::remove(path.c_str());
}

} // namespace
