#include "glue/data_stream/Posix_data_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <string>
#include <unistd.h>

namespace {
struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(0, ::pipe2(fds, O_CLOEXEC)); }
    ~Pipe()
    {
        for (int fd : fds) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    int release(int i)
    {
        int fd = fds[i];
        fds[i] = -1;
        return fd;
    }
};
} // namespace

TEST(Posix_data_stream, TimedReadKeepsWhatArrived)
{
    Pipe p;
    Posix_data_stream s(p.release(0), -1);
    ASSERT_EQ(3, ::write(p.fds[1], "abc", 3));
    s.set_read_timeout(20);
    EXPECT_FALSE(s.bytes_avail(5));
    EXPECT_EQ(3u, s.bytes_avail());
    EXPECT_TRUE(s.bytes_avail(3));
    unsigned char out[3];
    EXPECT_TRUE(s.get_data(out, 3));
    EXPECT_EQ('c', out[2]);
    EXPECT_EQ(-1, s._write(out, 3)); // no write side
}

// Asked directly for more than the buffer holds, the stream leaves the rest
// in the descriptor instead of reading and dropping it.
TEST(Posix_data_stream, FullBufferLeavesBytesInTheSource)
{
    Pipe p;
    ASSERT_GE(::fcntl(p.fds[1], F_SETPIPE_SZ, 16384), 16384);
    Posix_data_stream s(p.release(0), -1);
    s.set_read_timeout(2000); // a lost byte shows as a failed read, not a hang
    std::string sent;
    for (unsigned i = 0; i < Data_stream::BUFFER_SIZE + 10; i++)
        sent += static_cast<char>('a' + i % 26);
    ASSERT_EQ(static_cast<ssize_t>(sent.size()), ::write(p.fds[1], sent.data(), sent.size()));
    EXPECT_FALSE(s._get_data(static_cast<int>(sent.size())));
    EXPECT_EQ(Data_stream::BUFFER_SIZE, s.bytes_avail());
    EXPECT_TRUE(s.drop(Data_stream::BUFFER_SIZE));
    unsigned char rest[10];
    ASSERT_TRUE(s.get_data(rest, 10));
    EXPECT_EQ(sent.substr(Data_stream::BUFFER_SIZE), std::string(reinterpret_cast<char*>(rest), 10));
}

TEST(Posix_data_stream, TimedWriteReturnsWhatWentOut)
{
    Pipe p;
    ASSERT_GE(::fcntl(p.fds[1], F_SETPIPE_SZ, 16384), 16384);
    int capacity = ::fcntl(p.fds[1], F_GETPIPE_SZ);
    Posix_data_stream s(-1, p.release(1));
    s.set_write_timeout(20);
    std::string big(static_cast<size_t>(capacity) + 1000, 'w');
    int written = s.__write(reinterpret_cast<const unsigned char*>(big.data()),
                            static_cast<unsigned>(big.size()));
    // Stops when the pipe takes no more; exactly that much went out.
    EXPECT_GT(written, 0);
    EXPECT_LE(written, capacity);
    int queued = 0;
    ASSERT_EQ(0, ::ioctl(p.fds[0], FIONREAD, &queued));
    EXPECT_EQ(written, queued);
    EXPECT_FALSE(s.get_data(1)); // no read side
}

TEST(Posix_data_stream, SeparateDescriptorsCloseSeparately)
{
    std::string path = std::string(::testing::TempDir()) + "posix_ds_file_" + std::to_string(::getpid()) + ".txt";
    Posix_data_stream s;
    EXPECT_STREQ("DSPosix", std::string(s.get_name()).substr(0, 7).c_str());
    ASSERT_TRUE(s.open_write(path.c_str(), true, true, false));
    ASSERT_TRUE(s.open_read(path.c_str(), true));
    EXPECT_TRUE(s.printf("line %d\n", 1));
    EXPECT_FALSE(s.close());
    s.set_read_timeout(1000);
    EXPECT_TRUE(s.bytes_avail(7));
    EXPECT_EQ('1', s[5]);
    EXPECT_TRUE(s.close_read());
    EXPECT_TRUE(s.close_write());
    EXPECT_FALSE(s.close_read());

    EXPECT_FALSE(s.open("/nonexistent/dir/file", false, true, false));
    ASSERT_TRUE(s.open(path.c_str(), false, true, true));
    EXPECT_EQ(0, std::strncmp(s.get_name(), "DSPosix(0x", 10));
    EXPECT_LE(std::strlen(s.get_name()), 31u);
    Posix_data_stream::Commander commander;
    EXPECT_TRUE(s.init_commander(commander));
    EXPECT_FALSE(commander.send_break(0)); // a file is not a terminal
    EXPECT_TRUE(s.close());
    std::remove(path.c_str());
}
