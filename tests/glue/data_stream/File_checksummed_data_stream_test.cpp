#include "glue/data_stream/File_checksummed_data_stream.h"

#include "platform/util/Util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class Checksummed_file : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/crcfile_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir_ = tmpl;
        path_ = dir_ + "/data";
    }
    void TearDown() override { fs::remove_all(dir_); }

    bool write(const std::string& content, size_t piece = 7)
    {
        File_checksummed_data_stream s;
        if (!s.open_write(path_.c_str()))
            return false;
        for (size_t at = 0; at < content.size(); at += piece) {
            std::string part = content.substr(at, piece);
            if (s._write(reinterpret_cast<const unsigned char*>(part.data()),
                         static_cast<unsigned>(part.size())) != static_cast<int>(part.size()))
                return false;
        }
        return s.close_write();
    }
    // Reads everything the stream delivers; "<rejected>" when it does not verify.
    std::string read()
    {
        File_checksummed_data_stream s;
        if (!s.open_read(path_.c_str()))
            return "<rejected>";
        std::string out;
        while (s.bytes_avail(1)) {
            out.push_back(static_cast<char>(s[0]));
            s.drop(1);
        }
        EXPECT_TRUE(s.close_read());
        return out;
    }
    std::string file_bytes()
    {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void put_file_bytes(const std::string& bytes)
    {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
    }

    std::string dir_;
    std::string path_;
};

TEST_F(Checksummed_file, ThreeBytesGetTheSixteenByteTrailer)
{
    ASSERT_TRUE(write("abc"));
    char digits[9];
    snprintf(digits, sizeof digits, "%08X",
              static_cast<unsigned>(Util::crc32(0x5CA1AB1E, "abc", 3)));
    EXPECT_EQ(std::string("abc\n\nCRC32=") + digits, file_bytes());
    EXPECT_EQ(19u, file_bytes().size());
    EXPECT_EQ("abc", read());
}

TEST_F(Checksummed_file, ContentsRoundTrip)
{
    std::mt19937 rng(5);
    for (size_t size : {0u, 1u, 3u, 255u, 256u, 600u, 5000u}) {
        std::string content(size, '\0');
        for (char& c : content)
            c = static_cast<char>(rng() % 3 ? rng() : 0);
        ASSERT_TRUE(write(content, 1 + rng() % 300)) << size;
        EXPECT_EQ(size + 16, file_bytes().size());
        EXPECT_EQ(content, read()) << size;
    }
}

TEST_F(Checksummed_file, ContentEndingInZeroBytesVerifies)
{
    std::string content("data\0\0\0\0", 8);
    ASSERT_TRUE(write(content));
    EXPECT_EQ(content, read());
}

TEST_F(Checksummed_file, DamagedFilesAreRejected)
{
    std::string content(600, 'x');
    content[17] = 'y';
    ASSERT_TRUE(write(content));
    const std::string good = file_bytes();
    struct Case {
        const char* what;
        size_t at;
    };
    const Case cases[] = {{"first content byte", 0}, {"last content byte", 599},
                          {"first digit", 608}, {"last digit", 615}};
    for (const Case& c : cases) {
        std::string bad = good;
        bad[c.at] ^= 0x01;
        put_file_bytes(bad);
        EXPECT_EQ("<rejected>", read()) << c.what;
    }
    put_file_bytes(good.substr(0, good.size() - 3));
    EXPECT_EQ("<rejected>", read()) << "cut short";
    put_file_bytes(std::string(14, 'z'));
    EXPECT_EQ("<rejected>", read()) << "too short for a trailer";
    put_file_bytes(std::string(40, 'z'));
    EXPECT_EQ("<rejected>", read()) << "no trailer";
    put_file_bytes(good);
    EXPECT_EQ(content, read());
}

TEST_F(Checksummed_file, TheTrailerMustEndTheFile)
{
    ASSERT_TRUE(write("settings"));
    const std::string good = file_bytes();
    // Anything behind the trailer was not written through the stream,
    // whether a newline, a stray byte or a second trailer.
    const std::string behind[] = {"\n", "x", std::string(1, '\0'), "00000", "\r\n", good.substr(good.size() - 16)};
    for (const std::string& extra : behind) {
        put_file_bytes(good + extra);
        EXPECT_EQ("<rejected>", read()) << "with " << extra.size() << " bytes behind the trailer";
    }
    // The trailer starts with the content's newline.
    std::string no_newline = good;
    no_newline[no_newline.size() - 16] = 'x';
    put_file_bytes(no_newline);
    EXPECT_EQ("<rejected>", read());
    // A sign or blank in place of a digit is not a digit.
    std::string signed_digits = good;
    signed_digits[signed_digits.size() - 8] = '+';
    put_file_bytes(signed_digits);
    EXPECT_EQ("<rejected>", read());
    put_file_bytes(good);
    EXPECT_EQ("settings", read());
}

TEST_F(Checksummed_file, LowerCaseDigitsVerify)
{
    ASSERT_TRUE(write("lower"));
    std::string bytes = file_bytes();
    for (size_t i = bytes.size() - 8; i < bytes.size(); i++)
        bytes[i] = static_cast<char>(tolower(bytes[i]));
    put_file_bytes(bytes);
    EXPECT_EQ("lower", read());
}

TEST_F(Checksummed_file, MarkerWithoutContentNewlineIsRejected)
{
    // 15 bytes: the marker at the very start leaves no room for the content's newline.
    char digits[9];
    snprintf(digits, sizeof digits, "%08X", 0x5CA1AB1Eu);
    put_file_bytes(std::string("\nCRC32=") + digits);
    EXPECT_EQ("<rejected>", read());
}

TEST_F(Checksummed_file, UnfinishedFileFailsVerification)
{
    {
        File_checksummed_data_stream s;
        ASSERT_TRUE(s.open_write(path_.c_str()));
        const unsigned char data[] = {'a', 'b'};
        EXPECT_EQ(2, s._write(data, 2));
    } // destroyed without close_write: no trailer
    EXPECT_EQ(2u, file_bytes().size());
    EXPECT_EQ("<rejected>", read());
}

TEST_F(Checksummed_file, OpenFailuresAreReportedNotFatal)
{
    File_checksummed_data_stream s;
    EXPECT_FALSE(s.close_write());
    EXPECT_FALSE(s.open_write((dir_ + "/missing/dir/file").c_str()));
    EXPECT_FALSE(s.open_read((dir_ + "/missing").c_str()));
    EXPECT_FALSE(s.open_read(0)) << "descriptors cannot be verified";
}

TEST_F(Checksummed_file, ReadsStopAtTheContentEnd)
{
    ASSERT_TRUE(write("0123456789"));
    File_checksummed_data_stream s;
    ASSERT_TRUE(s.open_read(path_.c_str()));
    EXPECT_EQ(26u, s.get_length()) << "the length counts the trailer";
    EXPECT_TRUE(s.bytes_avail(4));
    EXPECT_FALSE(s.bytes_avail(11));
    EXPECT_EQ(10u, s.bytes_avail());
    unsigned char out[10];
    ASSERT_TRUE(s.get_data(out, 10));
    EXPECT_EQ(0, memcmp(out, "0123456789", 10));
}

// Damaged and random files: the reader never reads outside the file or its
// buffers (the sanitizers watch), and whatever it accepts is exactly the
// content in front of a trailer that verifies.
TEST_F(Checksummed_file, RandomAndMutatedFilesAreReadSafely)
{
    std::mt19937 rng(31);
    ASSERT_TRUE(write("settings and history"));
    const std::string good = file_bytes();
    ::testing::internal::CaptureStderr();
    for (int round = 0; round < 400; round++) {
        std::string bytes;
        if (round % 3 == 0) {
            bytes.resize(rng() % 40);
            for (char& c : bytes)
                c = "\n\0CR32=AF09x"[rng() % 13];
        } else {
            bytes = good;
            for (int e = 0; e < 1 + int(rng() % 3); e++) {
                size_t at = rng() % bytes.size();
                switch (rng() % 3) {
                case 0: bytes[at] = static_cast<char>(rng()); break;
                case 1: bytes.resize(at); break;
                default: bytes.insert(at, 1, static_cast<char>(rng() % 4)); break;
                }
                if (bytes.empty())
                    break;
            }
        }
        put_file_bytes(bytes);
        const std::string got = read();
        if (got != "<rejected>") {
            ASSERT_GE(bytes.size(), got.size() + 16) << round;
            EXPECT_EQ(bytes.compare(0, got.size(), got), 0) << round;
        }
    }
    ::testing::internal::GetCapturedStderr();
}

} // namespace
