// Frames from peers that bend the transport rules the stack accepts: what it
// takes in, it must deliver.
#include "tests/can/Stack_test_bus.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr unsigned char US = 0x1C, PEER = 0x26;
constexpr unsigned PGN_P = 0xEF00; // proprietary A, PDU1

std::vector<unsigned> bytes_of(const JIN_packet& f) { return {f.data, f.data + f.length}; }

// An announcement of a PDU1 PGN with the destination in its PS byte passes
// the stack's registration check: the transfer must then reach the reader
// of the PGN (not be acknowledged to the sender and dropped), and the
// connection frames answer with the bytes the sender announced.
TEST(JIN_stack_bus_input, Pdu1PgnAnnouncedWithADestinationByteReachesItsReader)
{
    Stack_rig rig(US);
    ASSERT_EQ(1, rig.stack.register_pgn(PGN_P, &rig.module[0], nullptr));
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {16, 10, 0, 2, 0xFF, US, 0xEF, 0})});
    auto sent = rig.bus.take_sent();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ((std::vector<unsigned>{17, 2, 1, 0xFF, 0xFF, US, 0xEF, 0}), bytes_of(sent[0]));

    rig.inject({j1939_frame(6, 0xEB00, US, PEER, {1, 0, 1, 2, 3, 4, 5, 6}),
                j1939_frame(6, 0xEB00, US, PEER, {2, 7, 8, 9, 0xFF, 0xFF, 0xFF, 0xFF})});
    sent = rig.bus.take_sent();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ((std::vector<unsigned>{19, 10, 0, 2, 0xFF, US, 0xEF, 0}), bytes_of(sent[0]));

    waiter_event ev = Stack_rig::next_event(rig.module[0]);
    EXPECT_EQ(rig.stack.event_ids().rx, ev.module_id);
    EXPECT_EQ(PGN_P, ev.data);
    JIN_header h;
    unsigned char buf[16];
    ASSERT_EQ(0, rig.stack.read(PGN_P, h, buf, sizeof buf, sizeof buf, &rig.module[0]));
    EXPECT_EQ(PGN_P, h.pgn);
    EXPECT_EQ(10u, h.length);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(i, buf[i]);
    EXPECT_TRUE(rig.stack.is_empty());
}

} // namespace
