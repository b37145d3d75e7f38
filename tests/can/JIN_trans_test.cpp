#include "Strict_sender.h"
#include "Trans_link.h"

#include "util/Mspace.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned>;

constexpr unsigned char US = 0x1C;
constexpr unsigned char PEER = 0x26;
constexpr unsigned PGN = 0xEF00; // proprietary A, PDU1

std::vector<unsigned char> pattern(unsigned n)
{
    std::vector<unsigned char> v(n);
    for (unsigned i = 0; i < n; ++i)
        v[i] = static_cast<unsigned char>(i * 7 + 3);
    return v;
}

Bytes bytes(const JIN_packet& f)
{
    return Bytes(f.data, f.data + f.length);
}

JIN_packet cm(unsigned pgn_cm, unsigned char from, unsigned char to, Bytes data)
{
    JIN_packet f;
    f.set_extended_id(6, pgn_cm, to, from);
    f.length = static_cast<uint8_t>(data.size());
    for (size_t i = 0; i < data.size(); ++i)
        f.data[i] = static_cast<unsigned char>(data[i]);
    return f;
}

JIN_packet fast_frame(unsigned char head, Bytes data, unsigned pgn = 129029)
{
    JIN_packet f;
    f.set_extended_id(3, pgn, 255, PEER);
    f.length = 8;
    f.data[0] = head;
    for (size_t i = 0; i < 7; ++i)
        f.data[i + 1] = i < data.size() ? static_cast<unsigned char>(data[i]) : 0xFF;
    return f;
}

// The data a receiving end holds once complete.
std::vector<unsigned char> received(const JIN_trans& t)
{
    JIN_header h;
    std::vector<unsigned char> buf(t.get_header().length);
    JIN_msg_ret r = t.read(h, buf.data(), static_cast<unsigned>(buf.size()));
    EXPECT_EQ(r.get_error(), 0);
    return buf;
}

unsigned trans_space_in_use()
{
    return JIN_trans::space().usage().uordblks;
}

JIN_header to_peer(unsigned len, JIN_trans_type_t type = JIN_TRANS_TX_TP)
{
    return JIN_header(US, PEER, PGN, 7, type, len);
}

// Produces the frames of one get_packets call on a single engine.
std::vector<JIN_packet> frames_of(JIN_trans& t, JIN_msg_ret& r, int threshold = 255, int max = 10)
{
    JIN_packet frames[16];
    int count = threshold;
    r = t.get_packets(frames, max, count);
    return std::vector<JIN_packet>(frames, frames + count);
}

// ---------------------------------------------------------------------------

TEST(JIN_trans, TpExchangeWithCtsWindowsByteForByte)
{
    Trans_link link;
    link.end[1].cts_threshold = 4;
    const auto data = pattern(100); // 15 packets
    link.send(to_peer(100), data.data(), 100);
    link.run();

    ASSERT_EQ(link.end[0].group, JIN_GROUP_TX_DONE);
    ASSERT_EQ(link.end[1].group, JIN_GROUP_RX_COMPLETE);
    EXPECT_EQ(received(link.end[1].t), data);
    EXPECT_TRUE(link.end[0].errors.empty());
    EXPECT_TRUE(link.end[1].errors.empty());

    std::vector<std::string> seen;
    for (const Sent_frame& s : link.log) {
        const JIN_packet& f = s.frame;
        EXPECT_EQ(f.get_prio(), 6u);
        EXPECT_EQ(f.get_src(), s.from == 0 ? US : PEER);
        EXPECT_EQ(f.get_dest(), s.from == 0 ? PEER : US);
        if (f.get_pgn() == JIN_trans::PGN_TP_DT)
            seen.push_back("DT" + std::to_string(f.data[0]));
        else
            seen.push_back("CM" + std::to_string(f.data[0]) + "/" + std::to_string(f.data[1]) +
                           "/" + std::to_string(f.data[2]));
    }
    const std::vector<std::string> expected = {
        "CM16/100/0", "CM17/4/1",  "DT1",  "DT2",  "DT3",  "DT4",  "CM17/4/5",  "DT5",
        "DT6",        "DT7",       "DT8",  "CM17/4/9", "DT9", "DT10", "DT11", "DT12",
        "CM17/3/13",  "DT13",      "DT14", "DT15", "CM19/100/0"};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(bytes(link.log.front().frame), (Bytes{16, 100, 0, 15, 0xFF, 0x00, 0xEF, 0x00}));
    EXPECT_EQ(bytes(link.log[1].frame), (Bytes{17, 4, 1, 0xFF, 0xFF, 0x00, 0xEF, 0x00}));
    EXPECT_EQ(bytes(link.log.back().frame), (Bytes{19, 100, 0, 15, 0xFF, 0x00, 0xEF, 0x00}));
    // The last packet carries 2 bytes and 0xFF fill.
    const JIN_packet& last = link.log[link.log.size() - 2].frame;
    EXPECT_EQ(bytes(last), (Bytes{15, data[98], data[99], 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(JIN_trans, TpWindowSizesFromOneToAll)
{
    for (int threshold : {1, 2, 7, 254, 255}) {
        SCOPED_TRACE("threshold " + std::to_string(threshold));
        Trans_link link;
        link.end[1].cts_threshold = threshold;
        const auto data = pattern(1785); // 255 packets
        link.send(to_peer(1785), data.data(), 1785);
        link.run();
        ASSERT_EQ(link.end[1].group, JIN_GROUP_RX_COMPLETE);
        EXPECT_EQ(received(link.end[1].t), data);
        unsigned ctses = 0, next = 1;
        for (const Sent_frame& s : link.log) {
            if (s.from == 1 && s.frame.data[0] == JIN_trans::CM_CTS) {
                ++ctses;
                EXPECT_EQ(s.frame.data[2], next);
                EXPECT_LE(s.frame.data[1], threshold);
                next += s.frame.data[1];
            }
        }
        EXPECT_EQ(ctses, (255u + threshold - 1) / threshold);
    }
}

TEST(JIN_trans, CtsNeverAsksMoreThanTheRtsAllows)
{
    struct Case {
        unsigned limit_byte; // byte 4 of the RTS
        int threshold;
        unsigned expected;
    } cases[] = {{0xFF, 255, 15}, {2, 255, 2}, {2, 1, 1}, {10, 4, 4}, {0, 255, 1}};
    for (const Case& c : cases) {
        JIN_trans t;
        JIN_msg_ret r = t.put_packet(
            cm(JIN_trans::PGN_TP_CM, PEER, US, {16, 100, 0, 15, c.limit_byte, 0x00, 0xEF, 0x00}),
            false);
        ASSERT_EQ(t.get_state(), JIN_trans::STATE_RX_SEND_CTS);
        auto frames = frames_of(t, r, c.threshold);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].data[1], c.expected) << "limit " << c.limit_byte;
        EXPECT_EQ(frames[0].data[2], 1);
    }
}

TEST(JIN_trans, SenderHeldByCtsZeroThenAskedToRepeat)
{
    JIN_trans t;
    NMEA2000_fast_sid_manager sids;
    const auto data = pattern(30); // 5 packets
    t.write(to_peer(30), data.data(), 30);
    JIN_msg_ret r = t.commence_tx(sids);
    EXPECT_EQ(r.get_group(), JIN_GROUP_TX_MULTI);
    auto frames = frames_of(t, r);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(bytes(frames[0]), (Bytes{16, 30, 0, 5, 0xFF, 0x00, 0xEF, 0x00}));
    EXPECT_EQ(r.get_timeout_ms(), 1250);

    auto cts = [&](unsigned n, unsigned next) {
        return t.put_packet(
            cm(JIN_trans::PGN_TP_CM, PEER, US, {17, n, next, 0xFF, 0xFF, 0x00, 0xEF, 0x00}), false);
    };
    auto dt = [&](unsigned seq) {
        Bytes b{seq};
        for (unsigned i = 0; i < 7; ++i)
            b.push_back(data[(seq - 1) * 7 + i < 30 ? (seq - 1) * 7 + i : 0]);
        if (seq == 5)
            b = {5, data[28], data[29], 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        return b;
    };
    auto sent = [&]() {
        std::vector<Bytes> out;
        for (;;) {
            auto f = frames_of(t, r);
            if (f.empty())
                break;
            out.push_back(bytes(f[0]));
            if (r.get_transmit_requested() != JIN_TX_WANTED_LAST)
                break;
        }
        return out;
    };

    r = cts(0, 1);
    EXPECT_EQ(t.get_state(), JIN_trans::STATE_TX_WAIT_CTS);
    EXPECT_EQ(r.get_timeout_ms(), JIN_trans::T4_HOLD);
    EXPECT_EQ(r.get_timeout_ms(), 1050);

    r = cts(2, 1);
    EXPECT_EQ(sent(), (std::vector<Bytes>{dt(1), dt(2)}));
    EXPECT_EQ(t.get_state(), JIN_trans::STATE_TX_WAIT_CTS);
    r = t.put_packet(cm(JIN_trans::PGN_TP_CM, PEER, US, {19, 30, 0, 5, 0xFF, 0x00, 0xEF, 0x00}),
                     false);
    EXPECT_EQ(r.get_error(), JIN_ERR_UNEXPECTED) << "an early EOMA is no success";
    r = cts(2, 2); // packet 2 again
    EXPECT_EQ(sent(), (std::vector<Bytes>{dt(2), dt(3)}));
    r = cts(2, 4);
    EXPECT_EQ(sent(), (std::vector<Bytes>{dt(4), dt(5)}));
    r = t.put_packet(cm(JIN_trans::PGN_TP_CM, PEER, US, {19, 30, 0, 5, 0xFF, 0x00, 0xEF, 0x00}),
                     false);
    EXPECT_EQ(r.get_group(), JIN_GROUP_TX_DONE);
    EXPECT_TRUE(t.is_idle());
}

TEST(JIN_trans, CtsBeyondTheMessageAborts)
{
    JIN_trans t;
    NMEA2000_fast_sid_manager sids;
    const auto data = pattern(30);
    t.write(to_peer(30), data.data(), 30);
    JIN_msg_ret r = t.commence_tx(sids);
    frames_of(t, r);
    r = t.put_packet(cm(JIN_trans::PGN_TP_CM, PEER, US, {17, 3, 4, 0xFF, 0xFF, 0x00, 0xEF, 0x00}),
                     false);
    EXPECT_EQ(t.get_state(), JIN_trans::STATE_TX_SEND_CON_ABORT);
    auto frames = frames_of(t, r);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].data[0], 255);
    EXPECT_EQ(frames[0].get_dest(), PEER);
    EXPECT_EQ(r.get_group(), JIN_GROUP_FINISHED);
}

TEST(JIN_trans, TransmitSizeBoundaries)
{
    struct Case {
        unsigned len;
        JIN_trans_type_t asked;
        unsigned char dest;
        JIN_trans_type_t chosen; // INVALID: refused
    } cases[] = {
        {8, JIN_TRANS_TX_TP, PEER, JIN_TRANS_TX_SINGLE},
        {9, JIN_TRANS_TX_SINGLE, PEER, JIN_TRANS_TX_TP},
        {1785, JIN_TRANS_TX_TP, PEER, JIN_TRANS_TX_TP},
        {1785, JIN_TRANS_TX_TP, 255, JIN_TRANS_TX_TP}, // BAM
        {1786, JIN_TRANS_TX_TP, PEER, JIN_TRANS_TX_ETP},
        {1786, JIN_TRANS_TX_TP, 255, JIN_TRANS_INVALID},
        {223, JIN_TRANS_TX_FAST, 255, JIN_TRANS_TX_FAST},
        {224, JIN_TRANS_TX_FAST, 255, JIN_TRANS_TX_TP},
        {2000, JIN_TRANS_TX_FAST, 255, JIN_TRANS_INVALID}, // ETP cannot broadcast
        {9, JIN_TRANS_TX_11BIT, 255, JIN_TRANS_INVALID},
        {0x7000001, JIN_TRANS_TX_ETP, PEER, JIN_TRANS_INVALID},
    };
    for (const Case& c : cases) {
        JIN_trans t;
        std::vector<unsigned char> data(c.len < 5000 ? c.len : 0);
        JIN_msg_ret r = t.write(JIN_header(US, c.dest, PGN, 3, c.asked, c.len), data.data(),
                                static_cast<unsigned>(data.size()));
        SCOPED_TRACE("length " + std::to_string(c.len));
        if (c.chosen == JIN_TRANS_INVALID) {
            EXPECT_EQ(r.get_error(), JIN_ERR_BAD_LENGTH);
            EXPECT_EQ(r.get_group(), JIN_GROUP_FINISHED);
            EXPECT_TRUE(t.is_idle());
        } else {
            EXPECT_EQ(t.get_header().type, c.chosen);
            EXPECT_NE(r.get_group(), JIN_GROUP_FINISHED);
        }
    }
}

TEST(JIN_trans, ReceiveSizesAreCheckedBeforeAllocating)
{
    const unsigned before = trans_space_in_use();
    struct Case {
        const char* what;
        JIN_packet rts;
        unsigned char reason; // abort reason sent; 0: no abort frame
        int error;
    } cases[] = {
        {"TP 1785", cm(JIN_trans::PGN_TP_CM, PEER, US, {16, 0xF9, 0x06, 255, 0xFF, 0, 0xEF, 0}), 0, 0},
        {"TP 1786", cm(JIN_trans::PGN_TP_CM, PEER, US, {16, 0xFA, 0x06, 255, 0xFF, 0, 0xEF, 0}),
         JIN_trans::ABORT_TOO_LARGE, JIN_ERR_BAD_LENGTH},
        {"TP 65535", cm(JIN_trans::PGN_TP_CM, PEER, US, {16, 0xFF, 0xFF, 255, 0xFF, 0, 0xEF, 0}),
         JIN_trans::ABORT_TOO_LARGE, JIN_ERR_BAD_LENGTH},
        {"TP 3", cm(JIN_trans::PGN_TP_CM, PEER, US, {16, 3, 0, 1, 0xFF, 0, 0xEF, 0}),
         JIN_trans::ABORT_TOO_LARGE, JIN_ERR_BAD_LENGTH},
        {"ETP beyond the space",
         cm(JIN_trans::PGN_ETP_CM, PEER, US, {20, 0x40, 0x42, 0x0F, 0x00, 0, 0xEF, 0}),
         JIN_trans::ABORT_BUSY, JIN_ERR_NO_MEMORY},
        {"ETP beyond the protocol",
         cm(JIN_trans::PGN_ETP_CM, PEER, US, {20, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xEF, 0}),
         JIN_trans::ABORT_BUSY, JIN_ERR_BAD_LENGTH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JIN_trans t;
        JIN_msg_ret r = t.put_packet(c.rts, false);
        EXPECT_EQ(r.get_error(), c.error);
        auto frames = frames_of(t, r);
        ASSERT_EQ(frames.size(), 1u);
        if (c.reason) {
            EXPECT_EQ(frames[0].data[0], 255);
            EXPECT_EQ(frames[0].data[1], c.reason);
            EXPECT_EQ(frames[0].get_src(), US);
            EXPECT_EQ(frames[0].get_dest(), PEER);
            EXPECT_EQ(frames[0].get_pgn(), c.rts.get_pgn());
            EXPECT_EQ(r.get_group(), JIN_GROUP_FINISHED);
            EXPECT_EQ(trans_space_in_use(), before);
        } else {
            EXPECT_EQ(frames[0].data[0], 17);
        }
        t.zap(0, 0, JIN_GROUP_FINISHED);
        t.zap(0, 0, JIN_GROUP_FINISHED); // a second reset frees nothing twice
    }
    EXPECT_EQ(trans_space_in_use(), before);

    JIN_trans bam;
    JIN_msg_ret r = bam.put_packet(
        cm(JIN_trans::PGN_TP_CM, PEER, 255, {32, 0xFA, 0x06, 255, 0xFF, 0, 0xFE, 0}), false);
    EXPECT_EQ(r.get_error(), JIN_ERR_BAD_LENGTH) << "a BAM over 1785 bytes is refused silently";
    EXPECT_TRUE(bam.is_idle());
    r = bam.put_packet(cm(JIN_trans::PGN_TP_CM, PEER, US, {32, 20, 0, 3, 0xFF, 0, 0xFE, 0}), false);
    EXPECT_EQ(r.get_error(), JIN_ERR_BAD_ADDRESS);
    r = bam.put_packet(cm(JIN_trans::PGN_TP_CM, PEER, 255, {16, 20, 0, 3, 0xFF, 0, 0xEF, 0}), false);
    EXPECT_EQ(r.get_error(), JIN_ERR_BAD_ADDRESS) << "an RTS to all";
}

TEST(JIN_trans, FastPacketSizeBoundary)
{
    JIN_trans t;
    JIN_msg_ret r = t.put_packet(fast_frame(0x40, {224, 1, 2, 3, 4, 5, 6}), true);
    EXPECT_EQ(r.get_error(), JIN_ERR_BAD_LENGTH);
    EXPECT_TRUE(t.is_idle());
    r = t.put_packet(fast_frame(0x40, {223, 1, 2, 3, 4, 5, 6}), true);
    EXPECT_EQ(r.get_group(), JIN_GROUP_RX_FAST);
    EXPECT_EQ(t.get_header().length, 223u);
}

TEST(JIN_trans, EtpWithDataPacketOffsets)
{
    for (int threshold : {255, 100}) {
        SCOPED_TRACE("threshold " + std::to_string(threshold));
        Trans_link link;
        link.end[1].cts_threshold = threshold;
        const auto data = pattern(5000); // 715 packets
        link.send(to_peer(5000), data.data(), 5000);
        EXPECT_EQ(link.end[0].t.get_header().type, JIN_TRANS_TX_ETP);
        link.run();
        ASSERT_EQ(link.end[0].group, JIN_GROUP_TX_DONE);
        ASSERT_EQ(link.end[1].group, JIN_GROUP_RX_COMPLETE);
        EXPECT_EQ(received(link.end[1].t), data);

        unsigned next_offset = 0, dt_in_window = 0, dpos = 0;
        for (const Sent_frame& s : link.log) {
            const JIN_packet& f = s.frame;
            if (f.get_pgn() == JIN_trans::PGN_ETP_DT) {
                ++dt_in_window;
                EXPECT_EQ(f.data[0], dt_in_window) << "numbered from the DPO";
            } else if (f.data[0] == JIN_trans::CM_ETP_DPO) {
                const unsigned offset = f.data[2] | (f.data[3] << 8) | (f.data[4] << 16);
                EXPECT_EQ(offset, next_offset);
                EXPECT_LE(f.data[1], threshold);
                next_offset += f.data[1];
                dt_in_window = 0;
                ++dpos;
            } else if (f.data[0] == JIN_trans::CM_ETP_CTS) {
                const unsigned next = f.data[2] | (f.data[3] << 8) | (f.data[4] << 16);
                EXPECT_EQ(next, next_offset + 1);
            }
        }
        EXPECT_EQ(next_offset, 715u);
        EXPECT_EQ(dpos, (715u + threshold - 1) / threshold);
        EXPECT_EQ(bytes(link.log.front().frame), (Bytes{20, 0x88, 0x13, 0, 0, 0x00, 0xEF, 0x00}));
        EXPECT_EQ(bytes(link.log.back().frame), (Bytes{23, 0x88, 0x13, 0, 0, 0x00, 0xEF, 0x00}));
    }
}

TEST(JIN_trans, LostPacketsAreAskedForAgain)
{
    for (bool etp : {false, true}) {
        SCOPED_TRACE(etp ? "ETP" : "TP");
        Trans_link link;
        const unsigned len = etp ? 3000 : 700;
        const unsigned dt_pgn = etp ? JIN_trans::PGN_ETP_DT : JIN_trans::PGN_TP_DT;
        int dropped = 0;
        link.deliver = [&](int from, const JIN_packet& f) {
            // Lose the 7th and the 40th data frame once.
            if (from == 0 && f.get_pgn() == dt_pgn && (f.data[0] == 7 || f.data[0] == 40) &&
                dropped < 2) {
                ++dropped;
                return false;
            }
            return true;
        };
        const auto data = pattern(len);
        link.send(to_peer(len), data.data(), len);
        link.run();
        EXPECT_EQ(dropped, 2);
        ASSERT_EQ(link.end[1].group, JIN_GROUP_RX_COMPLETE);
        EXPECT_EQ(received(link.end[1].t), data);
        EXPECT_EQ(link.end[0].group, JIN_GROUP_TX_DONE);
    }
}

TEST(JIN_trans, FastPacketSequenceIdsRollOver)
{
    Trans_link link;
    link.end[1].fast_rx = true;
    const auto data = pattern(40);
    std::vector<unsigned> ids;
    for (int i = 0; i < 9; ++i) {
        link.log.clear();
        link.end[1].t.zap(0, 0, JIN_GROUP_FINISHED);
        link.send(JIN_header(US, 255, 129029, 3, JIN_TRANS_TX_FAST, 40), data.data(), 40);
        link.run();
        ASSERT_EQ(link.end[1].group, JIN_GROUP_RX_COMPLETE);
        EXPECT_EQ(received(link.end[1].t), data);
        ASSERT_EQ(link.log.size(), 6u); // 6 + 5 * 7 >= 40
        for (size_t k = 0; k < link.log.size(); ++k) {
            EXPECT_EQ(link.log[k].frame.data[0] & 0x1F, k);
            EXPECT_EQ(link.log[k].frame.data[0] >> 5, link.log[0].frame.data[0] >> 5);
            EXPECT_EQ(link.log[k].frame.get_prio(), 3u);
        }
        EXPECT_EQ(link.log[0].frame.data[1], 40);
        ids.push_back(link.log[0].frame.data[0] >> 5);
    }
    EXPECT_EQ(ids, (std::vector<unsigned>{0, 1, 2, 3, 4, 5, 6, 7, 0}));
}

TEST(JIN_trans, FastPacketFramesOutOfOrder)
{
    JIN_trans t;
    JIN_msg_ret r = t.put_packet(fast_frame(0x21, {1, 2, 3, 4, 5, 6, 7}), true);
    EXPECT_EQ(r.get_error(), JIN_ERR_FAST_ORDER) << "a reception starts with frame 0";

    r = t.put_packet(fast_frame(0x20, {20, 0, 1, 2, 3, 4, 5}), true);
    EXPECT_EQ(r.get_group(), JIN_GROUP_RX_FAST);
    r = t.put_packet(fast_frame(0x21, {6, 7, 8, 9, 10, 11, 12}), true);
    EXPECT_EQ(r.get_timeout_ms(), JIN_trans::T_FAST_GAP);
    r = t.put_packet(fast_frame(0x21, {99, 99, 99, 99, 99, 99, 99}), true);
    EXPECT_EQ(r.get_error(), 0) << "a repeated frame is ignored";
    EXPECT_EQ(r.get_group(), JIN_GROUP_UNCHANGED);
    r = t.put_packet(fast_frame(0x22, {13, 14, 15, 16, 17, 18, 19}), true);
    EXPECT_EQ(r.get_group(), JIN_GROUP_RX_COMPLETE);
    std::vector<unsigned char> expected(20);
    for (unsigned i = 0; i < 20; ++i)
        expected[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(received(t), expected);

    JIN_trans skip;
    skip.put_packet(fast_frame(0x20, {20, 0, 1, 2, 3, 4, 5}), true);
    r = skip.put_packet(fast_frame(0x22, {13, 14, 15, 16, 17, 18, 19}), true);
    EXPECT_EQ(r.get_error(), JIN_ERR_FAST_ORDER);
    EXPECT_EQ(r.get_group(), JIN_GROUP_FINISHED);
    EXPECT_TRUE(skip.is_idle());
}

TEST(JIN_trans, SilentSenderGetsThreeRepeatedCtsThenAnAbort)
{
    Trans_link link;
    // The sender's RTS arrives; nothing of it after that.
    link.deliver = [](int from, const JIN_packet& f) {
        return from == 1 || f.data[0] == JIN_trans::CM_RTS;
    };
    const auto data = pattern(50);
    link.send(to_peer(50), data.data(), 50);
    link.run();
    std::vector<std::string> receiver;
    for (const Sent_frame& s : link.log)
        if (s.from == 1)
            receiver.push_back(std::to_string(s.frame.data[0]) + "/" +
                               std::to_string(s.frame.data[1]));
    EXPECT_EQ(receiver, (std::vector<std::string>{"17/8", "17/8", "17/8", "17/8", "255/3"}));
    EXPECT_EQ(link.end[1].group, JIN_GROUP_FINISHED);
    // The receiver waited T2 after every CTS.
    EXPECT_EQ(link.end[1].timeouts_ms.front(), JIN_trans::T_SEND);
    EXPECT_EQ(link.end[1].timeouts_ms[1], 1250);
    EXPECT_EQ(link.end[1].errors, (std::vector<int>{JIN_ERR_TIMED_OUT}));
}

TEST(JIN_trans, OccasionalLossesOverALongTransferAreRetriedEachTime)
{
    Trans_link link;
    link.end[1].cts_threshold = 10;
    // The last packet of six windows is lost: each time the receiver times
    // out and asks again; more than its three retries in all.
    int lost = 0;
    unsigned window_last = 0;
    link.deliver = [&](int from, const JIN_packet& f) {
        if (from == 1 && f.data[0] == JIN_trans::CM_CTS)
            window_last = f.data[2] + f.data[1] - 1u;
        if (from == 0 && f.get_pgn() == JIN_trans::PGN_TP_DT && f.data[0] == window_last &&
            lost < 6) {
            ++lost;
            window_last = 0;
            return false;
        }
        return true;
    };
    const auto data = pattern(420); // 60 packets
    link.send(to_peer(420), data.data(), 420);
    link.run();
    EXPECT_EQ(lost, 6);
    ASSERT_EQ(link.end[1].group, JIN_GROUP_RX_COMPLETE);
    EXPECT_EQ(received(link.end[1].t), data);
    EXPECT_EQ(link.end[0].group, JIN_GROUP_TX_DONE);
}

TEST(JIN_trans, SilentReceiverMakesTheSenderAbort)
{
    Trans_link link;
    link.deliver = [](int from, const JIN_packet&) { return from == 1; };
    const auto data = pattern(50);
    link.send(to_peer(50), data.data(), 50);
    link.run();
    ASSERT_EQ(link.log.size(), 2u);
    EXPECT_EQ(link.log[0].frame.data[0], JIN_trans::CM_RTS);
    EXPECT_EQ(bytes(link.log[1].frame), (Bytes{255, 3, 0xFF, 0xFF, 0xFF, 0x00, 0xEF, 0x00}));
    EXPECT_EQ(link.now, 1250) << "T3";
    EXPECT_EQ(link.end[0].errors, (std::vector<int>{JIN_ERR_TIMED_OUT}));
    EXPECT_EQ(link.end[0].group, JIN_GROUP_FINISHED);
}

TEST(JIN_trans, ReceiverWaitsTheStandardTimesBetweenPackets)
{
    JIN_trans t;
    JIN_msg_ret r = t.put_packet(
        cm(JIN_trans::PGN_TP_CM, PEER, US, {16, 30, 0, 5, 0xFF, 0x00, 0xEF, 0x00}), false);
    frames_of(t, r);
    EXPECT_EQ(r.get_timeout_ms(), 1250) << "T2 after a CTS";
    r = t.put_packet(cm(JIN_trans::PGN_TP_DT, PEER, US, {1, 0, 0, 0, 0, 0, 0, 0}), false);
    EXPECT_EQ(r.get_timeout_ms(), 750) << "T1 between packets";
    // A gap: the sender finishes its window before it hears again from us.
    for (unsigned char seq : {3, 4}) {
        r = t.put_packet(cm(JIN_trans::PGN_TP_DT, PEER, US, {seq, 0, 0, 0, 0, 0, 0, 0}), false);
        EXPECT_EQ(t.get_state(), JIN_trans::STATE_RX_WAIT_DATA) << int(seq);
        EXPECT_EQ(r.get_timeout_ms(), 750) << "T1 for the window's end";
    }
    r = t.put_packet(cm(JIN_trans::PGN_TP_DT, PEER, US, {5, 0, 0, 0, 0, 0, 0, 0}), false);
    EXPECT_EQ(t.get_state(), JIN_trans::STATE_RX_SEND_CTS) << "the window's end asks again";
    auto frames = frames_of(t, r);
    EXPECT_EQ(bytes(frames[0]), (Bytes{17, 4, 2, 0xFF, 0xFF, 0x00, 0xEF, 0x00}));
}

TEST(JIN_trans, BroadcastPacketsAreSpaced)
{
    Trans_link link;
    const auto data = pattern(20); // 3 packets
    link.send(JIN_header(US, 255, 0xFECA, 6, JIN_TRANS_TX_TP, 20), data.data(), 20);
    std::vector<long> times;
    link.deliver = [&](int, const JIN_packet&) {
        times.push_back(link.now);
        return true;
    };
    link.run();
    ASSERT_EQ(link.log.size(), 4u);
    EXPECT_EQ(bytes(link.log[0].frame), (Bytes{32, 20, 0, 3, 0xFF, 0xCA, 0xFE, 0x00}));
    EXPECT_EQ(link.log[0].frame.get_dest(), 255);
    EXPECT_EQ(times, (std::vector<long>{0, 50, 100, 150}));
    EXPECT_EQ(link.end[0].group, JIN_GROUP_TX_DONE);
    ASSERT_EQ(link.end[1].group, JIN_GROUP_RX_COMPLETE);
    EXPECT_EQ(received(link.end[1].t), data);
    EXPECT_EQ(link.end[1].timeouts_ms.front(), 750) << "T1 while receiving a broadcast";
}

TEST(JIN_trans, ThrottlerPausesAfterEveryFifthFrame)
{
    Trans_link link;
    std::vector<long> times;
    link.deliver = [&](int from, const JIN_packet& f) {
        if (from == 0 && f.get_pgn() == JIN_trans::PGN_TP_DT)
            times.push_back(link.now);
        return true;
    };
    const auto data = pattern(84); // 12 packets
    JIN_header h = to_peer(84);
    JIN_msg_ret r = link.end[0].t.write(h, data.data(), 84);
    link.end[0].apply(r, 0);
    link.end[0].t.set_throttler(JIN_trans::Throttler(20, 5));
    link.end[0].apply(link.end[0].t.commence_tx(link.sids), 0);
    link.run();
    EXPECT_EQ(times, (std::vector<long>{0, 0, 0, 0, 0, 20, 20, 20, 20, 20, 40, 40}));
    EXPECT_EQ(received(link.end[1].t), data);
}

TEST(JIN_trans, WriterFeedsTheRestLater)
{
    Trans_link link;
    const auto data = pattern(100);
    JIN_msg_ret r = link.end[0].t.write(to_peer(100), data.data(), 10);
    EXPECT_EQ(r.get_error(), JIN_ERR_DATA_WANTED);
    link.end[0].apply(r, 0);
    link.end[0].apply(link.end[0].t.commence_tx(link.sids), 0);
    link.run(3); // RTS, CTS, one packet; then the writer is waited for
    EXPECT_EQ(link.end[0].t.get_state(), JIN_trans::STATE_TX_WAIT_FEED);
    int taken = 0;
    r = link.end[0].t.feed_data(data.data() + 10, 200, taken);
    EXPECT_EQ(taken, 90);
    link.end[0].apply(r, link.now);
    link.run();
    ASSERT_EQ(link.end[1].group, JIN_GROUP_RX_COMPLETE);
    EXPECT_EQ(received(link.end[1].t), data);

    JIN_trans single;
    r = single.feed_data(data.data(), 4, taken);
    EXPECT_EQ(taken, -1);
}

TEST(JIN_trans, SingleFramesAndReadBufferSize)
{
    JIN_trans tx;
    const unsigned char d[3] = {1, 2, 3};
    JIN_msg_ret r = tx.write(JIN_header(US, PEER, 0xEA00, 6, JIN_TRANS_TX_SINGLE, 3), d, 3);
    EXPECT_EQ(r.get_group(), JIN_GROUP_TX_SINGLE);
    auto frames = frames_of(tx, r);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].id, 0x18EA261Cu);
    EXPECT_EQ(bytes(frames[0]), (Bytes{1, 2, 3}));
    EXPECT_EQ(r.get_group(), JIN_GROUP_TX_DONE);

    JIN_trans eleven;
    eleven.write(JIN_header(static_cast<unsigned short>(0x35A), 2), d, 2);
    frames = frames_of(eleven, r);
    EXPECT_FALSE(frames[0].is_extended());
    EXPECT_EQ(frames[0].id, 0x35Au);

    JIN_trans rx;
    r = rx.put_packet(cm(0xEA00, PEER, US, {1, 2, 3}), false);
    EXPECT_EQ(r.get_group(), JIN_GROUP_RX_COMPLETE);
    JIN_header h;
    unsigned char small[2];
    EXPECT_EQ(rx.read(h, small, 2).get_error(), JIN_ERR_BUFFER_SMALL);
    unsigned char buf[8];
    EXPECT_EQ(rx.read(h, buf, 8).get_error(), 0);
    EXPECT_EQ(h.type, JIN_TRANS_RX_SINGLE);
    EXPECT_EQ(h.length, 3u);
    EXPECT_EQ(h.src, PEER);
    r = rx.timeout_notify();
    EXPECT_EQ(r.get_group(), JIN_GROUP_FINISHED) << "unread for too long: dropped";
}

// An abort from the peer ends the transfer on either side, at any point.
TEST(JIN_trans, PeerAbortEndsTheTransfer)
{
    for (bool etp : {false, true}) {
        for (int cut : {1, 2, 3, 5}) {
            SCOPED_TRACE(std::string(etp ? "ETP" : "TP") + " after frame " + std::to_string(cut));
            for (int aborter : {0, 1}) {
                Trans_link link;
                const unsigned len = etp ? 2000 : 100;
                const auto data = pattern(len);
                int frames = 0;
                link.deliver = [&](int, const JIN_packet&) {
                    if (++frames == cut) {
                        // The aborting side's peer is told; the aborter itself just stops.
                        link.put(1 - aborter,
                                 cm(etp ? JIN_trans::PGN_ETP_CM : JIN_trans::PGN_TP_CM,
                                    aborter == 0 ? US : PEER, aborter == 0 ? PEER : US,
                                    {255, 3, 0xFF, 0xFF, 0xFF, 0x00, 0xEF, 0x00}));
                        link.end[aborter].t.zap(0, 0, JIN_GROUP_FINISHED);
                        link.end[aborter].group = JIN_GROUP_FINISHED;
                        link.end[aborter].armed = link.end[aborter].wants_tx = false;
                        return false;
                    }
                    return true;
                };
                link.send(to_peer(len), data.data(), len);
                link.run();
                EXPECT_EQ(link.end[1 - aborter].group, JIN_GROUP_FINISHED) << "aborter " << aborter;
                EXPECT_TRUE(link.end[1 - aborter].t.is_idle());
            }
        }
    }
}

TEST(JIN_trans, EtpReceiverRepeatsItsCtsWhenTheDpoIsLate)
{
    JIN_trans t;
    JIN_msg_ret r = t.put_packet(
        cm(JIN_trans::PGN_ETP_CM, PEER, US, {20, 0xD0, 0x07, 0, 0, 0x00, 0xEF, 0x00}), false);
    EXPECT_EQ(r.get_group(), JIN_GROUP_RX_ETP);
    auto frames = frames_of(t, r, 100);
    EXPECT_EQ(bytes(frames[0]), (Bytes{21, 100, 1, 0, 0, 0x00, 0xEF, 0x00}));
    EXPECT_EQ(t.get_state(), JIN_trans::STATE_RX_WAIT_DPO);
    EXPECT_EQ(r.get_timeout_ms(), 1250);
    r = t.put_packet(cm(JIN_trans::PGN_ETP_DT, PEER, US, {1, 0, 0, 0, 0, 0, 0, 0}), false);
    EXPECT_EQ(r.get_error(), JIN_ERR_UNEXPECTED) << "data before the DPO";
    r = t.timeout_notify();
    EXPECT_EQ(t.get_state(), JIN_trans::STATE_RX_SEND_CTS);
    frames = frames_of(t, r, 100);
    EXPECT_EQ(bytes(frames[0]), (Bytes{21, 100, 1, 0, 0, 0x00, 0xEF, 0x00}));
    // A DPO naming more packets than the CTS granted is held to the CTS.
    r = t.put_packet(cm(JIN_trans::PGN_ETP_CM, PEER, US, {22, 200, 0, 0, 0, 0x00, 0xEF, 0x00}),
                     false);
    EXPECT_EQ(t.get_state(), JIN_trans::STATE_RX_WAIT_DATA);
    for (unsigned seq = 1; seq <= 100; ++seq)
        r = t.put_packet(cm(JIN_trans::PGN_ETP_DT, PEER, US, {seq, 1, 2, 3, 4, 5, 6, 7}), false);
    EXPECT_EQ(t.get_state(), JIN_trans::STATE_RX_SEND_CTS);
    frames = frames_of(t, r, 100);
    EXPECT_EQ(bytes(frames[0]), (Bytes{21, 100, 101, 0, 0, 0x00, 0xEF, 0x00}));
    int done = 0, total = 0;
    t.get_progress(done, total);
    EXPECT_EQ(done, 700);
    EXPECT_EQ(total, 2000);
}

// Our receiver against a sender that keeps strictly to ISO 11783-3 and
// aborts on a CTS in the middle of its window: lost data packets are asked
// for again once the window is over (at its last packet, or after T1 when
// that one is lost), and the message arrives whole.
TEST(JIN_trans, LostPacketsAreAskedForOncePerWindowFromAStrictSender)
{
    struct Case {
        const char* what;
        bool etp;
        unsigned len;
        int threshold;
        std::vector<unsigned> lost; // packet numbers from 1, each lost once
        int cts;                    // CTS frames the sender gets: one per window
    };
    const Case cases[] = {
        {"TP in one window", false, 700, 255, {7, 40}, 2},
        {"TP windows of 16, a window's last lost", false, 700, 16, {16, 40}, 7},
        {"ETP in one window", true, 3000, 255, {7, 40}, 3},
        {"ETP windows of 16, a window's last lost", true, 3000, 16, {16, 300}, 28},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto data = pattern(c.len);
        Strict_sender sender(c.etp, PEER, US, PGN, data);
        Trans_end rx;
        rx.cts_threshold = c.threshold;
        std::vector<unsigned> to_lose = c.lost;
        unsigned dpo_offset = 0;
        long now = 0;
        for (int steps = 0; steps < 100000; ++steps) {
            if (rx.wants_tx) {
                JIN_packet frames[16];
                int count = rx.cts_threshold;
                rx.apply(rx.t.get_packets(frames, 10, count), now);
                if (count == 0)
                    rx.wants_tx = false;
                for (int k = 0; k < count; ++k)
                    sender.receive(frames[k]);
                continue;
            }
            JIN_packet f;
            if (sender.next_frame(f)) {
                ++now;
                if (f.data[0] == JIN_trans::CM_ETP_DPO && f.get_pgn() == JIN_trans::PGN_ETP_CM)
                    dpo_offset = f.data[2] | f.data[3] << 8 | unsigned(f.data[4]) << 16;
                const bool data_frame =
                    f.get_pgn() == (c.etp ? JIN_trans::PGN_ETP_DT : JIN_trans::PGN_TP_DT);
                const unsigned number = f.data[0] + (c.etp ? dpo_offset : 0);
                auto lose = std::find(to_lose.begin(), to_lose.end(), number);
                if (data_frame && lose != to_lose.end()) {
                    to_lose.erase(lose);
                    continue;
                }
                rx.apply(rx.t.put_packet(f, false), now);
                continue;
            }
            if (!rx.armed || rx.group == JIN_GROUP_RX_COMPLETE)
                break;
            now = std::max(now, rx.deadline);
            rx.armed = false;
            rx.apply(rx.t.timeout_notify(), now);
        }
        EXPECT_TRUE(to_lose.empty());
        EXPECT_EQ(sender.state(), Strict_sender::DONE) << "abort reason " << int(sender.abort_reason());
        ASSERT_EQ(rx.group, JIN_GROUP_RX_COMPLETE);
        EXPECT_EQ(received(rx.t), data);
        EXPECT_EQ(sender.cts_received(), c.cts) << "one CTS per window and one per loss";
    }
}

// The extended protocol answers with its own abort reasons.
TEST(JIN_trans, EtpAbortsUseTheExtendedReasons)
{
    // A CTS that asks for packets beyond the message.
    JIN_trans tx;
    NMEA2000_fast_sid_manager sids;
    const auto data = pattern(3000); // 429 packets
    tx.write(to_peer(3000, JIN_TRANS_TX_ETP), data.data(), 3000);
    JIN_msg_ret r = tx.commence_tx(sids);
    frames_of(tx, r); // the RTS
    tx.put_packet(cm(JIN_trans::PGN_ETP_CM, PEER, US, {21, 10, 425, 1, 0, 0x00, 0xEF, 0x00}), false);
    auto frames = frames_of(tx, r);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(bytes(frames[0]), (Bytes{255, JIN_trans::ABORT_ETP_CTS_BEYOND_MESSAGE, 0xFF, 0xFF, 0xFF,
                                       0x00, 0xEF, 0x00}));

    // A DPO whose offset lies beyond the packets received.
    JIN_trans rx;
    r = rx.put_packet(cm(JIN_trans::PGN_ETP_CM, PEER, US, {20, 0xB8, 0x0B, 0, 0, 0x00, 0xEF, 0x00}),
                      false);
    frames = frames_of(rx, r);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].data[0], JIN_trans::CM_ETP_CTS);
    rx.put_packet(cm(JIN_trans::PGN_ETP_CM, PEER, US, {22, 10, 5, 0, 0, 0x00, 0xEF, 0x00}), false);
    frames = frames_of(rx, r);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(bytes(frames[0]),
              (Bytes{255, JIN_trans::ABORT_ETP_BAD_DPO_OFFSET, 0xFF, 0xFF, 0xFF, 0x00, 0xEF, 0x00}));
}

} // namespace
