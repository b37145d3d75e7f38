#include "platform/iso/Local_entity_resolver.h"

#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

TEST(LocalEntityResolver, OnlyRegularLocalFilesAreResolved)
{
    std::string file = test_support::temp_path("entity.dtd");
    std::ofstream(file) << "<!ELEMENT x EMPTY>\n";
    size_t slash = file.rfind('/');
    std::string dir = file.substr(0, slash);
    std::string name = file.substr(slash + 1);

    Iso::Local_entity_resolver r(dir, "named.dtd");
    struct Case {
        std::string system_id;
        std::string expected;
    } cases[] = {
        {name, dir + "/" + name},                 // relative: beside the description
        {file, file},                             // absolute local file
        {"http://127.0.0.1/" + name, ""},         // a URL is never fetched
        {"file://" + file, ""},
        {"missing.dtd", ""},
        {dir, ""},                                // a directory is no file
        {"named.dtd", ""},                        // the named DTD, absent here
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(r.local_path(c.system_id), c.expected) << c.system_id;
    std::remove(file.c_str());
}
