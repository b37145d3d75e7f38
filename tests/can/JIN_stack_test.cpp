#include "tests/can/Stack_test_bus.h"
#include "tests/support/debug_capture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr unsigned char US = 0x1C, PEER = 0x26, OTHER = 0x30;
constexpr unsigned PGN_A = 0xFECA, PGN_B = 0xFEDA;

std::vector<unsigned char> bytes_of(const JIN_packet& f) { return {f.data, f.data + f.length}; }

TEST(JIN_stack, AnswersAnUnservedRequestToUsWithANackAndAGlobalOneWithSilence)
{
    Stack_rig rig(US);
    // A request to us for a PGN nobody serves.
    rig.inject({j1939_frame(6, 0xEA00, US, PEER, {0xCA, 0xFE, 0x00})});
    auto sent = rig.bus.take_sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].get_pgn(), 0xE800u);
    EXPECT_EQ(sent[0].get_src(), US);
    EXPECT_EQ(sent[0].get_dest(), PEER);  // back to the requester
    EXPECT_EQ(sent[0].get_prio(), 6u);
    EXPECT_EQ(bytes_of(sent[0]),
              (std::vector<unsigned char>{1, 0xFF, 0xFF, 0xFF, PEER, 0xCA, 0xFE, 0x00}));

    // The same request to everybody, or to another node: no answer.
    rig.inject({j1939_frame(6, 0xEA00, 0xFF, PEER, {0xCA, 0xFE, 0x00}),
                j1939_frame(6, 0xEA00, OTHER, PEER, {0xCA, 0xFE, 0x00})});
    EXPECT_TRUE(rig.bus.take_sent().empty());

    // Served requests reach the service and get no NACK.
    short id = 0;
    ASSERT_EQ(rig.stack.register_pgn(PGN_A, &rig.module[0], &id, JIN_PGN::REQUEST), 1);
    EXPECT_EQ(id, rig.stack.event_ids().request);
    rig.inject({j1939_frame(6, 0xEA00, US, PEER, {0xCA, 0xFE, 0x00})});
    EXPECT_TRUE(rig.bus.take_sent().empty());
    waiter_event ev = Stack_rig::next_event(rig.module[0]);
    EXPECT_EQ(ev.module_id, rig.stack.event_ids().request);
    EXPECT_EQ(ev.data, PGN_A);
    JIN_header h;
    unsigned char buf[8];
    EXPECT_EQ(rig.stack.read(PGN_A, h, buf, 8, 8, &rig.module[0], JIN_PGN::REQUEST), 0);
    EXPECT_EQ(h.src, PEER);
    EXPECT_EQ(h.pgn, 0xEA00u);
    EXPECT_TRUE(rig.stack.is_empty());
}

TEST(JIN_stack, EveryReaderReadsOnceThenTheMessageIsFreed)
{
    Stack_rig rig(US);
    for (auto& w : rig.module) ASSERT_EQ(rig.stack.register_pgn(PGN_A, &w, nullptr), 1);
    rig.inject({j1939_frame(3, PGN_A, 0xFF, PEER, {1, 2, 3, 4, 5, 6, 7, 8})});
    for (auto& w : rig.module) {
        waiter_event ev = Stack_rig::next_event(w);
        EXPECT_EQ(ev.module_id, rig.stack.event_ids().rx);
        EXPECT_EQ(ev.data, PGN_A);
    }
    JIN_header h;
    unsigned char buf[8];
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(rig.stack.is_empty());
        ASSERT_EQ(rig.stack.read(PGN_A, h, buf, 8, 8, &rig.module[i]), 0);
        EXPECT_EQ(rig.stack.read(PGN_A, h, buf, 8, 8, &rig.module[i]), -1) << "read twice";
        EXPECT_EQ(h.length, 8u);
        EXPECT_EQ(buf[7], 8);
    }
    EXPECT_TRUE(rig.stack.is_empty());
    EXPECT_TRUE(rig.stack.is_sane());
}

TEST(JIN_stack, ShortBufferKeepsTheMessageAndLongMessagesAreSkipped)
{
    Stack_rig rig(US);
    ASSERT_EQ(rig.stack.register_pgn(PGN_A, &rig.module[0], nullptr), 1);
    ASSERT_EQ(rig.stack.register_pgn(PGN_A, &rig.module[1], nullptr), 1);
    rig.inject({j1939_frame(3, PGN_A, 0xFF, PEER, {1, 2, 3, 4, 5, 6})});
    JIN_header h;
    unsigned char buf[8] = {};
    EXPECT_EQ(rig.stack.read(PGN_A, h, buf, 4, 8, &rig.module[0]), -89);
    EXPECT_EQ(rig.stack.read(PGN_A, h, buf, 8, 8, &rig.module[0]), 0);
    EXPECT_EQ(buf[5], 6);
    // Longer than this reader takes: skipped for it, and then gone.
    EXPECT_EQ(rig.stack.read(PGN_A, h, buf, 8, 5, &rig.module[1]), -1);
    EXPECT_TRUE(rig.stack.is_empty());
}

TEST(JIN_stack, KeepsThePoolAndPriorityLimits)
{
    Stack_rig rig(US);
    rig.bus.space = 0;  // nothing leaves: every message stays held
    const unsigned char d[1] = {0};
    int queued = 0;
    for (; queued < 69; ++queued) ASSERT_EQ(rig.stack.write(US, PEER, PGN_A, 3, 1, d, 1, nullptr, 0), 0);
    EXPECT_EQ(rig.stack.write(US, PEER, PGN_A, 3, 1, d, 1, nullptr, 0), -11) << "70th at one priority";
    for (; queued < 100; ++queued) ASSERT_EQ(rig.stack.write(US, PEER, PGN_A, 4, 1, d, 1, nullptr, 0), 0);
    EXPECT_EQ(rig.stack.write(US, PEER, PGN_A, 5, 1, d, 1, nullptr, 0), -12) << "101st";
    EXPECT_TRUE(rig.stack.is_sane());

    // A full pool holds back what arrives, and takes it once frames can
    // leave.
    ASSERT_EQ(rig.stack.register_pgn(PGN_B, &rig.module[0], nullptr), 1);
    rig.inject({j1939_frame(3, PGN_B, 0xFF, PEER, {1})});
    EXPECT_EQ(Stack_rig::next_event(rig.module[0]).module_id, 0);
    rig.bus.space = 16;
    rig.pump();
    EXPECT_EQ(rig.bus.take_sent().size(), 100u);
    rig.pump(); // the stack's own wake-up once room was made
    EXPECT_EQ(Stack_rig::next_event(rig.module[0]).module_id, rig.stack.event_ids().rx);
    EXPECT_EQ(rig.stack.rx_dropped(), 0u);
}

TEST(JIN_stack, RejectsBadWrites)
{
    Stack_rig rig(US);
    const unsigned char d[16] = {};
    EXPECT_EQ(rig.stack.write(US, PEER, PGN_A, 8, 1, d, 1, nullptr, 0), -1) << "priority 8";
    EXPECT_EQ(rig.stack.write(US, PEER, PGN_A, 3, 16, d, 8, nullptr, 0), -1) << "short data, no waiter";
    EXPECT_EQ(rig.stack.write(US, PEER, PGN_A, 3, 4, nullptr, 4, nullptr, 0), -1) << "no data";
    EXPECT_EQ(rig.stack.write(US, 0xFF, PGN_A, 3, 1786, d, 0, &rig.module[0], 0), -40)
        << "ETP to everybody";
    EXPECT_EQ(rig.stack.register_pgn(0xEA00, &rig.module[0], nullptr), -1);
    EXPECT_EQ(rig.stack.register_pgn(0x1ED00, &rig.module[0], nullptr), -1);
    EXPECT_EQ(rig.stack.deregister_pgn(PGN_A, &rig.module[0]), -1);
    JIN_header h;
    JIN_header ok(US, PEER, PGN_A, 3, JIN_TRANS_TX_SINGLE, 9);
    EXPECT_EQ(rig.stack.write_now(ok, d, 9), -22);
    EXPECT_TRUE(rig.stack.is_empty());
}

// Drives one TP transfer of ours to the peer as the peer would.
void peer_accepts_transfer(Stack_rig& rig, unsigned len, unsigned pgn)
{
    auto sent = rig.bus.take_sent();
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].get_pgn(), 0xEC00u);
    ASSERT_EQ(sent[0].data[0], 16) << "RTS";
    const unsigned char packets = (len + 6) / 7;
    rig.inject({j1939_frame(6, 0xEC00, US, PEER,
                            {17, packets, 1, 0xFF, 0xFF, uint8_t(pgn), uint8_t(pgn >> 8), 0})});
    sent = rig.bus.take_sent();
    ASSERT_EQ(sent.size(), packets);
    for (const auto& f : sent) EXPECT_EQ(f.get_pgn(), 0xEB00u);
    rig.inject({j1939_frame(6, 0xEC00, US, PEER,
                            {19, uint8_t(len), uint8_t(len >> 8), packets, 0xFF, uint8_t(pgn),
                             uint8_t(pgn >> 8), 0})});
}

TEST(JIN_stack, SecondMultiPacketMessageToAPeerWaitsForTheFirst)
{
    Stack_rig rig(US);
    std::vector<unsigned char> d(100, 0x5A);
    ASSERT_EQ(rig.stack.write(US, PEER, 0xEF00, 6, 100, d.data(), 100, &rig.module[0], 1), 0);
    ASSERT_EQ(rig.stack.write(US, PEER, 0xEF00, 6, 100, d.data(), 100, &rig.module[0], 2), 0);
    // One to another peer is not held back.
    ASSERT_EQ(rig.stack.write(US, OTHER, 0xEF00, 6, 100, d.data(), 100, &rig.module[1], 3), 0);
    auto sent = rig.bus.take_sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].get_dest(), PEER);
    EXPECT_EQ(sent[1].get_dest(), OTHER);
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {17, 15, 1, 0xFF, 0xFF, 0x00, 0xEF, 0})});
    rig.bus.take_sent();

    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {19, 100, 0, 15, 0xFF, 0x00, 0xEF, 0})});
    waiter_event ev = Stack_rig::next_event(rig.module[0]);
    EXPECT_EQ(ev.module_id, rig.stack.event_ids().tx_finished);
    EXPECT_EQ(int32_t(ev.data), 1);
    // Now the second one starts.
    peer_accepts_transfer(rig, 100, 0xEF00);
    ev = Stack_rig::next_event(rig.module[0]);
    EXPECT_EQ(ev.module_id, rig.stack.event_ids().tx_finished);
    EXPECT_EQ(int32_t(ev.data), 2);
    EXPECT_EQ(Stack_rig::next_event(rig.module[0]).module_id, 0);
}

// A module that goes while its transfers are under way: the stack forgets
// it, and what the peers answer afterwards reaches no one (its receiver is
// freed, so the sanitizer sees any event still sent to it). A transfer under
// way, one held behind it, one still waiting for bytes of its sender that
// the peer aborts; the module that stays hears of its own.
TEST(JIN_stack, ASenderThatGoesHearsNothingOfItsTransfersAfterwards)
{
    Stack_rig rig(US);
    auto going = std::make_unique<waiter_descriptor>();
    going->init(&rig.mm);
    std::vector<unsigned char> d(100, 0x5A);
    ASSERT_EQ(rig.stack.write(US, PEER, 0xEF00, 6, 100, d.data(), 100, going.get(), 1), 0);
    ASSERT_EQ(rig.stack.write(US, PEER, 0xEF00, 6, 100, d.data(), 100, going.get(), 2), 0);
    ASSERT_EQ(rig.stack.write(US, OTHER, 0xEF00, 6, 100, d.data(), 20, going.get(), 3), 0);
    ASSERT_EQ(rig.stack.write(US, PEER, 0xEF00, 6, 100, d.data(), 100, &rig.module[0], 4), 0);
    EXPECT_EQ(rig.stack.forget_waiter(going.get()), 3);
    going.reset();
    EXPECT_EQ(rig.bus.take_sent().size(), 2u) << "the RTS to each peer";

    rig.inject({j1939_frame(6, 0xEC00, US, OTHER, {255, 1, 0xFF, 0xFF, 0xFF, 0x00, 0xEF, 0})});
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {17, 15, 1, 0xFF, 0xFF, 0x00, 0xEF, 0})});
    EXPECT_EQ(rig.bus.take_sent().size(), 15u);
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {19, 100, 0, 15, 0xFF, 0x00, 0xEF, 0})});
    peer_accepts_transfer(rig, 100, 0xEF00);
    peer_accepts_transfer(rig, 100, 0xEF00);

    waiter_event ev = Stack_rig::next_event(rig.module[0]);
    EXPECT_EQ(ev.module_id, rig.stack.event_ids().tx_finished);
    EXPECT_EQ(int32_t(ev.data), 4);
    EXPECT_EQ(Stack_rig::next_event(rig.module[0]).module_id, 0);
    EXPECT_TRUE(rig.stack.is_empty());
    EXPECT_TRUE(rig.stack.is_sane());
}

// Notifications of different messages to one receiver are separate events,
// even when the receiver has not taken the first yet.
TEST(JIN_stack, NotificationsOfDifferentMessagesAreNotMergedIntoOne)
{
    Stack_rig rig(US);
    ASSERT_EQ(rig.stack.register_pgn(PGN_A, &rig.module[0], nullptr), 1);
    ASSERT_EQ(rig.stack.register_pgn(PGN_B, &rig.module[0], nullptr), 1);
    rig.inject({j1939_frame(3, PGN_A, 0xFF, PEER, {1}), j1939_frame(3, PGN_B, 0xFF, PEER, {2}),
                j1939_frame(3, PGN_A, 0xFF, PEER, {3})});
    std::vector<uint32_t> told;
    for (waiter_event ev; (ev = Stack_rig::next_event(rig.module[0])).module_id != 0;)
        told.push_back(ev.data);
    EXPECT_EQ(told, (std::vector<uint32_t>{PGN_A, PGN_A, PGN_B}));
    JIN_header h;
    unsigned char buf[8];
    for (uint32_t pgn : told) EXPECT_EQ(rig.stack.read(pgn, h, buf, 8, 8, &rig.module[0]), 0);
    EXPECT_TRUE(rig.stack.is_empty());
}

// A new RTS from the same source while a reception is under way replaces it.
// A burst beyond the limit of unread messages is not lost: reading from the
// bus pauses (the bus holds the frames) until the readers read, and every
// reader event still stands for one message.
TEST(JIN_stack, PausesReadingWhileTheReadersAreBehind)
{
    Stack_rig rig(US);
    ASSERT_EQ(rig.stack.register_pgn(PGN_B, &rig.module[0], nullptr), 1);
    for (int i = 0; i < 100; ++i) rig.bus.rx.push_back(j1939_frame(6, PGN_B, 0xFF, PEER, {uint8_t(i)}));
    rig.pump();
    EXPECT_EQ(rig.stack.held_rx(6), 69);
    EXPECT_EQ(rig.bus.rx.size(), 20u) << "the rest waits in the bus (and in the batch in hand)";
    JIN_header h;
    unsigned char buf[8];
    int got = 0;
    while (got < 100) {
        waiter_event ev = Stack_rig::next_event(rig.module[0]);
        if (ev.module_id == 0) {
            rig.pump(); // the stack's own wake-up once a reader made room
            ev = Stack_rig::next_event(rig.module[0]);
            ASSERT_NE(ev.module_id, 0) << "after " << got;
        }
        ASSERT_EQ(ev.module_id, rig.stack.event_ids().rx);
        ASSERT_EQ(rig.stack.read(PGN_B, h, buf, 8, 8, &rig.module[0]), 0);
        EXPECT_EQ(buf[0], got) << "in order";
        ++got;
    }
    EXPECT_EQ(rig.stack.rx_dropped(), 0u);
    EXPECT_TRUE(rig.stack.is_empty());
}

// A reader that stops reading costs the bus one pause: after it ran out,
// its priority drops what finds no room, and reads by other readers do not
// bring the pause back (each would hold every frame behind it, a claim or a
// transfer of another peer among them). Once the reader has caught up, a
// burst is paused for again.
TEST(JIN_stack, AReaderThatStopsReadingPausesTheBusOnlyOnce)
{
    Stack_rig rig(US);
    waiter_descriptor& stuck = rig.module[0];
    waiter_descriptor& live = rig.module[1];
    rig.stack.set_rx_stall_limit(1);
    ASSERT_EQ(rig.stack.register_pgn(PGN_B, &stuck, nullptr), 1);
    ASSERT_EQ(rig.stack.register_pgn(PGN_A, &live, nullptr), 1);
    auto fill = [&](int n) {
        for (int i = 0; i < n; ++i) rig.bus.rx.push_back(j1939_frame(6, PGN_B, 0xFF, PEER, {0}));
        rig.pump();
    };
    JIN_header h;
    unsigned char buf[8];
    // True when the live reader was told of its message at once and read it.
    auto live_reads = [&](unsigned char value) {
        if (Stack_rig::next_event(live).module_id != rig.stack.event_ids().rx) return false;
        return rig.stack.read(PGN_A, h, buf, 8, 8, &live) == 0 && buf[0] == value;
    };
    fill(69);
    ASSERT_EQ(rig.stack.held_rx(6), 69);

    rig.inject({j1939_frame(6, PGN_B, 0xFF, PEER, {0}), j1939_frame(3, PGN_A, 0xFF, PEER, {1})});
    EXPECT_FALSE(live_reads(1)) << "paused for the stuck reader";
    rig.run_timeouts_after(3);
    EXPECT_TRUE(live_reads(1));
    EXPECT_EQ(rig.stack.rx_dropped(), 1u);

    for (unsigned char i = 2; i < 6; ++i) {
        rig.inject({j1939_frame(6, PGN_B, 0xFF, PEER, {0}), j1939_frame(3, PGN_A, 0xFF, PEER, {i})});
        ASSERT_TRUE(live_reads(i)) << "no new pause after a read of another reader, " << int(i);
        EXPECT_EQ(rig.stack.rx_dropped(), i);
    }

    // The stuck reader reads half of what it holds: bursts are paused for again.
    for (int i = 0; i < 35; ++i) ASSERT_EQ(rig.stack.read(PGN_B, h, buf, 8, 8, &stuck), 0);
    fill(35);
    rig.inject({j1939_frame(6, PGN_B, 0xFF, PEER, {0}), j1939_frame(3, PGN_A, 0xFF, PEER, {9})});
    EXPECT_FALSE(live_reads(9));
    ASSERT_EQ(rig.stack.read(PGN_B, h, buf, 8, 8, &stuck), 0);
    rig.pump();
    EXPECT_TRUE(live_reads(9));
    EXPECT_EQ(rig.stack.rx_dropped(), 5u);
}

// While a priority holds the limit of unread messages, only frames that
// need room wait for its readers: the packets of a transfer under way and
// frames for other nodes or of no interest go on.
TEST(JIN_stack, FramesThatNeedNoRoomPassWhileAPriorityIsFull)
{
    Stack_rig rig(US);
    ASSERT_EQ(rig.stack.register_pgn(PGN_B, &rig.module[0], nullptr), 1);
    ASSERT_EQ(rig.stack.register_pgn(0xEF00, &rig.module[1], nullptr), 1);
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {16, 16, 0, 3, 0xFF, 0x00, 0xEF, 0x00})});
    ASSERT_EQ(rig.bus.take_sent().at(0).data[0], 17) << "clear to send";
    for (int i = 0; i < 68; ++i) rig.bus.rx.push_back(j1939_frame(6, PGN_B, 0xFF, PEER, {0}));
    rig.pump();
    ASSERT_EQ(rig.stack.held_rx(6), 69) << "the transfer and the unread messages";

    rig.inject({j1939_frame(6, 0xEF00, OTHER, PEER, {1, 2, 3}),
                j1939_frame(6, 0xFEEE, 0xFF, PEER, {1, 2, 3}),
                j1939_frame(6, 0xEB00, US, PEER, {1, 1, 1, 1, 1, 1, 1, 1}),
                j1939_frame(6, 0xEB00, US, PEER, {2, 2, 2, 2, 2, 2, 2, 2}),
                j1939_frame(6, 0xEB00, US, PEER, {3, 3, 3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})});
    EXPECT_TRUE(rig.bus.rx.empty());
    waiter_event ev = Stack_rig::next_event(rig.module[1]);
    EXPECT_EQ(ev.module_id, rig.stack.event_ids().rx);
    JIN_header h;
    unsigned char buf[16];
    ASSERT_EQ(rig.stack.read(0xEF00, h, buf, 16, 16, &rig.module[1]), 0);
    EXPECT_EQ(h.length, 16u);
    EXPECT_EQ(rig.stack.rx_dropped(), 0u);
}

// Reader events are held while a batch of frames is processed, and the
// stack lets other threads in between its bus reads. A reader that
// deregisters in between (a module shutting down) is told nothing more:
// its receiver may be gone by the time the held events would be sent.
TEST(JIN_stack, AReaderThatDeregistersWhileABatchIsProcessedIsToldNothingMore)
{
    struct Bus : Stack_test_bus {
        int reads = 0;
        std::function<void()> on_second_read;
        int read(CAN_packet* frames, int max) override
        {
            if (++reads == 2 && on_second_read) on_second_read();
            return Stack_test_bus::read(frames, max);
        }
    };
    module_man mm;
    Bus bus;
    JIN_stack stack;
    waiter_descriptor leaving, staying;
    leaving.init(&mm);
    staying.init(&mm);
    stack.open(bus, &mm);
    stack.register_address(US);
    ASSERT_EQ(stack.register_pgn(PGN_A, &leaving, nullptr), 1);
    ASSERT_EQ(stack.register_pgn(PGN_B, &staying, nullptr), 1);
    for (int i = 0; i < JIN_stack::RX_BATCH; ++i) {
        bus.rx.push_back(j1939_frame(6, PGN_A, 0xFF, PEER, {uint8_t(i)}));
        bus.rx.push_back(j1939_frame(6, PGN_B, 0xFF, PEER, {uint8_t(i)}));
    }
    bus.reads = 0;
    // What another thread does while the stack has let go of its lock.
    bus.on_second_read = [&] {
        stack.unlock();
        EXPECT_EQ(stack.deregister_pgn(PGN_A, &leaving), 1);
        stack.lock(-1);
    };
    {
        waiter_event wake(1, 0, 1);
        Diner::Protection p(stack);
        stack.handle_event(wake);
    }
    EXPECT_EQ(Stack_rig::next_event(leaving).module_id, 0);
    EXPECT_EQ(Stack_rig::next_event(staying).module_id, stack.event_ids().rx);
    EXPECT_TRUE(stack.is_sane());
}

// Received messages beyond the limit of unread ones are counted, never lost
// silently; an RTS the stack has no room for is refused at once with the
// abort for lack of resources instead of leaving the sender to its time-out.
TEST(JIN_stack, CountsDroppedMessagesAndRefusesAnRtsItHasNoRoomFor)
{
    Stack_rig rig(US);
    rig.stack.set_rx_stall_limit(0); // no pause for the readers
    ASSERT_EQ(rig.stack.register_pgn(PGN_B, &rig.module[0], nullptr), 1);
    ASSERT_EQ(rig.stack.register_pgn(0xEF00, &rig.module[0], nullptr), 1);
    for (int i = 0; i < 69; ++i) rig.inject({j1939_frame(6, PGN_B, 0xFF, PEER, {uint8_t(i)})});
    EXPECT_EQ(rig.stack.rx_dropped(), 0u);
    rig.inject({j1939_frame(6, PGN_B, 0xFF, PEER, {69}), j1939_frame(6, PGN_B, 0xFF, PEER, {70})});
    EXPECT_EQ(rig.stack.rx_dropped(), 2u);
    EXPECT_TRUE(rig.bus.take_sent().empty());

    for (unsigned pgn_cm : {0xEC00u, 0xC800u}) {
        const unsigned char rts = pgn_cm == 0xEC00u ? 16 : 20;
        rig.inject({j1939_frame(6, pgn_cm, US, PEER, {rts, 0x00, 0x10, 0, 0, 0x00, 0xEF, 0})});
        auto sent = rig.bus.take_sent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].get_pgn(), pgn_cm);
        EXPECT_EQ(sent[0].get_src(), US);
        EXPECT_EQ(sent[0].get_dest(), PEER);
        EXPECT_EQ(bytes_of(sent[0]),
                  (std::vector<unsigned char>{255, 1, 0xFF, 0xFF, 0xFF, 0x00, 0xEF, 0x00}));
    }
    EXPECT_EQ(rig.stack.rx_dropped(), 4u);

    // Once a message is read there is room again.
    JIN_header h;
    unsigned char buf[8];
    ASSERT_EQ(rig.stack.read(PGN_B, h, buf, 8, 8, &rig.module[0]), 0);
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {16, 20, 0, 3, 0xFF, 0x00, 0xEF, 0})});
    EXPECT_EQ(rig.bus.take_sent().at(0).data[0], 17) << "clear to send";
    EXPECT_EQ(rig.stack.rx_dropped(), 4u);
}

// Drops are reported at most once a second; the ones after a report are
// reported when that second is over even when no frame comes any more.
TEST(JIN_stack, DropsAfterAReportAreReportedOnceTheSecondIsOver)
{
    Debug_capture debug("jin_stack_drops.txt");
    Stack_rig rig(US);
    rig.stack.set_rx_stall_limit(0);
    ASSERT_EQ(rig.stack.register_pgn(PGN_B, &rig.module[0], nullptr), 1);
    for (int i = 0; i < 69; ++i) rig.bus.rx.push_back(j1939_frame(6, PGN_B, 0xFF, PEER, {0}));
    rig.pump();
    rig.inject({j1939_frame(6, PGN_B, 0xFF, PEER, {0})});
    EXPECT_NE(debug.text().find("1 received messages dropped, readers too slow (1 in all)"),
              std::string::npos);
    rig.inject({j1939_frame(6, PGN_B, 0xFF, PEER, {0}), j1939_frame(6, PGN_B, 0xFF, PEER, {0})});
    EXPECT_EQ(debug.text().find("(3 in all)"), std::string::npos) << "not within the second";
    rig.run_timeouts_after(1100);
    EXPECT_NE(debug.text().find("2 received messages dropped, readers too slow (3 in all)"),
              std::string::npos);
}

// A periodic message that still waits to go out (behind a long transfer, or
// for bus room) is replaced by the newer one: only the latest goes out, and
// as soon as the way is free.
TEST(JIN_stack, APeriodicMessageStillWaitingIsReplacedByTheNewerOne)
{
    Stack_rig rig(US);
    ASSERT_TRUE(rig.stack.set_periodic(PGN_A));
    const std::vector<unsigned char> big(100, 0x55);
    ASSERT_EQ(rig.stack.write(US, PEER, 0xEF00, 6, 100, big.data(), 100, nullptr, 1), 0);
    ASSERT_EQ(rig.bus.take_sent().at(0).data[0], 16) << "request to send";
    waiter_descriptor& sender = rig.module[1];
    for (unsigned char i = 1; i <= 20; ++i) {
        const unsigned char d[10] = {i, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        ASSERT_EQ(rig.stack.write(US, PEER, PGN_A, 6, 10, d, 10, &sender, i), 0) << int(i);
    }
    EXPECT_EQ(rig.stack.held_tx(6), 2) << "the transfer under way and one waiting";
    for (int i = 1; i < 20; ++i) {
        waiter_event ev = Stack_rig::next_event(sender);
        EXPECT_EQ(ev.module_id, rig.stack.event_ids().tx_finished);
        EXPECT_EQ(ev.code, -i) << "the replaced one did not go";
    }

    // The long transfer ends: the newest starts at once.
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {17, 15, 1, 0xFF, 0xFF, 0x00, 0xEF, 0x00})});
    EXPECT_EQ(rig.bus.take_sent().size(), 15u);
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {19, 100, 0, 15, 0xFF, 0x00, 0xEF, 0x00})});
    auto sent = rig.bus.take_sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(bytes_of(sent[0]), (std::vector<unsigned char>{16, 10, 0, 2, 0xFF, 0xCA, 0xFE, 0x00}));
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {17, 2, 1, 0xFF, 0xFF, 0xCA, 0xFE, 0x00})});
    sent = rig.bus.take_sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].data[1], 20) << "the newest";

    // A single frame waiting for bus room is replaced the same way; other
    // PGNs queue as ever.
    rig.bus.space = 0;
    for (unsigned char i = 1; i <= 3; ++i) {
        const unsigned char d[1] = {i};
        ASSERT_EQ(rig.stack.write(US, 0xFF, PGN_A, 3, 1, d, 1, nullptr, 1), 0);
        ASSERT_EQ(rig.stack.write(US, 0xFF, PGN_B, 3, 1, d, 1, nullptr, 1), 0);
    }
    EXPECT_EQ(rig.stack.held_tx(3), 4);
    rig.bus.space = 16;
    rig.pump();
    sent = rig.bus.take_sent();
    ASSERT_EQ(sent.size(), 4u);
    int pgn_a = 0;
    for (const auto& f : sent)
        if (f.get_pgn() == PGN_A) {
            ++pgn_a;
            EXPECT_EQ(f.data[0], 3);
        }
    EXPECT_EQ(pgn_a, 1);
}

TEST(JIN_stack, NewRtsReplacesTheReceptionUnderWay)
{
    Stack_rig rig(US);
    ASSERT_EQ(rig.stack.register_pgn(0xEF00, &rig.module[0], nullptr), 1);
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {16, 20, 0, 3, 0xFF, 0x00, 0xEF, 0})});
    rig.inject({j1939_frame(6, 0xEB00, US, PEER, {1, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA})});
    rig.bus.take_sent();
    // The sender starts over with a 10-byte message.
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {16, 10, 0, 2, 0xFF, 0x00, 0xEF, 0})});
    EXPECT_EQ(rig.bus.take_sent().at(0).data[0], 17) << "clear to send";
    rig.inject({j1939_frame(6, 0xEB00, US, PEER, {1, 0, 1, 2, 3, 4, 5, 6}),
                j1939_frame(6, 0xEB00, US, PEER, {2, 7, 8, 9, 0xFF, 0xFF, 0xFF, 0xFF})});
    auto sent = rig.bus.take_sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().data[0], 19) << "end of message acknowledged";
    JIN_header h;
    unsigned char buf[32];
    ASSERT_EQ(rig.stack.read(0xEF00, h, buf, 32, 32, &rig.module[0]), 0);
    EXPECT_EQ(h.length, 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(buf[i], i);
    EXPECT_TRUE(rig.stack.is_empty()) << "no second session left behind";
}

TEST(JIN_stack, CatchAllReaderReadsWhatItIsToldOf)
{
    Stack_rig rig(US);
    ASSERT_EQ(rig.stack.register_pgn(JIN_PGN::CATCH_ALL, &rig.module[0], nullptr), 1);
    rig.inject({j1939_frame(3, PGN_A, 0xFF, PEER, {1}), j1939_frame(5, PGN_B, 0xFF, OTHER, {2, 2})});
    JIN_header h;
    unsigned char buf[8];
    for (unsigned want : {PGN_A, PGN_B}) {
        waiter_event ev = Stack_rig::next_event(rig.module[0]);
        EXPECT_EQ(ev.data, JIN_PGN::CATCH_ALL);
        ASSERT_EQ(rig.stack.read(JIN_PGN::CATCH_ALL, h, buf, 8, 8, &rig.module[0]), 0);
        EXPECT_EQ(h.pgn, want);
    }
    EXPECT_EQ(rig.stack.read(JIN_PGN::CATCH_ALL, h, buf, 8, 8, &rig.module[0]), -1);
    EXPECT_TRUE(rig.stack.is_empty()) << "nothing left to expire in the pool";
}

TEST(JIN_stack, DeregisteringKeepsReaderBitsAligned)
{
    Stack_rig rig(US);
    for (auto& w : rig.module) ASSERT_EQ(rig.stack.register_pgn(PGN_A, &w, nullptr), 1);
    rig.inject({j1939_frame(3, PGN_A, 0xFF, PEER, {1})});
    ASSERT_EQ(rig.stack.deregister_pgn(PGN_A, &rig.module[0]), 1);
    JIN_header h;
    unsigned char buf[8];
    // module[2] moved to position 1 and still has its read.
    EXPECT_EQ(rig.stack.read(PGN_A, h, buf, 8, 8, &rig.module[2]), 0);
    EXPECT_EQ(rig.stack.read(PGN_A, h, buf, 8, 8, &rig.module[1]), 0);
    EXPECT_TRUE(rig.stack.is_empty());
}

TEST(JIN_stack, FiltersByAddressAndRegistration)
{
    Stack_rig rig(US);
    ASSERT_EQ(rig.stack.register_pgn(0xEF00, &rig.module[0], nullptr), 1);
    rig.inject({j1939_frame(3, 0xEF00, OTHER, PEER, {1}), j1939_frame(3, 0xEF00, US, PEER, {2}),
                j1939_frame(3, PGN_B, 0xFF, PEER, {3})});
    JIN_header h;
    unsigned char buf[8];
    ASSERT_EQ(rig.stack.read(0xEF00, h, buf, 8, 8, &rig.module[0]), 0);
    EXPECT_EQ(buf[0], 2);
    EXPECT_EQ(rig.stack.read(0xEF00, h, buf, 8, 8, &rig.module[0]), -1);
    EXPECT_TRUE(rig.stack.is_empty());
    // An own address of 254 takes everything.
    ASSERT_EQ(rig.stack.register_address(254), 0);
    rig.inject({j1939_frame(3, 0xEF00, OTHER, PEER, {4})});
    ASSERT_EQ(rig.stack.read(0xEF00, h, buf, 8, 8, &rig.module[0]), 0);
    EXPECT_EQ(buf[0], 4);
}

TEST(JIN_stack, ElevenBitFrames)
{
    Stack_rig rig(US);
    short id = 0;
    ASSERT_EQ(rig.stack.register_11bit_msg(0x5A, &rig.module[0], &id), 1);
    EXPECT_EQ(id, rig.stack.event_ids().rx_11bit);
    JIN_packet f;
    f.id = 0x35A;
    f.length = 2;
    f.data[0] = 7;
    rig.inject({f});
    waiter_event ev = Stack_rig::next_event(rig.module[0]);
    EXPECT_EQ(ev.module_id, id);
    EXPECT_EQ(ev.data, 0x5Au);
    JIN_header h;
    unsigned char buf[8];
    ASSERT_EQ(rig.stack.read_11bit_msg(0x5A, h, buf, &rig.module[0]), 0);
    EXPECT_EQ(h.src, 0x5A);
    EXPECT_EQ(h.prio, 3u);
    EXPECT_EQ(buf[0], 7);
}

}  // namespace

namespace {

TEST(JIN_stack, WriteNowGoesStraightOutWhenTheBusHasRoom)
{
    Stack_rig rig(US);
    const unsigned char d[3] = {1, 2, 3};
    JIN_header h(US, PEER, 0xEF00, 3, JIN_TRANS_TX_SINGLE, 3);
    ASSERT_EQ(rig.stack.write_now(h, d, 3), 0);
    auto sent = rig.bus.take_sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].id, 0x0CEF261Cu);
    EXPECT_EQ(bytes_of(sent[0]), (std::vector<unsigned char>{1, 2, 3}));
    // Without room it is queued and leaves with the next transmit pass.
    rig.bus.space = 0;
    ASSERT_EQ(rig.stack.write_now(h, d, 3), 0);
    EXPECT_TRUE(rig.bus.take_sent().empty());
    rig.bus.space = 16;
    rig.pump();
    EXPECT_EQ(rig.bus.take_sent().size(), 1u);
    EXPECT_TRUE(rig.stack.is_empty());
}

TEST(JIN_stack, ReportsReceiveProgressOfATransfer)
{
    Stack_rig rig(US);
    ASSERT_EQ(rig.stack.register_pgn(0xEF00, &rig.module[0], nullptr), 1);
    rig.stack.set_send_rx_progress(true);
    rig.inject({j1939_frame(6, 0xEC00, US, PEER, {16, 20, 0, 3, 0xFF, 0x00, 0xEF, 0})});
    waiter_event ev = Stack_rig::next_event(rig.module[0]);
    EXPECT_EQ(ev.module_id, rig.stack.event_ids().rx_progress);
    EXPECT_EQ(ev.data, PEER);
    ASSERT_EQ(ev.get_extended_data_len(), 4u);
    EXPECT_EQ(ev.get_extended_data()[1], 0xEF);
    rig.inject({j1939_frame(6, 0xEB00, US, PEER, {1, 0, 1, 2, 3, 4, 5, 6})});
    int done = 0, total = 0;
    ASSERT_TRUE(rig.stack.get_rx_progress(0xEF00, PEER, US, done, total));
    EXPECT_EQ(done, 7);
    EXPECT_EQ(total, 20);
    EXPECT_FALSE(rig.stack.get_rx_progress(0xEF00, OTHER, US, done, total));
}

// A peer that never answers: the transmission fails after the protocol's
// wait and the sender is told (minus its tag). Runs the stack's own thread.
TEST(JIN_stack, TellsTheSenderWhenATransferFails)
{
    Stack_rig rig(US);
    ASSERT_EQ(rig.stack.start(), 0);
    std::vector<unsigned char> d(50, 1);
    ASSERT_EQ(rig.stack.write(US, PEER, 0xEF00, 6, 50, d.data(), 50, &rig.module[0], 7), 0);
    waiter_event ev;
    ASSERT_EQ(rig.module[0].get_event(&ev, Atime::from_now(20000)), 0);
    EXPECT_EQ(ev.module_id, rig.stack.event_ids().tx_finished);
    EXPECT_EQ(int32_t(ev.data), -7);
    Diner::Protection p(rig.stack);
    auto sent = rig.bus.take_sent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent.front().data[0], 16) << "RTS";
    EXPECT_EQ(sent.back().data[0], 255) << "abort";
}

}  // namespace

namespace {

TEST(JIN_stack, AsksTheWriterForTheRestOfALongMessage)
{
    Stack_rig rig(US);
    std::vector<unsigned char> d(100);
    for (size_t i = 0; i < d.size(); ++i) d[i] = uint8_t(i);
    ASSERT_EQ(rig.stack.write(US, PEER, 0xEF00, 6, 100, d.data(), 20, &rig.module[0], 5), 0);
    waiter_event ev = Stack_rig::next_event(rig.module[0]);
    EXPECT_EQ(ev.module_id, rig.stack.event_ids().data_wanted);
    EXPECT_EQ(ev.data, 5u);
    EXPECT_EQ(rig.stack.feed_data(d.data() + 20, 80, &rig.module[0], 6), -1) << "wrong tag";
    EXPECT_EQ(rig.stack.feed_data(d.data() + 20, 80, &rig.module[0], 5), 80);
    peer_accepts_transfer(rig, 100, 0xEF00);
    ev = Stack_rig::next_event(rig.module[0]);
    EXPECT_EQ(ev.module_id, rig.stack.event_ids().tx_finished);
    EXPECT_EQ(int32_t(ev.data), 5);
    EXPECT_TRUE(rig.stack.is_empty());
}

}  // namespace
