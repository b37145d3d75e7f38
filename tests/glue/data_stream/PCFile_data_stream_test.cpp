#include "glue/data_stream/PCFile_data_stream.h"

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class PCFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pcfile_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        root_ = tmpl;
        ASSERT_TRUE(pcfMount((root_ + "/store").c_str(), 4000));
        PCFile_data_stream::static_init(mm_);
        waiter_.init(&mm_);
        ASSERT_TRUE(PCFile_data_stream::register_waiter(&waiter_));
    }
    void TearDown() override
    {
        PCFile_data_stream::deregister_waiter(&waiter_);
        pcfSimulateBusy(0);
        pcfSimulateFull(false);
        pcfUnmount();
        fs::remove_all(root_);
    }

    // The payload words of the store's events received so far.
    std::vector<uint32_t> events()
    {
        std::vector<uint32_t> words;
        waiter_event event;
        while (waiter_.get_event(&event, Atime::now()) == 0) {
            EXPECT_TRUE(PCFile_data_stream::is_event(event));
            words.push_back(event.data);
        }
        return words;
    }

    bool put(const char* name, const std::string& content)
    {
        PCFile_data_stream s;
        if (s.open_write(name, 1) != 0)
            return false;
        int n = s._write(reinterpret_cast<const unsigned char*>(content.data()),
                         static_cast<unsigned>(content.size()));
        bool closed = s.is_write_open() ? s.close_write() == 0 : false;
        return closed && n == static_cast<int>(content.size());
    }
    std::string get(const char* name)
    {
        PCFile_data_stream s;
        if (s.open_read(name, 1) != 0)
            return "<not opened>";
        std::string out;
        while (s.bytes_avail(1)) {
            out.push_back(static_cast<char>(s[0]));
            s.drop(1);
        }
        EXPECT_EQ(0, s.close_read());
        return out;
    }

    module_man mm_;
    waiter_descriptor waiter_;
    std::string root_;
};

TEST_F(PCFile, WritesAppendAndReadBack)
{
    ASSERT_TRUE(put("log", "first,"));
    ASSERT_TRUE(put("log", "second"));
    EXPECT_EQ("first,second", get("log"));
    EXPECT_TRUE(PCFile_data_stream::exists("log"));
    EXPECT_TRUE(PCFile_data_stream::remove("log"));
    EXPECT_FALSE(PCFile_data_stream::exists("log"));
    EXPECT_TRUE(events().empty());
}

TEST_F(PCFile, OpenResults)
{
    PCFile_data_stream s;
    EXPECT_EQ(PCFile_data_stream::PCF_NOT_AVAILABLE, s.open_read("missing", 1));
    EXPECT_EQ(PCFile_data_stream::PCF_REFUSED, s.close_read());
    EXPECT_EQ(PCFile_data_stream::PCF_REFUSED, s.close_write());
    EXPECT_EQ(PCFile_data_stream::PCF_OUT_OF_TRIES, s.open_write("f", 0)) << "tries 0: no attempt";
    EXPECT_FALSE(pcfExists("f"));
    ASSERT_EQ(0, s.open_write("f", 1));
    EXPECT_EQ(PCFile_data_stream::PCF_REFUSED, s.open_write("f", 1));
    ASSERT_EQ(0, s.open_read("f", 1));
    EXPECT_EQ(PCFile_data_stream::PCF_REFUSED, s.open_read("f", 1));
    EXPECT_EQ(0, s.close_read());
    EXPECT_EQ(0, s.close_write());
    pcfUnmount();
    EXPECT_EQ(PCFile_data_stream::PCF_NOT_AVAILABLE, s.open_write("f", 1));
    EXPECT_EQ(PCFile_data_stream::PCF_NOT_AVAILABLE, s.open_read("f", 1));
    EXPECT_FALSE(PCFile_data_stream::exists("f"));
}

TEST_F(PCFile, BusyStoreIsRetried)
{
    ASSERT_TRUE(put("f", "x"));
    PCFile_data_stream s;
    pcfSimulateBusy(3);
    EXPECT_EQ(PCFile_data_stream::PCF_REFUSED, s.open_read("f", 3)) << "three busy answers";
    EXPECT_FALSE(s.is_read_open());
    pcfSimulateBusy(2);
    EXPECT_EQ(0, s.open_read("f", 0)) << "no limit: retried until the store answers";
    EXPECT_EQ(0, s.close_read());
    pcfSimulateBusy(2);
    EXPECT_EQ(0, s.open_write("f", 3));
    EXPECT_EQ(0, s.close_write());
    pcfSimulateBusy(2);
    EXPECT_EQ(PCFile_data_stream::PCF_OUT_OF_TRIES, s.open_write("f", 2));
}

TEST_F(PCFile, FullStoreRefusesWritesAndTellsTheWaiters)
{
    pcfSimulateFull(true);
    PCFile_data_stream s;
    EXPECT_EQ(PCFile_data_stream::PCF_REFUSED, s.open_write("f", 1));
    EXPECT_EQ(std::vector<uint32_t>{PCFile_data_stream::EVENT_STORE_FULL}, events());
    pcfSimulateFull(false);

    pcfSetCapacity(60);
    ASSERT_EQ(0, s.open_write("f", 1));
    std::string hundred(100, 'h');
    EXPECT_EQ(-4, s._write(reinterpret_cast<const unsigned char*>(hundred.data()), 100));
    EXPECT_FALSE(s.is_write_open()) << "the file is closed";
    EXPECT_EQ(std::vector<uint32_t>{PCFile_data_stream::EVENT_STORE_FULL}, events());
    EXPECT_EQ(-4, s._write(reinterpret_cast<const unsigned char*>(hundred.data()), 1));
    EXPECT_EQ("", get("f")) << "nothing of the refused write reached the store";
}

TEST_F(PCFile, ReadsOnlyThroughTheStreamThatOpened)
{
    ASSERT_TRUE(put("a", "aaaa"));
    PCFile_data_stream reader, other;
    ASSERT_EQ(0, reader.open_read("a", 1));
    EXPECT_FALSE(other.bytes_avail(1)) << "the store's read slot belongs to reader";
    EXPECT_TRUE(reader.bytes_avail(4));
    EXPECT_EQ(0, reader.close_read());
}

TEST_F(PCFile, AtMostTenWaiters)
{
    waiter_descriptor more[10];
    for (int i = 0; i < 9; i++)
        EXPECT_TRUE(PCFile_data_stream::register_waiter(&more[i]));
    EXPECT_FALSE(PCFile_data_stream::register_waiter(&more[9]));
    for (int i = 0; i < 9; i++)
        EXPECT_TRUE(PCFile_data_stream::deregister_waiter(&more[i]));
    EXPECT_FALSE(PCFile_data_stream::deregister_waiter(&more[0]));
}

TEST_F(PCFile, CopyInPieces)
{
    std::string content;
    for (int i = 0; i < 1200; i++)
        content.push_back(static_cast<char>(i * 31));
    ASSERT_TRUE(put("src", content));
    ASSERT_TRUE(put("dst", "old content"));
    EXPECT_TRUE(PCFile_data_stream::copy("dst", "src"));
    EXPECT_EQ(content, get("dst"));
    EXPECT_EQ(content, get("src"));
    EXPECT_FALSE(PCFile_data_stream::copy("x", "missing"));
    EXPECT_FALSE(PCFile_data_stream::copy("src", "src")) << "copying onto itself";
    EXPECT_EQ(content, get("src"));
    EXPECT_TRUE(events().empty());
}

TEST_F(PCFile, CopyIntoAFullStoreFails)
{
    std::string content(1200, 'c');
    ASSERT_TRUE(put("src", content));
    pcfSetCapacity(2000);  // room for 800 of the 1200 bytes
    EXPECT_FALSE(PCFile_data_stream::copy("dst", "src"));
    EXPECT_EQ(std::vector<uint32_t>{PCFile_data_stream::EVENT_STORE_FULL}, events());
    EXPECT_FALSE(pcfExists("dst")) << "no partial copy is left behind";
    EXPECT_EQ(content, get("src"));
}

TEST_F(PCFile, IteratorWalksTheFiles)
{
    ASSERT_TRUE(put("b", "1"));
    ASSERT_TRUE(put("a", "2"));
    PCFile_data_stream::Iterator it;
    std::vector<std::string> names;
    for (const char* name = it.get_name(); name; it.next(), name = it.get_name())
        names.push_back(name);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), names);
    unsigned in_use = 0, total = 0;
    ASSERT_TRUE(PCFile_data_stream::get_free_space(in_use, total));
    EXPECT_EQ(2u, in_use);
    EXPECT_EQ(4000u, total);
}

TEST_F(PCFile, DestroyingAnOpenStreamEndsTheProcess)
{
    ASSERT_TRUE(put("f", "x"));
    EXPECT_EXIT(
        {
            PCFile_data_stream s;
            s.open_read("f", 1);
        },
        ::testing::ExitedWithCode(PCFile_data_stream::DESTROYED_OPEN_EXIT & 0xFF), "read open");
}

} // namespace

// Queued events of different kinds do not merge into one: a receiver that
// was busy hears both the failed write and the full store.
TEST_F(PCFile, DifferentEventsSurviveMerging)
{
    PCFile_data_stream::send_event(PCFile_data_stream::EVENT_WRITE_FAILED);
    PCFile_data_stream::send_event(PCFile_data_stream::EVENT_STORE_FULL);
    PCFile_data_stream::send_event(PCFile_data_stream::EVENT_STORE_FULL);
    EXPECT_EQ(events(), (std::vector<uint32_t>{PCFile_data_stream::EVENT_WRITE_FAILED,
                                               PCFile_data_stream::EVENT_STORE_FULL,
                                               PCFile_data_stream::EVENT_STORE_FULL}));
}
