#include "platform/util/pcf_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class PcfStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pcf_store_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        root_ = tmpl;
        dir_ = root_ + "/store";
        ASSERT_TRUE(pcfMount(dir_.c_str(), 1000));
    }
    void TearDown() override
    {
        pcfSimulateBusy(0);
        pcfSimulateFull(false);
        pcfUnmount();
        fs::remove_all(root_);
    }

    bool put(const char* name, const std::string& content)
    {
        if (!(pcfExists(name) ? pcfOpenWrite(name, nullptr) : pcfCreateWrite(name, nullptr)))
            return false;
        int n = pcfWrite(content.data(), static_cast<int>(content.size()), -1);
        return pcfCloseWrite(-1) != 0 && n == static_cast<int>(content.size());
    }
    std::string get(const char* name, uint32_t offset = 0)
    {
        if (pcfOpenRead(name, offset, nullptr) != 0)
            return "<not opened>";
        std::string out;
        char buf[7];
        PcfResult result = PCF_RESULT_NONE;
        int n;
        while ((n = pcfRead(buf, sizeof buf, result, 0)) > 0)
            out.append(buf, n);
        EXPECT_EQ(PCF_RESULT_END_OF_FILE, result);
        EXPECT_EQ(0, pcfCloseRead(0));
        return out;
    }

    std::string root_;
    std::string dir_;
};

TEST_F(PcfStore, WritesAppendAndReadsStartAtTheOffset)
{
    EXPECT_TRUE(pcfIsMounted());
    EXPECT_FALSE(pcfExists("a.dat"));
    EXPECT_EQ(0, pcfOpenWrite("a.dat", nullptr)) << "opening needs an existing file";
    ASSERT_TRUE(put("a.dat", "hello "));
    ASSERT_TRUE(put("a.dat", "world"));
    EXPECT_TRUE(pcfExists("a.dat"));
    EXPECT_EQ("hello world", get("a.dat"));
    EXPECT_EQ("world", get("a.dat", 6));
    EXPECT_EQ("", get("a.dat", 50));
    EXPECT_EQ(0, pcfCreateWrite("a.dat", nullptr)) << "create never truncates";
    EXPECT_EQ("hello world", get("a.dat"));
}

TEST_F(PcfStore, OneReaderAndOneWriterAtATime)
{
    ASSERT_TRUE(put("a", "1"));
    ASSERT_TRUE(put("b", "2"));
    ASSERT_EQ(0, pcfOpenRead("a", 0, nullptr));
    EXPECT_EQ(1, pcfOpenRead("b", 0, nullptr)) << "read slot in use answers busy";
    ASSERT_NE(0, pcfOpenWrite("a", nullptr)) << "reading and writing may overlap";
    EXPECT_EQ(0, pcfOpenWrite("b", nullptr));
    EXPECT_NE(0, pcfRemove("a")) << "an open file is not removed";
    EXPECT_EQ(0, pcfCloseRead(0));
    EXPECT_NE(0, pcfCloseRead(0));
    EXPECT_NE(0, pcfCloseWrite(-1));
    EXPECT_EQ(0, pcfCloseWrite(-1));
    EXPECT_EQ(0, pcfRemove("a"));
    EXPECT_NE(0, pcfRemove("a"));
    EXPECT_FALSE(pcfExists("a"));
}

TEST_F(PcfStore, SimulatedBusyAnswersAreUsedUpByOpens)
{
    ASSERT_TRUE(put("a", "x"));
    pcfSimulateBusy(3);
    EXPECT_EQ(1, pcfOpenRead("a", 0, nullptr));
    EXPECT_EQ(0, pcfOpenWrite("a", nullptr));
    EXPECT_EQ(0, pcfCreateWrite("b", nullptr));
    EXPECT_FALSE(pcfExists("b"));
    EXPECT_EQ(0, pcfOpenRead("a", 0, nullptr));
    EXPECT_EQ(0, pcfCloseRead(0));
}

TEST_F(PcfStore, CapacityLimitsWritesAndInfoReportsFreeBytes)
{
    pcfSetCapacity(10);
    PcfInfo info{};
    ASSERT_NE(0, pcfInfo(info));
    EXPECT_EQ(10u, info.total_bytes);
    EXPECT_EQ(10u, info.free_bytes);
    ASSERT_NE(0, pcfCreateWrite("a", nullptr));
    EXPECT_EQ(6, pcfWrite("123456", 6, -1));
    EXPECT_EQ(4, pcfWrite("abcdefgh", 8, -1)) << "only what fits is written";
    EXPECT_EQ(0, pcfWrite("z", 1, -1));
    EXPECT_NE(0, pcfCloseWrite(-1));
    ASSERT_NE(0, pcfInfo(info));
    EXPECT_EQ(0u, info.free_bytes);
    EXPECT_EQ(1u, info.file_count);
    EXPECT_EQ("123456abcd", get("a"));

    pcfSetCapacity(100);
    pcfSimulateFull(true);
    ASSERT_NE(0, pcfInfo(info));
    EXPECT_EQ(0u, info.free_bytes);
    ASSERT_NE(0, pcfOpenWrite("a", nullptr));
    EXPECT_EQ(0, pcfWrite("z", 1, -1));
    EXPECT_NE(0, pcfCloseWrite(-1));
}

TEST_F(PcfStore, ListsFilesByNameAndRefusesUnsafeNames)
{
    ASSERT_TRUE(put("b.dat", "1"));
    ASSERT_TRUE(put("a.dat", "2"));
    std::ofstream(dir_ + "/" + std::string(45, 'x')) << "foreign";
    ASSERT_EQ(2, pcfGetNumFiles());
    char name[PCF_NAME_MAX + 1];
    ASSERT_NE(0, pcfGetFileName(0, name));
    EXPECT_STREQ("a.dat", name);
    ASSERT_NE(0, pcfGetFileName(1, name));
    EXPECT_STREQ("b.dat", name);
    EXPECT_EQ(0, pcfGetFileName(2, name));
    EXPECT_EQ(0, pcfGetFileName(-1, name));

    const char* bad_names[] = {"", ".", "..", "../escape", "sub/file", nullptr};
    for (const char* bad : bad_names) {
        int error = 0;
        EXPECT_EQ(0, pcfCreateWrite(bad, &error)) << (bad ? bad : "null");
        EXPECT_EQ(PCF_ERR_BAD_NAME, error);
        EXPECT_NE(0, pcfOpenRead(bad, 0, nullptr));
        EXPECT_EQ(0, pcfExists(bad));
    }
    EXPECT_EQ(0, pcfCreateWrite(std::string(PCF_NAME_MAX + 1, 'n').c_str(), nullptr));
    EXPECT_NE(0, pcfCreateWrite(std::string(PCF_NAME_MAX, 'n').c_str(), nullptr));
    EXPECT_NE(0, pcfCloseWrite(-1));
    EXPECT_FALSE(fs::exists(root_ + "/escape"));
}

TEST_F(PcfStore, UnmountedStoreAnswersNothing)
{
    ASSERT_TRUE(put("a", "x"));
    ASSERT_NE(0, pcfCreateWrite("b", nullptr));
    pcfUnmount();
    EXPECT_FALSE(pcfIsMounted());
    EXPECT_EQ(0, pcfExists("a"));
    EXPECT_NE(0, pcfOpenRead("a", 0, nullptr));
    EXPECT_NE(1, pcfOpenRead("a", 0, nullptr));
    EXPECT_EQ(0, pcfWrite("x", 1, -1)) << "unmounting closed the write slot";
    PcfInfo info{};
    EXPECT_EQ(0, pcfInfo(info));
    EXPECT_EQ(0, pcfGetNumFiles());
    ASSERT_TRUE(pcfMount(dir_.c_str(), 1000));
    EXPECT_TRUE(pcfExists("a")) << "files survive a remount";
    EXPECT_TRUE(pcfExists("b"));
}

} // namespace
