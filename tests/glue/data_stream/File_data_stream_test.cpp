#include "glue/data_stream/File_data_stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class File_stream : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/filestream_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir_ = tmpl;
    }
    void TearDown() override
    {
        chmod(dir_.c_str(), 0700);
        fs::remove_all(dir_);
    }
    std::string dir_;
};

TEST_F(File_stream, WritesAppendAndShortReadsKeepWhatCame)
{
    std::string path = dir_ + "/f";
    for (const char* part : {"ab", "c"}) {
        File_data_stream w;
        ASSERT_TRUE(w.open_write(path.c_str()));
        EXPECT_EQ(static_cast<int>(strlen(part)),
                  w._write(reinterpret_cast<const unsigned char*>(part), strlen(part)));
        EXPECT_TRUE(w.close_write());
        EXPECT_FALSE(w.close_write());
    }
    File_data_stream r;
    EXPECT_EQ(static_cast<unsigned>(-1), r.get_length());
    EXPECT_EQ(-1, r._write(reinterpret_cast<const unsigned char*>("x"), 1));
    ASSERT_TRUE(r.open_read(path.c_str()));
    EXPECT_EQ(3u, r.get_length());
    EXPECT_FALSE(r.bytes_avail(5)) << "only 3 bytes are left";
    EXPECT_EQ(3u, r.bytes_avail());
    EXPECT_EQ('a', r[0]);
    EXPECT_EQ('c', r[2]);
    EXPECT_TRUE(r.close_read());
}

TEST_F(File_stream, MissingFileEndsTheProcess)
{
    std::string path = dir_ + "/missing";
    EXPECT_EXIT(
        {
            File_data_stream r;
            r.open_read(path.c_str());
        },
        ::testing::ExitedWithCode(File_data_stream::OPEN_READ_EXIT & 0xFF), "Error opening file");
}

TEST_F(File_stream, ExistsUnlessSurelyMissing)
{
    std::string path = dir_ + "/f";
    std::ofstream(path) << "x";
    EXPECT_TRUE(File_data_stream::exists(path.c_str()));
    EXPECT_FALSE(File_data_stream::exists((dir_ + "/none").c_str()));
    if (geteuid() != 0) {
        ASSERT_EQ(0, chmod(dir_.c_str(), 0));
        EXPECT_TRUE(File_data_stream::exists((dir_ + "/none").c_str()))
            << "an unreadable directory does not say the file is missing";
    }
}

} // namespace
