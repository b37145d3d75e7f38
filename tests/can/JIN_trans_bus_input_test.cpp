// Receptions fed with frame sequences that a real bus produces but the
// happy-path tests do not: a sender that begins a new message under a
// sequence id still in use.
#include "can/JIN_trans.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr unsigned char PEER = 0x26;
constexpr unsigned FAST_PGN = 129029;

JIN_packet fast_frame(unsigned char head, std::vector<unsigned char> data)
{
    JIN_packet f;
    f.set_extended_id(3, FAST_PGN, 255, PEER);
    f.length = 8;
    f.data[0] = head;
    for (size_t i = 0; i < 7; ++i)
        f.data[i + 1] = i < data.size() ? data[i] : 0xFF;
    return f;
}

std::vector<unsigned char> read_all(const JIN_trans& t)
{
    JIN_header h;
    std::vector<unsigned char> buf(t.get_header().length);
    EXPECT_EQ(0, t.read(h, buf.data(), static_cast<unsigned>(buf.size())).get_error());
    return buf;
}

// A first frame under the sequence id of a message still being received
// starts that message afresh: its length and bytes replace the old ones, and
// the frames after it are never joined to the old message's first bytes.
TEST(JIN_trans_bus_input, FirstFrameUnderTheSameSequenceIdRestartsTheFastPacket)
{
    JIN_trans t;
    // Sequence id 1: a 20-byte message whose third frame never comes.
    t.put_packet(fast_frame(0x20, {20, 0, 1, 2, 3, 4, 5}), true);
    t.put_packet(fast_frame(0x21, {6, 7, 8, 9, 10, 11, 12}), true);

    // The sender begins a 10-byte message under the same id.
    JIN_msg_ret r = t.put_packet(fast_frame(0x20, {10, 90, 91, 92, 93, 94, 95}), true);
    EXPECT_EQ(0, r.get_error());
    EXPECT_TRUE(r.is_timeout_changed());
    EXPECT_EQ(JIN_trans::T_FAST_GAP, r.get_timeout_ms());
    r = t.put_packet(fast_frame(0x21, {96, 97, 98, 99}), true);
    ASSERT_EQ(JIN_GROUP_RX_COMPLETE, r.get_group());
    EXPECT_EQ((std::vector<unsigned char>{90, 91, 92, 93, 94, 95, 96, 97, 98, 99}), read_all(t));

    // A short message that fits its first frame completes at once.
    JIN_trans s;
    s.put_packet(fast_frame(0x40, {20, 0, 1, 2, 3, 4, 5}), true);
    r = s.put_packet(fast_frame(0x40, {3, 7, 8, 9}), true);
    ASSERT_EQ(JIN_GROUP_RX_COMPLETE, r.get_group());
    EXPECT_EQ((std::vector<unsigned char>{7, 8, 9}), read_all(s));

    // A first frame announcing too much ends the reception cleanly.
    JIN_trans u;
    u.put_packet(fast_frame(0x60, {20, 0, 1, 2, 3, 4, 5}), true);
    r = u.put_packet(fast_frame(0x60, {224, 0, 1, 2, 3, 4, 5}), true);
    EXPECT_EQ(JIN_ERR_BAD_LENGTH, r.get_error());
    EXPECT_EQ(JIN_GROUP_FINISHED, r.get_group());
    EXPECT_TRUE(u.is_idle());
}

} // namespace
