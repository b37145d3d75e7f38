// Random frame sequences from several peers into one stack, mixed with the
// stack's own multi-packet transmissions: under the sanitizers nothing may
// be read or freed out of place, and the queues' bookkeeping must add up
// after every batch.
#include "tests/can/Stack_test_bus.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr unsigned char US = 0x1C, PEER = 0x26, OTHER = 0x30, STRANGER = 0x50;
constexpr unsigned PGN_A = 0xFECA;   // PDU2
constexpr unsigned PGN_P = 0xEF00;   // PDU1, carried by TP and ETP
constexpr unsigned PGN_FAST = 129029;

class Frame_maker {
public:
    explicit Frame_maker(unsigned seed) : rng_(seed) {}

    JIN_packet next()
    {
        const unsigned char src = pick({PEER, OTHER, US, 254});
        const unsigned char dest = pick({US, US, US, 255, STRANGER});
        JIN_packet f;
        f.set_extended(true);
        switch (below(8)) {
        case 0:
            f.set_extended_id(7, 0xEC00, dest, src);
            tp_cm(f, pick({16, 16, 17, 19, 32, 32, 255, 3}), false);
            break;
        case 1:
            f.set_extended_id(7, 0xC800, dest, src);
            tp_cm(f, pick({20, 20, 21, 22, 22, 23, 255}), true);
            break;
        case 2:
        case 3:
            f.set_extended_id(7, below(2) ? 0xEB00 : 0xC700, dest, src);
            f.length = 8;
            f.data[0] = static_cast<unsigned char>(below(4) ? 1 + below(12) : below(256));
            fill(f, 1);
            break;
        case 4:
            f.set_extended_id(3, PGN_FAST, dest, src);
            f.length = 8;
            f.data[0] = static_cast<unsigned char>(below(2) << 5 | (below(3) ? below(5) : below(32)));
            f.data[1] = static_cast<unsigned char>(below(3) ? 5 + below(30) : below(256));
            fill(f, 2);
            break;
        case 5:
            f.set_extended_id(6, 0xEA00, dest, src);
            f.length = static_cast<uint8_t>(below(5));
            f.data[0] = 0xCA, f.data[1] = 0xFE, f.data[2] = 0;
            if (below(2)) f.data[1] = 0xEE;
            break;
        case 6:
            f.set_extended_id(3, PGN_A, dest, src);
            f.length = static_cast<uint8_t>(below(9));
            fill(f, 0);
            break;
        default:
            f.set_extended(false);
            f.id = below(0x800);
            f.length = static_cast<uint8_t>(below(9));
            fill(f, 0);
            break;
        }
        return f;
    }

    unsigned below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(rng_); }

private:
    unsigned char pick(std::initializer_list<unsigned> values)
    {
        return static_cast<unsigned char>(values.begin()[below(unsigned(values.size()))]);
    }
    void fill(JIN_packet& f, unsigned from)
    {
        for (unsigned i = from; i < 8; ++i) f.data[i] = static_cast<unsigned char>(below(256));
    }
    // A connection-management frame with mostly plausible sizes and counts.
    void tp_cm(JIN_packet& f, unsigned char control, bool etp)
    {
        f.length = below(8) ? 8 : static_cast<uint8_t>(below(8));
        fill(f, 0);
        f.data[0] = control;
        const unsigned size = etp ? (below(4) ? 1786 + below(300) : below(1u << 31))
                                  : (below(4) ? 9 + below(60) : below(1u << 16));
        if (control == 16 || control == 32 || control == 19) {
            f.data[1] = uint8_t(size), f.data[2] = uint8_t(size >> 8);
            f.data[3] = uint8_t((size + 6) / 7);
            f.data[4] = uint8_t(below(3) ? 0xFF : below(4));
        } else if (control == 20 || control == 23) {
            for (int i = 0; i < 4; ++i) f.data[1 + i] = uint8_t(size >> (8 * i));
        } else if (control == 17 || control == 21 || control == 22) {
            f.data[1] = uint8_t(below(4) ? below(6) : below(256));
            const unsigned next = below(4) ? below(12) : below(1u << 24);
            f.data[2] = uint8_t(next), f.data[3] = uint8_t(next >> 8), f.data[4] = uint8_t(next >> 16);
        }
        const unsigned pgn = below(4) ? PGN_P : (below(2) ? PGN_A : below(1u << 18));
        f.data[5] = uint8_t(pgn), f.data[6] = uint8_t(pgn >> 8), f.data[7] = uint8_t(pgn >> 16);
    }

    std::mt19937 rng_;
};

// Reads whatever the registrations hold, as the modules would.
void drain(Stack_rig& rig)
{
    JIN_header h;
    static unsigned char buf[4096];
    for (int i = 0; i < 200; ++i) {
        const bool any =
            rig.stack.read(PGN_A, h, buf, sizeof buf, -1, &rig.module[0]) == 0 ||
            rig.stack.read(PGN_P, h, buf, sizeof buf, -1, &rig.module[0]) == 0 ||
            rig.stack.read(PGN_FAST, h, buf, sizeof buf, -1, &rig.module[0], JIN_PGN::FAST) == 0 ||
            rig.stack.read(JIN_PGN::CATCH_ALL, h, buf, sizeof buf, -1, &rig.module[1]) == 0 ||
            rig.stack.read(0xFECA, h, buf, sizeof buf, -1, &rig.module[2], JIN_PGN::REQUEST) == 0;
        if (!any) return;
    }
}

TEST(JIN_stack_fuzz, RandomFramesFromSeveralPeersKeepTheQueuesWhole)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        Stack_rig rig(US);
        ASSERT_EQ(1, rig.stack.register_pgn(PGN_A, &rig.module[0], nullptr));
        ASSERT_EQ(1, rig.stack.register_pgn(PGN_P, &rig.module[0], nullptr));
        ASSERT_EQ(1, rig.stack.register_pgn(PGN_FAST, &rig.module[0], nullptr, JIN_PGN::FAST));
        ASSERT_EQ(1, rig.stack.register_pgn(JIN_PGN::CATCH_ALL, &rig.module[1], nullptr));
        ASSERT_EQ(1, rig.stack.register_pgn(0xFECA, &rig.module[2], nullptr, JIN_PGN::REQUEST));
        Frame_maker make(seed);
        std::vector<unsigned char> payload(3000, 0x5A);
        for (int batch = 0; batch < 300; ++batch) {
            if (make.below(8) == 0) {
                // Our own transfers to the peers, whose frames share the CTS paths.
                const unsigned len = make.below(2) ? 9 + make.below(60) : 1786 + make.below(900);
                rig.stack.write(US, make.below(2) ? PEER : OTHER, PGN_P, 6, len, payload.data(),
                                int(len), nullptr, 1);
            }
            rig.bus.space = int(make.below(20));
            for (unsigned i = 0, n = 1 + make.below(12); i < n; ++i) rig.bus.rx.push_back(make.next());
            rig.pump();
            rig.bus.take_sent();
            if (make.below(3) == 0) drain(rig);
            ASSERT_TRUE(rig.stack.is_sane()) << "batch " << batch;
        }
        drain(rig);
        EXPECT_TRUE(rig.stack.is_sane());
        // The receivers let go of the stack's messages before it goes.
        for (auto& w : rig.module) {
            waiter_event ev;
            while (w.get_event(&ev, Atime::now()) == 0) {
            }
        }
    }
}

} // namespace
