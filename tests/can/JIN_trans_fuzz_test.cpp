// Random frame sequences, deadlines, writer feeds and reads thrown at a few
// transport engines: nothing may crash, read or write out of bounds (the
// sanitizers watch), hang or leak buffers.
#include "Trans_link.h"
#include "util/Mspace.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

constexpr unsigned char US = 0x1C;
constexpr unsigned char PEER = 0x26;

class Fuzzer {
public:
    explicit Fuzzer(unsigned seed) : rng_(seed) {}

    unsigned pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(rng_); }
    unsigned char byte() { return static_cast<unsigned char>(pick(256)); }

    unsigned char address()
    {
        static const unsigned char choices[] = {US, PEER, 255, 0x80};
        return choices[pick(4)];
    }

    JIN_packet frame()
    {
        static const unsigned pgns[] = {JIN_trans::PGN_TP_CM, JIN_trans::PGN_TP_DT,
                                        JIN_trans::PGN_ETP_CM, JIN_trans::PGN_ETP_DT, 129029,
                                        0xEF00, 0xFECA};
        static const unsigned char controls[] = {16, 17, 19, 32, 20, 21, 22, 23, 255};
        JIN_packet f;
        const unsigned pgn = pgns[pick(7)];
        f.set_extended_id(pick(8), pgn, address(), address());
        if (pick(20) == 0)
            f.set_extended(false);
        f.length = static_cast<uint8_t>(pick(10) < 8 ? 8 : pick(9));
        for (auto& b : f.data)
            b = byte();
        if (pick(3) != 0)
            f.data[0] = (pgn == JIN_trans::PGN_TP_DT || pgn == JIN_trans::PGN_ETP_DT)
                            ? static_cast<unsigned char>(1 + pick(12))
                            : controls[pick(9)];
        if (pgn == 129029 && pick(2))
            f.data[0] = static_cast<unsigned char>((pick(2) << 5) | pick(6));
        // Mostly plausible sizes, sometimes huge ones.
        if (pick(2)) {
            f.data[1] = static_cast<unsigned char>(pick(60));
            f.data[2] = static_cast<unsigned char>(pick(3));
            f.data[3] = static_cast<unsigned char>(pick(4));
            f.data[4] = static_cast<unsigned char>(pick(3) ? 0 : byte());
        }
        if (pick(2)) {
            f.data[5] = 0x00;
            f.data[6] = 0xEF;
            f.data[7] = 0x00;
        }
        return f;
    }

private:
    std::mt19937 rng_;
};

void check_frames(const JIN_packet* frames, int count, int max)
{
    ASSERT_GE(count, 0);
    ASSERT_LE(count, max);
    for (int i = 0; i < count; ++i)
        ASSERT_LE(frames[i].length, 8);
}

TEST(JIN_trans_fuzz, RandomFrameSequencesUnderTheSanitizers)
{
    const unsigned space_before = JIN_trans::space().usage().uordblks;
    for (unsigned seed = 1; seed <= 100; ++seed) {
        Fuzzer fz(seed);
        NMEA2000_fast_sid_manager sids;
        JIN_trans engines[4];
        std::vector<unsigned char> source(4000);
        for (auto& b : source)
            b = fz.byte();

        for (int step = 0; step < 5000; ++step) {
            JIN_trans& t = engines[fz.pick(4)];
            JIN_msg_ret r;
            switch (fz.pick(8)) {
            case 0:
            case 1:
            case 2:
                r = t.put_packet(fz.frame(), fz.pick(2) != 0);
                break;
            case 3: {
                JIN_packet frames[10];
                const int max = 1 + static_cast<int>(fz.pick(10));
                int count = static_cast<int>(fz.pick(300)) - 5;
                r = t.get_packets(frames, max, count);
                check_frames(frames, count, max);
                break;
            }
            case 4:
                r = t.timeout_notify();
                break;
            case 5: {
                if (!t.is_idle() && fz.pick(4))
                    break;
                static const JIN_trans_type_t types[] = {JIN_TRANS_TX_SINGLE, JIN_TRANS_TX_TP,
                                                         JIN_TRANS_TX_FAST, JIN_TRANS_TX_11BIT,
                                                         JIN_TRANS_INVALID};
                const unsigned len = fz.pick(4) ? fz.pick(300) : fz.pick(4000);
                const unsigned given = fz.pick(len + 1);
                JIN_header h(US, fz.address(), fz.pick(2) ? 0xEF00 : 129029, fz.pick(8),
                             types[fz.pick(5)], len);
                r = t.write(h, source.data(), given);
                if (fz.pick(2))
                    t.set_throttler(JIN_trans::Throttler(static_cast<unsigned short>(fz.pick(30)),
                                                         static_cast<unsigned char>(fz.pick(6))));
                r = fz.pick(5) ? t.commence_tx(sids) : t.hold_tx();
                break;
            }
            case 6: {
                int taken = 0;
                const unsigned off = fz.pick(4000);
                r = t.feed_data(source.data() + off, static_cast<int>(fz.pick(4000 - off)), taken);
                int done = 0, total = 0;
                t.get_progress(done, total);
                ASSERT_LE(done, total);
                break;
            }
            default: {
                JIN_header h;
                std::vector<unsigned char> buf(fz.pick(300));
                r = t.read(h, buf.data(), static_cast<unsigned>(buf.size()));
                break;
            }
            }
            if (r.get_group() == JIN_GROUP_FINISHED || r.get_group() == JIN_GROUP_TX_DONE) {
                // The owner releases the node; make sure it really is idle.
                ASSERT_TRUE(t.is_idle()) << JIN_trans::state_name(t.get_state());
            }
        }
        for (JIN_trans& t : engines)
            t.zap(0, 0, JIN_GROUP_FINISHED);
        ASSERT_EQ(JIN_trans::space().usage().uordblks, space_before) << "seed " << seed;
    }
}

// Two engines over a lossy link that also repeats frames: every transfer ends
// (no hang), and a reception that completes holds exactly the data sent.
TEST(JIN_trans_fuzz, LossyLinkNeverCorruptsOrHangs)
{
    const unsigned space_before = JIN_trans::space().usage().uordblks;
    int completed = 0;
    for (unsigned seed = 1; seed <= 100; ++seed) {
        Fuzzer fz(seed);
        Trans_link link;
        const bool fast = seed % 5 == 0;
        link.end[1].fast_rx = fast;
        link.end[1].cts_threshold = 1 + static_cast<int>(fz.pick(40));
        const unsigned len = fast ? 9 + fz.pick(215) : 9 + fz.pick(seed % 3 ? 1500 : 4000);
        std::vector<unsigned char> data(len);
        for (auto& b : data)
            b = fz.byte();
        link.deliver = [&](int from, const JIN_packet& f) {
            if (fz.pick(100) < 4)
                return false;
            if (fz.pick(100) < 3)
                link.put(1 - from, f); // arrives twice
            return true;
        };
        const unsigned char dest = fast ? 255 : PEER;
        link.send(JIN_header(US, dest, fast ? 129029 : 0xEF00, 3,
                             fast ? JIN_TRANS_TX_FAST : JIN_TRANS_TX_TP, len),
                  data.data(), len);
        long steps = 0;
        while (link.step())
            ASSERT_LT(++steps, 200000) << "seed " << seed;
        if (link.end[1].group == JIN_GROUP_RX_COMPLETE) {
            ++completed;
            JIN_header h;
            std::vector<unsigned char> got(len);
            ASSERT_EQ(link.end[1].t.read(h, got.data(), len).get_error(), 0);
            EXPECT_EQ(got, data) << "seed " << seed;
        }
        link.end[0].t.zap(0, 0, JIN_GROUP_FINISHED);
        link.end[1].t.zap(0, 0, JIN_GROUP_FINISHED);
    }
    EXPECT_GT(completed, 20);
    EXPECT_EQ(JIN_trans::space().usage().uordblks, space_before);
}

} // namespace
