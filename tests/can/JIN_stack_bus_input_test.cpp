// Frames from peers that bend the transport rules the stack accepts: what it
// takes in, it must deliver.
#include "tests/can/Stack_test_bus.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
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

// A new announcement from the same sender to the same destination replaces
// the reception under way, for broadcasts and the extended protocol too:
// only the new message is delivered and no session is left behind.
TEST(JIN_stack_bus_input, NewBamOrEtpRtsReplacesTheReceptionUnderWay)
{
    struct Case {
        const char* what;
        unsigned char dest;
        unsigned cm_pgn, dt_pgn;
        std::vector<unsigned char> first, second; // announcements
        bool etp;
    };
    const Case cases[] = {
        {"BAM", 0xFF, 0xEC00, 0xEB00, {32, 20, 0, 3, 0xFF, 0x00, 0xEF, 0}, {32, 10, 0, 2, 0xFF, 0x00, 0xEF, 0}, false},
        {"ETP", US, 0xC800, 0xC700, {20, 0x10, 0x27, 0, 0, 0x00, 0xEF, 0}, {20, 0xFA, 0x06, 0, 0, 0x00, 0xEF, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Stack_rig rig(US);
        ASSERT_EQ(1, rig.stack.register_pgn(PGN_P, &rig.module[0], nullptr));
        auto frame = [&](unsigned pgn, const std::vector<unsigned char>& d) {
            JIN_packet f = j1939_frame(7, pgn, c.dest, PEER, {});
            f.length = 8;
            std::copy(d.begin(), d.end(), f.data);
            return f;
        };
        rig.inject({frame(c.cm_pgn, c.first)});
        if (c.etp) rig.inject({frame(c.cm_pgn, {22, 1, 0, 0, 0, 0x00, 0xEF, 0})});
        rig.inject({frame(c.dt_pgn, {1, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA})});
        rig.bus.take_sent();

        // The sender starts over: 10 bytes (1786 for ETP, the least it carries).
        rig.inject({frame(c.cm_pgn, c.second)});
        const unsigned len = c.etp ? 1786 : 10;
        if (c.etp) rig.inject({frame(c.cm_pgn, {22, 255, 0, 0, 0, 0x00, 0xEF, 0})});
        for (unsigned p = 0; p * 7 < len; ++p) {
            if (c.etp && p > 0 && p % 255 == 0)
                rig.inject({frame(c.cm_pgn, {22, 255, uint8_t(p), uint8_t(p >> 8), 0, 0x00, 0xEF, 0})});
            std::vector<unsigned char> d(8, 0xFF);
            d[0] = uint8_t(c.etp ? p % 255 + 1 : p + 1);
            for (unsigned i = 0; i < 7 && p * 7 + i < len; ++i) d[1 + i] = uint8_t(p * 7 + i);
            rig.inject({frame(c.dt_pgn, d)});
        }
        JIN_header h;
        std::vector<unsigned char> buf(2000);
        ASSERT_EQ(0, rig.stack.read(PGN_P, h, buf.data(), int(buf.size()), -1, &rig.module[0]));
        EXPECT_EQ(len, h.length);
        for (unsigned i = 0; i < len; ++i) ASSERT_EQ(uint8_t(i), buf[i]) << i;
        EXPECT_EQ(-1, rig.stack.read(PGN_P, h, buf.data(), int(buf.size()), -1, &rig.module[0]));
        EXPECT_TRUE(rig.stack.is_empty()) << "no second session left behind";
    }
}

// The settings the stack's thread reads while it sends and receives are
// changed under the stack's lock, never beside a running pass.
TEST(JIN_stack_bus_input, SettingsWaitForTheStacksLock)
{
    Stack_rig rig(US);
    const std::function<void()> setters[] = {
        [&] { rig.stack.set_CTS_threshold(4); },
        [&] { rig.stack.set_default_throttler(JIN_trans::Throttler(20, 5)); },
        [&] { rig.stack.set_send_rx_progress(true); },
    };
    for (const auto& set : setters) {
        std::future<void> done;
        {
            Diner::Protection held(rig.stack);
            done = std::async(std::launch::async, set);
            EXPECT_EQ(std::future_status::timeout, done.wait_for(std::chrono::milliseconds(50)));
        }
        done.get();
    }
}

} // namespace
