// The CAN logger's line format, its files and its fallback to standard error.
#include "can/Logger.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::string scratch_path(const char* what)
{
    return "/tmp/sowvane_logger_" + std::to_string(getpid()) + "_" + what;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Logger, LinesCarryTheNameAndBothTimes)
{
    std::string path = scratch_path("named");
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(nullptr, f);
    Logger log("stk");
    log.Open(f, nullptr);
    log.Log("frame %d", 7);
    log.Log(17, "too detailed %d", 1); // above level 16: nothing
    log.Open(stderr, nullptr);          // closes the file
    std::string text = read_file(path);
    std::remove(path.c_str());
    EXPECT_TRUE(std::regex_match(text, std::regex("stk: frame 7 at time [0-9]+ \\([0-9]+ since previous\\)\n")))
        << text;
}

TEST(Logger, OpeningAPathClearsTheNameAndAFailureFallsBackToStandardError)
{
    std::string path = scratch_path("opened");
    Logger log("abc");
    log.Open(path.c_str());
    EXPECT_NE(stderr, log.file());
    EXPECT_TRUE(log.name().empty());
    log.Log("one");
    log.Open("/nonexistent-directory/for/sure.log");
    EXPECT_EQ(stderr, log.file());
    std::string text = read_file(path);
    std::remove(path.c_str());
    EXPECT_TRUE(std::regex_match(text, std::regex("one at time [0-9]+ \\([0-9]+ since previous\\)\n")))
        << text;
}

TEST(Logger, OpenWithoutPathUsesTheName)
{
    std::string path = scratch_path("byname");
    Logger log(path.c_str());
    log.Open();
    EXPECT_NE(stderr, log.file());
    log.Open(nullptr, nullptr); // without a file: Open(), the name is gone now
    EXPECT_EQ(stderr, log.file());
    std::remove(path.c_str());
}

} // namespace
