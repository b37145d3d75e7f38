#include "glue/data_stream/Byte_ring.h"
#include "glue/data_stream/Data_stream.h"
#include "glue/message/Binary_message.h"
#include "util/Debug_print.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A stream whose source hands out scripted bytes and whose sink records
// what is written (accepting at most sink_limit bytes per call).
class Scripted_stream : public Data_stream {
public:
    using Data_stream::get_data;
    bool get_data(int n) override
    {
        ++pulls;
        int got = 0;
        while (got < n && !source.empty()) {
            ring_append(source.front());
            source.pop_front();
            ++got;
        }
        return got == n;
    }
    int _write(const unsigned char* src, unsigned n) override
    {
        unsigned take = n < sink_limit ? n : sink_limit;
        sink.append(reinterpret_cast<const char*>(src), take);
        return static_cast<int>(take);
    }
    void feed(const std::string& bytes) { source.insert(source.end(), bytes.begin(), bytes.end()); }
    // Puts bytes straight into the buffer.
    unsigned buffer(const std::string& bytes)
    {
        return ring_append(reinterpret_cast<const unsigned char*>(bytes.data()),
                           static_cast<unsigned>(bytes.size()));
    }

    std::deque<char> source;
    std::string sink;
    unsigned sink_limit = ~0u;
    int pulls = 0;
};

std::string copy_front(Data_stream& s, unsigned n)
{
    std::string out(n, '\0');
    if (!s.get_data(reinterpret_cast<unsigned char*>(&out[0]), n)) {
        return "<fail>";
    }
    return out;
}

} // namespace

TEST(Byte_ring, WrapsAroundAndKeepsOrder)
{
    Byte_ring<8> ring;
    const unsigned char a[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(6u, ring.append(a, 6));
    ring.drop(5);
    const unsigned char b[9] = {10, 11, 12, 13, 14, 15, 16, 17, 18};
    EXPECT_EQ(7u, ring.append(b, 9)); // stops when full
    EXPECT_TRUE(ring.full());
    EXPECT_EQ(-1, ring.append(static_cast<unsigned char>(99)));
    unsigned char out[8];
    EXPECT_EQ(8u, ring.copy_out(out, 0, 8));
    const unsigned char expected[8] = {6, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_EQ(0, std::memcmp(out, expected, 8));
    EXPECT_EQ(3u, ring.copy_out(out, 5, 10));
    EXPECT_EQ(14, out[0]);
    EXPECT_EQ(0u, ring.copy_out(out, 8, 1));
    EXPECT_EQ(13, ring.at(4));
    ring.drop(100);
    EXPECT_TRUE(ring.empty());
}

TEST(Data_stream, CopyPullsMissingBytesAndConsumesNothing)
{
    Scripted_stream s;
    s.buffer("abc");
    s.feed("de");
    EXPECT_EQ("abcde", copy_front(s, 5));
    EXPECT_EQ(5u, s.bytes_avail());
    EXPECT_EQ("abcde", copy_front(s, 5));
    EXPECT_EQ("<fail>", copy_front(s, 6)); // the source is dry
    EXPECT_EQ(5u, s.bytes_avail());
    EXPECT_TRUE(s.bytes_avail(5));
    EXPECT_FALSE(s.bytes_avail(6));
}

TEST(Data_stream, FailingSourceLeavesTheBufferAlone)
{
    Scripted_stream s;
    s.buffer("wxyz");
    EXPECT_EQ(0, s[10]);
    EXPECT_EQ(4u, s.bytes_avail());
    EXPECT_EQ('y', s[2]);
    EXPECT_FALSE(s.drop(6));
    EXPECT_EQ(4u, s.bytes_avail());
    EXPECT_TRUE(s.drop(3));
    EXPECT_EQ('z', s[0]);
    // Requests beyond the buffer's size never reach the source.
    int pulls = s.pulls;
    EXPECT_FALSE(s.bytes_avail(Data_stream::BUFFER_SIZE + 2));
    EXPECT_EQ(0, s[Data_stream::BUFFER_SIZE + 5]);
    EXPECT_EQ(pulls, s.pulls);
}

// Asking for more bytes than the ring holds must not pull them from the
// source: what the ring cannot keep would be lost.
TEST(Data_stream, RequestsBeyondTheRingLoseNothing)
{
    Scripted_stream s;
    s.buffer("wx");
    std::string fed;
    for (unsigned i = 0; i < Data_stream::BUFFER_SIZE; i++)
        fed += static_cast<char>('a' + i % 26);
    s.feed(fed);
    EXPECT_FALSE(s.bytes_avail(Data_stream::BUFFER_SIZE + 1));
    EXPECT_TRUE(s.drop(2));
    ASSERT_TRUE(s.bytes_avail(Data_stream::BUFFER_SIZE));
    EXPECT_EQ(fed, copy_front(s, Data_stream::BUFFER_SIZE));
    EXPECT_TRUE(s.source.empty());
}

TEST(Data_stream, FullRingDropsOverflowAndRefillsAfterDrop)
{
    Scripted_stream s;
    std::string full(Data_stream::BUFFER_SIZE, 'f');
    EXPECT_EQ(Data_stream::BUFFER_SIZE, s.buffer(full));
    EXPECT_EQ(Data_stream::BUFFER_SIZE, s.bytes_avail());
    EXPECT_EQ(0u, s.buffer("more"));
    EXPECT_TRUE(s.drop(Data_stream::BUFFER_SIZE));
    EXPECT_EQ(0u, s.bytes_avail());
    EXPECT_EQ(3u, s.buffer("new"));
    EXPECT_EQ("new", copy_front(s, 3));

    // Across the wrap.
    std::string part(Data_stream::BUFFER_SIZE - 10, 'p');
    s.drop_all();
    s.buffer(part);
    s.drop(static_cast<unsigned>(part.size() - 2));
    s.buffer("0123456789ABCDEF");
    EXPECT_EQ("pp0123456789ABCDEF", copy_front(s, 18));
}

TEST(Data_stream, WritesMessagesStreamsAndText)
{
    Scripted_stream s;
    unsigned char bytes[3] = {'m', 's', 'g'};
    Binary_message m(bytes, 3);
    EXPECT_TRUE(s.write(m, true));
    EXPECT_EQ("msg\n", s.sink);

    Scripted_stream other;
    other.buffer("copied");
    EXPECT_TRUE(s.write(other));
    EXPECT_EQ(6u, other.bytes_avail());
    EXPECT_EQ("msg\ncopied", s.sink);

    s.sink.clear();
    std::string long_text(300, 'x');
    EXPECT_TRUE(s.printf("%s", long_text.c_str()));
    EXPECT_EQ(std::string(255, 'x'), s.sink);
    s.sink.clear();
    EXPECT_TRUE(s.printf("n=%d", 42));
    EXPECT_EQ("n=42", s.sink);
}

TEST(Data_stream, ShortWriteIsReported)
{
    std::string path = std::string(::testing::TempDir()) + "ds_short_write_" + std::to_string(::getpid()) + ".txt";
    Debug_print::set_debug_file(path.c_str());
    Scripted_stream s;
    s.sink_limit = 2;
    unsigned char bytes[3] = {'a', 'b', 'c'};
    Binary_message m(bytes, 3);
    EXPECT_FALSE(s.write(m, true));
    std::fflush(Debug_print::get_debug_file());
    Debug_print::set_debug_file(nullptr);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(path.c_str());
    EXPECT_EQ("Failed write len=2/3 0 1\n", text.str());
}
