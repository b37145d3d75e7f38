#include "util/Debug_base.h"

#include "util/Bugger.h"

#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <string>
#include <vector>

namespace {

std::vector<int> active()
{
    std::vector<int> codes;
    for (int i = 0; i < JDB::get_num_active_filters(); ++i)
        codes.push_back(JDB::get_active_filter(i));
    return codes;
}

struct FilterCase {
    const char* text;
    std::vector<int> want;
};

class FilterStrings : public ::testing::TestWithParam<FilterCase> {
protected:
    void TearDown() override { JDB::set_filters("00"); }
};

TEST_P(FilterStrings, SwitchOnTheListedCodes)
{
    JDB::set_filters(GetParam().text);
    EXPECT_EQ(active(), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FilterStrings,
    ::testing::Values(FilterCase{"00", {}}, FilterCase{"2C2B", {0x2C, 0x2B}},
                      FilterCase{"32", {50}}, FilterCase{"3", {}}, FilterCase{"", {}},
                      FilterCase{"0102030405060708", {1, 2, 3, 4, 5, 6}},
                      FilterCase{"00010002", {1, 2}}, FilterCase{"2C\n2B", {0x2C}},
                      FilterCase{"2C\r2B", {0x2C}}, FilterCase{"2CZZ2B", {0x2C}},
                      FilterCase{"2C2", {0x2C}}, FilterCase{"ff", {0xFF}}));

TEST(DebugFilters, EnabledOnlyForActiveCodes)
{
    JDB::set_filters("32");
    EXPECT_TRUE(JDB::enabled(_JDB::TIMEOUT_TREES));
    EXPECT_FALSE(JDB::enabled(_JDB::MUTEX_NO_ABORT));
    JDB::set_filters("00");
    EXPECT_FALSE(JDB::enabled(_JDB::TIMEOUT_TREES));
    EXPECT_FALSE(JDB::enabled(_JDB::NONE));
}

TEST(DebugFilters, AddMovesToTheEndAndRemoveCloses)
{
    JDB::set_filters("010203");
    EXPECT_TRUE(JDB::add_filter(static_cast<_JDB::jdb_enum>(1)));
    EXPECT_EQ(active(), (std::vector<int>{2, 3, 1}));
    EXPECT_TRUE(JDB::remove_filter(static_cast<_JDB::jdb_enum>(3)));
    EXPECT_EQ(active(), (std::vector<int>{2, 1}));
    EXPECT_FALSE(JDB::remove_filter(static_cast<_JDB::jdb_enum>(9)));
    for (int c = 10; c < 14; ++c)
        EXPECT_TRUE(JDB::add_filter(static_cast<_JDB::jdb_enum>(c)));
    EXPECT_FALSE(JDB::add_filter(static_cast<_JDB::jdb_enum>(20)));
    EXPECT_EQ(JDB::get_num_active_filters(), 6);
    EXPECT_EQ(JDB::get_active_filter(6), 0);
    JDB::set_filters("00");
}

class DebugOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = test_support::temp_path("debug_output_test.txt");
        Debug_print::set_debug_file(path_.c_str());
    }
    void TearDown() override
    {
        Debug_print::set_debug_file(nullptr);
        std::remove(path_.c_str());
    }
    std::string written()
    {
        std::fflush(Debug_print::get_debug_file());
        FILE* f = std::fopen(path_.c_str(), "r");
        std::string s;
        if (!f)
            return s;
        char buf[1024];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        std::fclose(f);
        return s;
    }
    std::string path_;
};

TEST_F(DebugOutput, LongLinesAreCutTo255Characters)
{
    std::string long_text(400, 'x');
    Debug_print::dprint("%s", long_text.c_str());
    EXPECT_EQ(written(), std::string(255, 'x'));
}

TEST_F(DebugOutput, PrintIsGatedByTheFilter)
{
    JDB::set_filters("00");
    JDB::print(_JDB::DIAGNOSTICS, "hidden\n");
    JDB::add_filter(_JDB::DIAGNOSTICS);
    JDB::print(_JDB::DIAGNOSTICS, "shown %d\n", 46);
    JDB::set_filters("00");
    EXPECT_EQ(written(), "shown 46\n");
}

TEST_F(DebugOutput, HexDumpAndBinaryPrint)
{
    const unsigned char data[] = {'A', 0x01, 'b'};
    Debug_print::binprint(data, sizeof data);
    Debug_print::printhex(data, sizeof data, 2);
    EXPECT_EQ(written(), "41(A) 01 62(b)  \n    41 01  A.\n    62     b\n");
}

TEST_F(DebugOutput, DetailLineNamesFileAndLine)
{
    Debug_print::dprint_detail("some/file.cpp", 42, "hello %d\n", 7);
    std::string s = written();
    EXPECT_NE(s.find("] some/file.cpp:42: 'hello 7'\n"), std::string::npos) << s;
    EXPECT_NE(s.find("|ThreadID:"), std::string::npos);
}

TEST(DebugPrintDeath, DieExitsWithItsCode)
{
    EXPECT_EXIT(Debug_print::die("here.cpp", 12), ::testing::ExitedWithCode(3358 & 0xff),
                "DIE file=here.cpp line=12");
}

TEST(BuggerDeath, ReportBugEndsTheProcess)
{
    EXPECT_DEATH(Bugger::report_bug("impossible"), "");
}

} // namespace
