#include "can/JIN_grow_message.h"
#include "can/JIN_message.h"
#include "util/Mspace.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

unsigned pool_in_use()
{
    return JIN_base_message::pool().usage().uordblks;
}

bool all_bytes(const JIN_base_message& m, unsigned char v)
{
    for (unsigned i = 0; i < m.get_length(); ++i)
        if (m[i] != v)
            return false;
    return true;
}

// Takes pool blocks until the pool refuses, and gives them back at the end.
class Exhausted_pool {
public:
    Exhausted_pool()
    {
        for (unsigned size : {4096u, 256u, 16u})
            while (void* b = JIN_base_message::pool_alloc(size))
                blocks_.push_back(b);
    }
    ~Exhausted_pool()
    {
        for (void* b : blocks_)
            JIN_base_message::pool_free(b);
    }

private:
    std::vector<void*> blocks_;
};

TEST(JIN_base_message, StorageBoundaryIsEightBytes)
{
    const unsigned before = pool_in_use();
    JIN_base_message small(8);
    EXPECT_EQ(pool_in_use(), before);
    EXPECT_FALSE(small.is_pool_owned());
    EXPECT_EQ(small.get_length(), 8u);
    EXPECT_TRUE(all_bytes(small, 0xFF));
    {
        JIN_base_message big(9);
        EXPECT_GT(pool_in_use(), before);
        EXPECT_TRUE(big.is_pool_owned());
        EXPECT_TRUE(big.is_valid());
        EXPECT_EQ(big.get_length(), 9u);
        EXPECT_TRUE(all_bytes(big, 0xFF));
    }
    EXPECT_EQ(pool_in_use(), before) << "the block went back to the pool";
}

TEST(JIN_base_message, CallerBufferIsCopiedUpToEightBytesElseAliased)
{
    unsigned char buf[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    JIN_base_message copied(buf, 8);
    JIN_base_message aliased(buf, 9);
    buf[0] = 42;
    EXPECT_EQ(copied[0], 1);
    EXPECT_EQ(aliased[0], 42);
    EXPECT_FALSE(aliased.is_pool_owned());
    EXPECT_TRUE(aliased.is_valid());
}

TEST(JIN_base_message, MoveHandsThePoolBlockOverWithoutPoolTraffic)
{
    JIN_base_message source(20);
    source.set_uint8(3, 0x33);
    const unsigned in_use = pool_in_use();
    JIN_base_message target(source, false);
    EXPECT_EQ(pool_in_use(), in_use);
    EXPECT_EQ(target.get_length(), 20u);
    EXPECT_EQ(target[3], 0x33);
    EXPECT_TRUE(target.is_pool_owned());
    EXPECT_TRUE(source.is_null());
    EXPECT_EQ(source.get_length(), 0u);
    EXPECT_FALSE(source.is_pool_owned());
}

TEST(JIN_base_message, MovingShortDataCopiesAndLeavesTheSource)
{
    unsigned char bytes[5] = {1, 2, 3, 4, 5};
    JIN_base_message source(bytes, 5);
    JIN_base_message target;
    target.move_from(source);
    EXPECT_EQ(target.get_length(), 5u);
    EXPECT_EQ(target[4], 5);
    EXPECT_TRUE(source.is_valid());
    EXPECT_EQ(source.get_length(), 5u);
}

TEST(JIN_base_message, CopyTakesItsOwnBlock)
{
    JIN_base_message a(30);
    a.set_uint8(29, 7);
    const unsigned in_use = pool_in_use();
    JIN_base_message b(a, true);
    EXPECT_GT(pool_in_use(), in_use);
    EXPECT_NE(a.get_data(), b.get_data());
    EXPECT_EQ(b[29], 7);
    b = b; // self-assignment keeps the data
    EXPECT_EQ(b[29], 7);
}

TEST(JIN_base_message, ExhaustedPoolGivesNullMessages)
{
    Exhausted_pool exhausted;
    JIN_base_message m(100);
    EXPECT_TRUE(m.is_null());
    EXPECT_EQ(m.get_length(), 0u);
    EXPECT_EQ(m.get_uint8(0), 0) << "nothing can be read from a null message";

    JIN_base_message r(4);
    EXPECT_FALSE(r.resize(100));
    EXPECT_TRUE(r.is_null());
    EXPECT_EQ(r.get_length(), 0u);

    JIN_message msg(100);
    EXPECT_TRUE(msg.is_null());
    EXPECT_EQ(msg.JIN_header::length, 0u);

    unsigned char buf[40] = {};
    JIN_base_message source(buf, 40);
    JIN_base_message copy(source, true);
    EXPECT_TRUE(copy.is_null());

    EXPECT_TRUE(JIN_base_message(8).is_valid()) << "short messages need no pool";
}

TEST(JIN_base_message, DeallocNeverLeavesALengthBeyondTheInlineBuffer)
{
    JIN_base_message m(50);
    m.dealloc();
    EXPECT_TRUE(m.is_null());
    EXPECT_LE(m.get_length(), 8u);
    EXPECT_EQ(m.get_uint8(40), 0);
    m.dealloc(); // owning nothing: only marked null
    EXPECT_TRUE(m.is_null());
}

TEST(JIN_grow_message, GrowsInsideACallersBuffer)
{
    unsigned char buf[64];
    std::memset(buf, 0xAA, sizeof buf);
    JIN_grow_message m(buf, 64);
    ASSERT_TRUE(m.set_length(0, 0));
    EXPECT_TRUE(m.set_uint16(10, 0x1234));
    EXPECT_EQ(m.get_length(), 12u);
    EXPECT_EQ(buf[10], 0x34);
    EXPECT_EQ(buf[11], 0x12);
    EXPECT_TRUE(m.set_uint8(3, 7));
    EXPECT_EQ(m.get_length(), 12u) << "a write below the length does not shorten it";
    EXPECT_EQ(buf[3], 7);
}

TEST(JIN_grow_message, EmptyCallerBufferMeansTheInlineBuffer)
{
    unsigned char buf[4] = {9, 9, 9, 9};
    JIN_grow_message m(buf, 0);
    EXPECT_TRUE(m.set_uint32(0, 0x01020304));
    EXPECT_EQ(buf[0], 9);
    EXPECT_EQ(m.get_uint32_le(0), 0x01020304u);
}

TEST(JIN_grow_message, TypedSetAndFill)
{
    JIN_grow_message m(2);
    EXPECT_TRUE(m.set<unsigned char>(4, 0x55));
    EXPECT_EQ(m.get_length(), 5u);
    EXPECT_TRUE(m.set<int>(0, -2));
    EXPECT_EQ(m.get_uint32_le(0), 0xFFFFFFFEu);
    JIN_grow_message f(2);
    f[0] = 1;
    f[1] = 2;
    EXPECT_TRUE(f.set_length(6, 0xFF));
    EXPECT_EQ(f.get_length(), 6u);
    for (unsigned i = 2; i < 6; ++i)
        EXPECT_EQ(f[i], 0xFF);
}

// Writes beyond the capacity are refused and change nothing.
TEST(JIN_grow_message, RefusesWritesBeyondItsCapacity)
{
    struct Case {
        const char* what;
        std::unique_ptr<JIN_grow_message> m;
        unsigned capacity;
    };
    static unsigned char caller[20];
    std::vector<Case> cases;
    cases.push_back({"inline", std::make_unique<JIN_grow_message>(4u), 8});
    cases.push_back({"pool block", std::make_unique<JIN_grow_message>(12u), 12});
    cases.push_back({"caller buffer", std::make_unique<JIN_grow_message>(caller, 20u), 20});
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        JIN_grow_message& m = *c.m;
        const unsigned len = m.get_length();
        EXPECT_TRUE(m.set_uint8(c.capacity - 1, 1));
        EXPECT_FALSE(m.set_uint8(c.capacity, 1));
        EXPECT_FALSE(m.set_uint16(c.capacity - 1, 1));
        EXPECT_FALSE(m.set_uint32(c.capacity - 3, 1));
        EXPECT_FALSE(m.set_uint32(0xFFFFFFFEu, 1)) << "no wrap-around";
        EXPECT_FALSE(m.set_length(c.capacity + 1, 0));
        EXPECT_EQ(m.get_length(), std::max(len, c.capacity));
    }
}

TEST(JIN_message, TransferTypeAndHeaderLengthFollowTheData)
{
    JIN_message small(3);
    EXPECT_EQ(small.type, JIN_TRANS_TX_SINGLE);
    EXPECT_EQ(small.JIN_header::length, 3u);
    JIN_message big(9);
    EXPECT_EQ(big.type, JIN_TRANS_TX_TP);
    EXPECT_EQ(big.JIN_header::length, 9u);
    big.set_length(5);
    EXPECT_EQ(big.JIN_header::length, 5u);
}

TEST(JIN_message, CopyAndMoveCarryHeaderButKeepOwnType)
{
    JIN_header h(0x1C, 0x26, 0xEF00, 3, JIN_TRANS_TX_TP, 40);
    unsigned char data[40];
    for (unsigned i = 0; i < 40; ++i)
        data[i] = static_cast<unsigned char>(i);
    JIN_message original(h, data);
    EXPECT_EQ(original.type, JIN_TRANS_TX_TP);

    JIN_message copy(original, true);
    EXPECT_EQ(copy.src, 0x1C);
    EXPECT_EQ(copy.dest, 0x26);
    EXPECT_EQ(copy.pgn, 0xEF00u);
    EXPECT_EQ(copy.prio, 3u);
    EXPECT_EQ(copy.type, JIN_TRANS_INVALID);
    EXPECT_EQ(copy.JIN_header::length, 40u);
    EXPECT_EQ(copy[39], 39);
    EXPECT_TRUE(copy.is_pool_owned());

    const unsigned in_use = pool_in_use();
    JIN_message moved(copy, false);
    EXPECT_EQ(pool_in_use(), in_use);
    EXPECT_EQ(moved.JIN_header::length, 40u);
    EXPECT_EQ(moved[39], 39);
    EXPECT_TRUE(copy.is_null());
    EXPECT_EQ(copy.JIN_header::length, 0u);
}

} // namespace
