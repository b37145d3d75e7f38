#include "can/JIN_trans.h"

#include "can/NMEA2000_fast_sid_manager.h"
#include "util/Debug_base.h"
#include "util/Debug_print.h"
#include "util/Mspace.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

unsigned get_u24(const unsigned char* p) { return p[0] | (p[1] << 8) | (unsigned(p[2]) << 16); }
unsigned get_u32(const unsigned char* p) { return get_u24(p) | (unsigned(p[3]) << 24); }
void put_u24(unsigned char* p, unsigned v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
}
void put_u32(unsigned char* p, unsigned v)
{
    put_u24(p, v);
    p[3] = static_cast<unsigned char>(v >> 24);
}

JIN_msg_ret result(JIN_msg_group g, JIN_msg_trans t, int ms, int error = 0)
{
    return JIN_msg_ret(g, t, true, ms, error, 0);
}

// A result that changes neither the queue nor the deadline.
JIN_msg_ret unchanged(int error = 0)
{
    JIN_msg_ret r;
    r.set_error(error);
    r.set_transmit_requested(JIN_TX_KEEP);
    return r;
}

} // namespace

Mspace& JIN_trans::space()
{
    return jin_trans_space();
}

bool JIN_trans::Throttler::count_frame()
{
    if (delay == 0 || budget == 0)
        return false;
    if (remaining == 0 || remaining > budget)
        remaining = budget;
    if (--remaining == 0) {
        remaining = budget;
        return true;
    }
    return false;
}

JIN_trans::JIN_trans() : start_time_(false) {}

JIN_trans::~JIN_trans()
{
    free_buffer();
}

// ---------------------------------------------------------------------------
// Buffers

bool JIN_trans::alloc_buffer(unsigned len)
{
    free_buffer();
    if (len <= sizeof inline_)
        return true;
    buf_ = static_cast<unsigned char*>(space().malloc(len));
    return buf_ != nullptr;
}

void JIN_trans::free_buffer()
{
    if (!buf_)
        return;
    space().free(buf_);
    buf_ = nullptr;
}

unsigned char* JIN_trans::data_ptr()
{
    return buf_ ? buf_ : inline_;
}

const unsigned char* JIN_trans::get_data() const
{
    if (state_ == STATE_NULL)
        return nullptr;
    return buf_ ? buf_ : inline_;
}

bool JIN_trans::put_data(unsigned offset, const unsigned char* src, unsigned n)
{
    if (offset > header_.length || n > header_.length - offset)
        return false;
    if (n)
        std::memcpy(data_ptr() + offset, src, n);
    return true;
}

unsigned JIN_trans::packets() const
{
    switch (header_.type) {
    case JIN_TRANS_RX_FAST:
    case JIN_TRANS_TX_FAST: return fast_frames(header_.length);
    case JIN_TRANS_RX_TP:
    case JIN_TRANS_RX_ETP:
    case JIN_TRANS_TX_TP:
    case JIN_TRANS_TX_ETP: return tp_packets(header_.length);
    default: return 1;
    }
}

unsigned JIN_trans::packet_bytes(unsigned n) const
{
    unsigned start = n * 7;
    if (start >= header_.length)
        return 0;
    return std::min(7u, header_.length - start);
}

bool JIN_trans::have_packet_data(unsigned n) const
{
    unsigned end = std::min((n + 1) * 7, header_.length);
    return given_ >= end;
}

bool JIN_trans::have_tx_tp_data() const
{
    return have_packet_data(counter_);
}

bool JIN_trans::have_tx_fast_data() const
{
    unsigned end = counter_ == 0 ? 6 : 6 + counter_ * 7;
    return given_ >= std::min(end, header_.length);
}

bool JIN_trans::want_data() const
{
    return is_tx() && buf_ && given_ < header_.length &&
           given_ - consumed_ < header_.length / 2;
}

unsigned char JIN_trans::construct_fast_head_byte() const
{
    return static_cast<unsigned char>((fast_sid_ << 5) | (counter_ & 0x1F));
}

JIN_msg_group JIN_trans::rx_group() const
{
    switch (header_.type) {
    case JIN_TRANS_RX_ETP: return JIN_GROUP_RX_ETP;
    case JIN_TRANS_RX_FAST: return JIN_GROUP_RX_FAST;
    default: return JIN_GROUP_RX_TP;
    }
}

JIN_msg_group JIN_trans::tx_group() const
{
    switch (header_.type) {
    case JIN_TRANS_TX_FAST: return JIN_GROUP_TX_FAST;
    case JIN_TRANS_TX_SINGLE:
    case JIN_TRANS_TX_11BIT: return JIN_GROUP_TX_SINGLE;
    default: return JIN_GROUP_TX_MULTI;
    }
}

// ---------------------------------------------------------------------------
// Reset

JIN_msg_ret JIN_trans::zap(int tag, int error, JIN_msg_group g)
{
    free_buffer();
    // Source, destination, PGN and priority stay for the owner's bookkeeping.
    header_.length = 0;
    header_.type = JIN_TRANS_INVALID;
    state_ = STATE_NULL;
    counter_ = window_end_ = window_start_ = total_ = dpo_offset_ = 0;
    given_ = consumed_ = retries_ = sent_high_ = 0;
    rts_limit_ = 255;
    announced_pgn_ = 0;
    abort_reason_ = ABORT_OTHER;
    fast_sid_ = 0;
    throttler_.zap();
    return JIN_msg_ret(g, JIN_TX_NONE, false, 0, error, tag);
}

// ---------------------------------------------------------------------------
// Transmission set-up

JIN_msg_ret JIN_trans::write(const JIN_header& h, const unsigned char* data, unsigned len)
{
    Throttler keep = throttler_;
    zap(0, 0, JIN_GROUP_FINISHED);
    throttler_ = keep;
    if (!data)
        len = 0;
    header_ = h;
    announced_pgn_ = h.pgn;
    const unsigned total = h.length;
    JIN_trans_type_t type = h.type;

    if (type == JIN_TRANS_TX_FAST) {
        JDB::print(_JDB::CAN_06, "Receive NFP TX req %i\n", static_cast<int>(h.pgn));
        if (total > FAST_MAX)
            type = total <= TP_MAX ? JIN_TRANS_TX_TP : JIN_TRANS_TX_ETP;
    } else if (type == JIN_TRANS_TX_SINGLE || type == JIN_TRANS_TX_TP || type == JIN_TRANS_TX_ETP) {
        if (total > 8)
            type = total <= TP_MAX ? JIN_TRANS_TX_TP : JIN_TRANS_TX_ETP;
        else
            type = JIN_TRANS_TX_SINGLE;
    } else if (type != JIN_TRANS_TX_11BIT) {
        return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);
    }
    header_.type = type;

    switch (type) {
    case JIN_TRANS_TX_11BIT:
    case JIN_TRANS_TX_SINGLE:
        if (total > 8 || len < total)
            return zap(0, JIN_ERR_BAD_LENGTH, JIN_GROUP_FINISHED);
        std::memcpy(inline_, data, total);
        given_ = total;
        state_ = STATE_TX_SEND_DATA;
        return result(JIN_GROUP_TX_SINGLE, JIN_TX_WANTED_LAST, T_SEND);
    case JIN_TRANS_TX_TP:
    case JIN_TRANS_TX_ETP:
        // ETP has no broadcast form.
        if (total < 9 || total > ETP_MAX ||
            (type == JIN_TRANS_TX_ETP && h.dest == JIN_packet::GLOBAL_ADDRESS))
            return zap(0, JIN_ERR_BAD_LENGTH, JIN_GROUP_FINISHED);
        header_.prio = TRANSPORT_PRIORITY;
        break;
    default: // fast packet
        if (total <= 8 && len < total)
            return zap(0, JIN_ERR_BAD_LENGTH, JIN_GROUP_FINISHED);
        break;
    }

    if (!alloc_buffer(total))
        return zap(0, JIN_ERR_NO_MEMORY, JIN_GROUP_FINISHED);
    given_ = std::min(len, total);
    if (given_)
        std::memcpy(data_ptr(), data, given_);
    state_ = STATE_TX_UNCOMMENCED;
    return JIN_msg_ret(JIN_GROUP_TX_NEW, JIN_TX_NONE, false, 0, want_data_error(), 0);
}

JIN_msg_ret JIN_trans::hold_tx()
{
    if (state_ != STATE_TX_UNCOMMENCED)
        return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);
    JIN_msg_group g =
        header_.type == JIN_TRANS_TX_FAST ? JIN_GROUP_TX_HELD_FAST : JIN_GROUP_TX_HELD;
    return JIN_msg_ret(g, JIN_TX_NONE, false, 0, 0, 0);
}

JIN_msg_ret JIN_trans::commence_tx(NMEA2000_fast_sid_manager& sids)
{
    if (state_ != STATE_TX_UNCOMMENCED)
        return unchanged(JIN_ERR_UNEXPECTED);
    start_time_ = Atime::now();
    switch (header_.type) {
    case JIN_TRANS_TX_TP:
        state_ = is_broadcast() ? STATE_TX_SEND_BAM : STATE_TX_SEND_RTS;
        return result(JIN_GROUP_TX_MULTI, JIN_TX_WANTED_LAST, T_SEND);
    case JIN_TRANS_TX_ETP:
        state_ = STATE_TX_SEND_RTS;
        return result(JIN_GROUP_TX_MULTI, JIN_TX_WANTED_LAST, T_SEND);
    case JIN_TRANS_TX_FAST: {
        int sid = sids.get_id(header_.pgn);
        if (sid < 0)
            return zap(0, JIN_ERR_NO_MEMORY, JIN_GROUP_FINISHED);
        fast_sid_ = static_cast<unsigned char>(sid);
        if (have_tx_fast_data()) {
            state_ = STATE_TX_SEND_DATA;
            return result(JIN_GROUP_TX_FAST, JIN_TX_WANTED_LAST, T_SEND);
        }
        state_ = STATE_TX_WAIT_FEED;
        return result(JIN_GROUP_TX_FAST, JIN_TX_NONE, T_SEND, JIN_ERR_DATA_WANTED);
    }
    default:
        return unchanged(JIN_ERR_UNEXPECTED);
    }
}

// ---------------------------------------------------------------------------
// Frames

void JIN_trans::make_cm(JIN_packet& f, unsigned pgn_cm, unsigned char from,
                        unsigned char to) const
{
    f = JIN_packet();
    f.set_extended_id(TRANSPORT_PRIORITY, pgn_cm, to, from);
    f.length = 8;
    std::memset(f.data, 0xFF, 8);
    if (pgn_cm == PGN_TP_CM || pgn_cm == PGN_ETP_CM)
        put_u24(f.data + 5, announced_pgn_);
}

// Bytes 1..3 of a TP RTS, BAM or EOMA: the message size and its packets.
void JIN_trans::put_tp_size(JIN_packet& f) const
{
    f.data[1] = static_cast<unsigned char>(header_.length);
    f.data[2] = static_cast<unsigned char>(header_.length >> 8);
    f.data[3] = static_cast<unsigned char>(packets());
}

void JIN_trans::make_abort(JIN_packet& f) const
{
    const bool rx = !is_tx();
    make_cm(f, is_etp() ? PGN_ETP_CM : PGN_TP_CM, rx ? header_.dest : header_.src,
            rx ? header_.src : header_.dest);
    f.data[0] = CM_ABORT;
    f.data[1] = abort_reason_;
}

JIN_msg_ret JIN_trans::get_packets(JIN_packet* frames, int max, int& count)
{
    const int threshold = count;
    count = 0;
    if (max < 1) {
        Debug_print::bprint("Massive failure in JIN_trans::get_packets!\r\n");
        std::exit(-131);
    }
    JIN_packet& f = frames[0];
    switch (state_) {
    case STATE_TX_SEND_DATA:
        if (header_.type == JIN_TRANS_TX_SINGLE || header_.type == JIN_TRANS_TX_11BIT) {
            f = JIN_packet();
            if (header_.type == JIN_TRANS_TX_11BIT) {
                f.set_extended(false);
                f.id = ((header_.prio & 7) << 8) | header_.src;
            } else {
                f.set_extended_id(header_.prio, header_.pgn, header_.dest, header_.src);
            }
            f.length = static_cast<uint8_t>(header_.length);
            std::memcpy(f.data, inline_, header_.length);
            count = 1;
            return zap(0, 0, JIN_GROUP_TX_DONE);
        }
        if (header_.type == JIN_TRANS_TX_FAST)
            return tx_fast_frame(f, count);
        return tx_tp_frames(frames, max, count);

    case STATE_TX_SEND_RTS:
        make_cm(f, is_etp() ? PGN_ETP_CM : PGN_TP_CM, header_.src, header_.dest);
        if (is_etp()) {
            f.data[0] = CM_ETP_RTS;
            put_u32(f.data + 1, header_.length);
        } else {
            f.data[0] = CM_RTS;
            put_tp_size(f);
        }
        count = 1;
        state_ = STATE_TX_WAIT_CTS;
        return result(JIN_GROUP_TX_MULTI, JIN_TX_NONE, T3_WAIT_CTS);

    case STATE_TX_SEND_BAM:
        make_cm(f, PGN_TP_CM, header_.src, JIN_packet::GLOBAL_ADDRESS);
        f.data[0] = CM_BAM;
        put_tp_size(f);
        count = 1;
        window_end_ = packets();
        state_ = STATE_TX_WAIT_BCAST_TIMEOUT;
        return result(JIN_GROUP_TX_MULTI, JIN_TX_NONE, T_BAM_GAP);

    case STATE_TX_SEND_DPO: {
        make_cm(f, PGN_ETP_CM, header_.src, header_.dest);
        f.data[0] = CM_ETP_DPO;
        f.data[1] = static_cast<unsigned char>(window_end_ - counter_);
        put_u24(f.data + 2, counter_);
        dpo_offset_ = counter_;
        count = 1;
        if (have_tx_tp_data()) {
            state_ = STATE_TX_SEND_DATA;
            return result(JIN_GROUP_TX_MULTI, JIN_TX_WANTED_LAST, T_SEND);
        }
        state_ = STATE_TX_WAIT_FEED;
        return result(JIN_GROUP_TX_MULTI, JIN_TX_NONE, T_SEND, JIN_ERR_DATA_WANTED);
    }

    case STATE_RX_SEND_CTS: {
        unsigned left = packets() - counter_;
        unsigned n = std::min<unsigned>(threshold < 1 ? 1 : threshold, left);
        n = std::min(n, 255u);
        // Never more than the sender allowed in its RTS.
        if (!is_etp())
            n = std::min(n, rts_limit_);
        make_cm(f, is_etp() ? PGN_ETP_CM : PGN_TP_CM, header_.dest, header_.src);
        if (is_etp()) {
            f.data[0] = CM_ETP_CTS;
            f.data[1] = static_cast<unsigned char>(n);
            put_u24(f.data + 2, counter_ + 1);
        } else {
            f.data[0] = CM_CTS;
            f.data[1] = static_cast<unsigned char>(n);
            f.data[2] = static_cast<unsigned char>(counter_ + 1);
        }
        count = 1;
        window_start_ = window_end_;
        window_end_ = counter_ + n;
        state_ = is_etp() ? STATE_RX_WAIT_DPO : STATE_RX_WAIT_DATA;
        return result(rx_group(), JIN_TX_NONE, T2_AFTER_CTS);
    }

    case STATE_RX_SEND_EOM:
        make_cm(f, is_etp() ? PGN_ETP_CM : PGN_TP_CM, header_.dest, header_.src);
        if (is_etp()) {
            f.data[0] = CM_ETP_EOMA;
            put_u32(f.data + 1, header_.length);
        } else {
            f.data[0] = CM_EOMA;
            put_tp_size(f);
        }
        count = 1;
        state_ = STATE_RX_COMPLETE;
        return result(JIN_GROUP_RX_COMPLETE, JIN_TX_NONE, T_COMPLETE);

    case STATE_RX_SEND_CON_ABORT:
    case STATE_TX_SEND_CON_ABORT:
        make_abort(f);
        count = 1;
        return zap(0, 0, JIN_GROUP_FINISHED);

    default:
        if (header_.type == JIN_TRANS_TX_FAST) {
            Debug_print::dprint("Unexpected fast state\n");
            JIN_msg_ret r = unchanged(JIN_ERR_UNEXPECTED);
            r.set_transmit_requested(JIN_TX_NONE);
            return r;
        }
        JIN_msg_ret r = unchanged();
        r.set_transmit_requested(JIN_TX_NONE);
        return r;
    }
}

JIN_msg_ret JIN_trans::tx_fast_frame(JIN_packet& f, int& count)
{
    const unsigned frames = packets();
    if (!have_tx_fast_data()) {
        JDB::print(_JDB::CAN_06, "NFP no data\n");
        state_ = STATE_TX_WAIT_FEED;
        return result(JIN_GROUP_TX_FAST, JIN_TX_NONE, T_SEND, JIN_ERR_DATA_WANTED);
    }
    if (total_ >= 4 * frames)
        return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);
    f = JIN_packet();
    f.set_extended_id(header_.prio, header_.pgn, header_.dest, header_.src);
    f.length = 8;
    std::memset(f.data, 0xFF, 8);
    f.data[0] = construct_fast_head_byte();
    const unsigned char* d = data_ptr();
    unsigned offset, n;
    if (counter_ == 0) {
        f.data[1] = static_cast<unsigned char>(header_.length);
        offset = 0;
        n = std::min(6u, header_.length);
        std::memcpy(f.data + 2, d, n);
    } else {
        offset = 6 + (counter_ - 1) * 7;
        n = std::min(7u, header_.length - offset);
        std::memcpy(f.data + 1, d + offset, n);
    }
    if (JDB::enabled(_JDB::CAN_06)) {
        Debug_print::dprint("TXFAST %lx id=%d pkt=%d d0=%d idx=%d len=%d h=%02x data={",
                            static_cast<unsigned long>(f.id), fast_sid_, counter_, d[0], offset,
                            header_.length, f.data[0]);
        for (unsigned i = 0; i < n; ++i)
            Debug_print::dprint("%02x", d[offset + i]);
        Debug_print::dprint("}\n");
    }
    count = 1;
    ++counter_;
    ++total_;
    consumed_ = offset + n;
    if (counter_ >= frames)
        return zap(0, 0, JIN_GROUP_TX_DONE);
    return tx_after_data(throttler_.count_frame());
}

// What follows a data frame of a transmission to a peer or a fast packet.
JIN_msg_ret JIN_trans::tx_after_data(bool paused)
{
    const bool fast = header_.type == JIN_TRANS_TX_FAST;
    const bool ready = fast ? have_tx_fast_data() : have_tx_tp_data();
    if (!ready) {
        state_ = STATE_TX_WAIT_FEED;
        return result(tx_group(), JIN_TX_NONE, T_SEND, JIN_ERR_DATA_WANTED);
    }
    if (paused) {
        state_ = STATE_TX_WAIT_BCAST_TIMEOUT;
        return result(tx_group(), JIN_TX_NONE, throttler_.delay);
    }
    state_ = STATE_TX_SEND_DATA;
    return result(tx_group(), JIN_TX_WANTED_LAST, T_SEND);
}

JIN_msg_ret JIN_trans::tx_tp_frames(JIN_packet* frames, int max, int& count)
{
    const unsigned total_packets = packets();
    const bool etp = is_etp();
    const int limit = etp ? max : 1;
    while (count < limit) {
        if (!have_tx_tp_data()) {
            state_ = STATE_TX_WAIT_FEED;
            return result(JIN_GROUP_TX_MULTI, JIN_TX_NONE, T_SEND, JIN_ERR_DATA_WANTED);
        }
        if (total_ >= 4 * total_packets) {
            // A peer that keeps asking for the same packets again.
            if (is_broadcast())
                return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);
            return tx_abort(ABORT_RETRANSMIT_LIMIT, JIN_ERR_UNEXPECTED);
        }
        JIN_packet& f = frames[count];
        make_cm(f, etp ? PGN_ETP_DT : PGN_TP_DT, header_.src, header_.dest);
        f.data[0] = static_cast<unsigned char>(etp ? counter_ - dpo_offset_ + 1 : counter_ + 1);
        std::memcpy(f.data + 1, data_ptr() + counter_ * 7, packet_bytes(counter_));
        ++count;
        ++counter_;
        ++total_;
        sent_high_ = std::max(sent_high_, counter_);
        const bool paused = throttler_.count_frame();

        if (is_broadcast()) {
            if (counter_ >= total_packets)
                return zap(0, 0, JIN_GROUP_TX_DONE);
            consumed_ = counter_ * 7;
            // Broadcast packets are spaced; the throttler may ask for more.
            int gap = paused ? std::max<int>(T_BAM_GAP, throttler_.delay) : T_BAM_GAP;
            state_ = STATE_TX_WAIT_BCAST_TIMEOUT;
            return result(JIN_GROUP_TX_MULTI, JIN_TX_NONE, gap);
        }
        if (counter_ >= window_end_ || counter_ >= total_packets) {
            state_ = STATE_TX_WAIT_CTS;
            return result(JIN_GROUP_TX_MULTI, JIN_TX_NONE, T3_WAIT_CTS);
        }
        if (!have_tx_tp_data() || paused)
            return tx_after_data(paused);
    }
    state_ = STATE_TX_SEND_DATA;
    return result(JIN_GROUP_TX_MULTI, JIN_TX_WANTED_LAST, T_SEND);
}

JIN_msg_ret JIN_trans::tx_abort(unsigned char reason, int error)
{
    abort_reason_ = reason;
    state_ = STATE_TX_SEND_CON_ABORT;
    return result(JIN_GROUP_TX_MULTI, JIN_TX_WANTED_LAST, T_SEND, error);
}

JIN_msg_ret JIN_trans::rx_abort(unsigned char reason, int error, int ms)
{
    abort_reason_ = reason;
    state_ = STATE_RX_SEND_CON_ABORT;
    return result(rx_group(), JIN_TX_WANTED_LAST, ms, error);
}

// ---------------------------------------------------------------------------
// Received frames

JIN_msg_ret JIN_trans::put_packet(const JIN_packet& pkt, bool fast)
{
    if (state_ == STATE_NULL)
        return rx_start(pkt, fast);
    const unsigned pgn = pkt.get_pgn();
    if (is_tx()) {
        if (header_.type == JIN_TRANS_TX_FAST) {
            Debug_print::dprint("Unexpected msg given to FAST connection\n");
            return unchanged(JIN_ERR_UNEXPECTED);
        }
        if (pkt.is_extended() && (pgn == PGN_TP_CM || pgn == PGN_ETP_CM))
            return tx_control(pkt);
        return unchanged(JIN_ERR_UNEXPECTED);
    }
    switch (header_.type) {
    case JIN_TRANS_RX_FAST:
        return rx_fast_frame(pkt);
    case JIN_TRANS_RX_TP:
    case JIN_TRANS_RX_ETP: {
        const bool etp = is_etp();
        if (!pkt.is_extended())
            return unchanged(JIN_ERR_UNEXPECTED);
        if (pgn == (etp ? PGN_ETP_DT : PGN_TP_DT))
            return etp ? rx_etp_data(pkt) : rx_tp_data(pkt);
        if (pgn == (etp ? PGN_ETP_CM : PGN_TP_CM) && pkt.length >= 8 &&
            get_u24(pkt.data + 5) == announced_pgn_) {
            if (pkt.data[0] == CM_ABORT)
                return zap(0, 0, JIN_GROUP_FINISHED);
            if (etp && pkt.data[0] == CM_ETP_DPO)
                return rx_etp_dpo(pkt);
        }
        return unchanged(JIN_ERR_UNEXPECTED);
    }
    default:
        return unchanged(JIN_ERR_UNEXPECTED);
    }
}

JIN_msg_ret JIN_trans::rx_start(const JIN_packet& pkt, bool fast)
{
    zap(0, 0, JIN_GROUP_FINISHED);
    const unsigned pgn = pkt.get_pgn();
    header_.src = pkt.get_src();
    header_.dest = pkt.get_dest();
    header_.pgn = pgn;
    header_.prio = pkt.get_prio();
    start_time_ = Atime::now();

    if (pkt.is_extended() && (pgn == PGN_TP_CM || pgn == PGN_ETP_CM)) {
        if (pkt.length < 8)
            return zap(0, JIN_ERR_BAD_LENGTH, JIN_GROUP_FINISHED);
        const unsigned char control = pkt.data[0];
        if (pgn == PGN_TP_CM && (control == CM_RTS || control == CM_BAM))
            return rx_tp_init(pkt, false);
        if (pgn == PGN_ETP_CM && control == CM_ETP_RTS)
            return rx_tp_init(pkt, true);
        return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);
    }
    if (pkt.is_extended() && (pgn == PGN_TP_DT || pgn == PGN_ETP_DT))
        return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);

    if (fast) {
        if (pkt.length < 2)
            return zap(0, JIN_ERR_BAD_LENGTH, JIN_GROUP_FINISHED);
        if ((pkt.data[0] & 0x1F) != 0)
            return zap(0, JIN_ERR_FAST_ORDER, JIN_GROUP_FINISHED);
        const unsigned len = pkt.data[1];
        const unsigned first = std::min(6u, len);
        if (len > FAST_MAX || pkt.length < 2 + first)
            return zap(0, JIN_ERR_BAD_LENGTH, JIN_GROUP_FINISHED);
        if (!alloc_buffer(len))
            return zap(0, JIN_ERR_NO_MEMORY, JIN_GROUP_FINISHED);
        header_.type = JIN_TRANS_RX_FAST;
        header_.length = len;
        fast_sid_ = pkt.data[0] >> 5;
        std::memcpy(data_ptr(), pkt.data + 2, first);
        given_ = first;
        counter_ = 1;
        if (given_ >= len) {
            state_ = STATE_RX_COMPLETE;
            return result(JIN_GROUP_RX_COMPLETE, JIN_TX_NONE, T_COMPLETE);
        }
        state_ = STATE_RX_WAIT_DATA;
        return result(JIN_GROUP_RX_FAST, JIN_TX_NONE, T_FAST_GAP);
    }

    // A single frame.
    header_.type = JIN_TRANS_RX_SINGLE;
    header_.length = std::min<unsigned>(pkt.length, 8);
    std::memcpy(inline_, pkt.data, header_.length);
    given_ = header_.length;
    state_ = STATE_RX_COMPLETE;
    return result(JIN_GROUP_RX_COMPLETE, JIN_TX_NONE, T_COMPLETE);
}

// An RTS (TP or ETP) or a BAM: the announced size is checked before anything
// is allocated; a refused RTS is answered with an abort.
JIN_msg_ret JIN_trans::rx_tp_init(const JIN_packet& pkt, bool extended)
{
    const bool bam = !extended && pkt.data[0] == CM_BAM;
    const bool to_global = header_.dest == JIN_packet::GLOBAL_ADDRESS;
    if (bam != to_global)
        return zap(0, JIN_ERR_BAD_ADDRESS, JIN_GROUP_FINISHED);
    // A PDU1 PGN has no PS byte of its own; some senders put the destination
    // there. The message is delivered under its PGN, and the connection
    // frames echo the bytes as announced.
    announced_pgn_ = get_u24(pkt.data + 5) & 0x3FFFF;
    header_.pgn = JIN_packet::is_pdu2(announced_pgn_) ? announced_pgn_ : announced_pgn_ & ~0xFFu;
    header_.type = extended ? JIN_TRANS_RX_ETP : JIN_TRANS_RX_TP;
    header_.length = extended ? get_u32(pkt.data + 1) : (pkt.data[1] | (pkt.data[2] << 8));
    const unsigned len = header_.length;
    const unsigned max = extended ? ETP_MAX : TP_MAX;
    if (bam) {
        if (len < 9 || len > TP_MAX)
            return zap(0, JIN_ERR_BAD_LENGTH, JIN_GROUP_FINISHED);
        if (!alloc_buffer(len))
            return zap(0, JIN_ERR_NO_MEMORY, JIN_GROUP_FINISHED);
        window_end_ = packets();
        state_ = STATE_RX_WAIT_DATA;
        return result(JIN_GROUP_RX_TP, JIN_TX_NONE, T1_DATA_GAP);
    }
    if (!extended) {
        // 0xFF: no limit; 0 is no valid limit and is read as one packet.
        rts_limit_ = pkt.data[4] == 0 ? 1 : pkt.data[4];
    }
    if (len < 9 || len > max) {
        header_.length = 0; // nothing to receive; only the abort goes out
        // The extended table has no size reason: a size beyond what the
        // protocol carries is one no node has the resources for.
        return rx_abort(extended ? ABORT_BUSY : ABORT_TOO_LARGE, JIN_ERR_BAD_LENGTH);
    }
    if (!alloc_buffer(len)) {
        header_.length = 0;
        return rx_abort(ABORT_BUSY, JIN_ERR_NO_MEMORY);
    }
    state_ = STATE_RX_SEND_CTS;
    return result(rx_group(), JIN_TX_WANTED_LAST, T_SEND);
}

// Stores the packet at the counter (TP and ETP) and says what follows.
JIN_msg_ret JIN_trans::rx_store_packet(const JIN_packet& pkt)
{
    const unsigned n = packet_bytes(counter_);
    if (pkt.length < 1 + n)
        return unchanged(JIN_ERR_BAD_LENGTH);
    std::memcpy(data_ptr() + counter_ * 7, pkt.data + 1, n);
    ++counter_;
    // The retry limit is for a peer that stopped, not for a long transfer
    // that hiccups now and then.
    retries_ = 0;
    given_ = std::min(counter_ * 7, header_.length);
    if (counter_ >= packets()) {
        if (is_broadcast()) {
            state_ = STATE_RX_COMPLETE;
            return result(JIN_GROUP_RX_COMPLETE, JIN_TX_NONE, T_COMPLETE);
        }
        state_ = STATE_RX_SEND_EOM;
        return result(rx_group(), JIN_TX_WANTED_LAST, T_SEND);
    }
    if (!is_broadcast() && counter_ >= window_end_) {
        state_ = STATE_RX_SEND_CTS;
        return result(rx_group(), JIN_TX_WANTED_LAST, T_SEND);
    }
    return result(rx_group(), JIN_TX_NONE, T1_DATA_GAP);
}

// A packet was lost (number is a later packet's, counted from 1). The sender
// goes on to the end of its window, and a CTS before that is one in the
// middle of its transfer, which a standard sender answers with an abort. So
// one CTS from the missing packet goes out when the window's last packet is
// in, or when T1 passes without it.
JIN_msg_ret JIN_trans::rx_after_gap(unsigned number)
{
    if (number >= window_end_)
        return rx_resync();
    return result(rx_group(), JIN_TX_NONE, T1_DATA_GAP);
}

JIN_msg_ret JIN_trans::rx_resync()
{
    state_ = STATE_RX_SEND_CTS;
    return result(rx_group(), JIN_TX_WANTED_LAST, T_SEND);
}

JIN_msg_ret JIN_trans::rx_tp_data(const JIN_packet& pkt)
{
    if (state_ != STATE_RX_WAIT_DATA || pkt.length < 1)
        return unchanged(JIN_ERR_UNEXPECTED);
    if (++total_ > 4 * packets())
        return is_broadcast() ? zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED)
                              : rx_abort(ABORT_RETRANSMIT_LIMIT, JIN_ERR_UNEXPECTED);
    const unsigned seq = pkt.data[0];
    const unsigned expected = counter_ + 1;
    if (seq == expected && (is_broadcast() || counter_ < window_end_))
        return rx_store_packet(pkt);
    if (seq > expected) {
        if (is_broadcast())
            return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);
        return rx_after_gap(seq);
    }
    return unchanged();
}

JIN_msg_ret JIN_trans::rx_etp_dpo(const JIN_packet& pkt)
{
    if (state_ != STATE_RX_WAIT_DPO)
        return unchanged(JIN_ERR_UNEXPECTED);
    const unsigned n = pkt.data[1];
    const unsigned offset = get_u24(pkt.data + 2);
    if (offset > counter_)
        return rx_abort(ABORT_ETP_BAD_DPO_OFFSET, JIN_ERR_UNEXPECTED);
    // A sender going back re-sends what we hold; the CTS window still bounds it.
    counter_ = offset;
    given_ = std::min(counter_ * 7, header_.length);
    dpo_offset_ = offset;
    window_end_ = std::min(window_end_, counter_ + n);
    state_ = STATE_RX_WAIT_DATA;
    return result(JIN_GROUP_RX_ETP, JIN_TX_NONE, T1_DATA_GAP);
}

JIN_msg_ret JIN_trans::rx_etp_data(const JIN_packet& pkt)
{
    if (state_ != STATE_RX_WAIT_DATA || pkt.length < 1 || pkt.data[0] == 0)
        return unchanged(JIN_ERR_UNEXPECTED);
    if (++total_ > 4 * packets())
        return rx_abort(ABORT_RETRANSMIT_LIMIT, JIN_ERR_UNEXPECTED);
    const unsigned index = dpo_offset_ + pkt.data[0] - 1;
    if (index == counter_ && counter_ < window_end_)
        return rx_store_packet(pkt);
    if (index > counter_) {
        if (index + 1 >= window_end_)
            JDB::print(_JDB::CAN_13, "Resync CTS pkt=%d offset=%d drop=%d\n", counter_,
                       dpo_offset_, 0);
        return rx_after_gap(index + 1);
    }
    return unchanged();
}

JIN_msg_ret JIN_trans::rx_fast_frame(const JIN_packet& pkt)
{
    if (state_ != STATE_RX_WAIT_DATA || pkt.length < 1 || (pkt.data[0] >> 5) != fast_sid_)
        return unchanged(JIN_ERR_UNEXPECTED);
    const unsigned frame = pkt.data[0] & 0x1F;
    // A first frame means the sender began a new message under this id: its
    // later frames must not be joined to the old message's bytes.
    if (frame == 0)
        return rx_start(pkt, true);
    if (frame < counter_)
        return result(JIN_GROUP_UNCHANGED, JIN_TX_KEEP, T_FAST_GAP);
    if (frame > counter_)
        return zap(0, JIN_ERR_FAST_ORDER, JIN_GROUP_FINISHED);
    const unsigned n = std::min(7u, header_.length - given_);
    if (pkt.length < 1 + n)
        return zap(0, JIN_ERR_BAD_LENGTH, JIN_GROUP_FINISHED);
    std::memcpy(data_ptr() + given_, pkt.data + 1, n);
    given_ += n;
    ++counter_;
    if (given_ >= header_.length) {
        state_ = STATE_RX_COMPLETE;
        return result(JIN_GROUP_RX_COMPLETE, JIN_TX_NONE, T_COMPLETE);
    }
    return result(JIN_GROUP_RX_FAST, JIN_TX_NONE, T_FAST_GAP);
}

// CTS, EOMA and abort from the receiver of our TP or ETP transmission.
JIN_msg_ret JIN_trans::tx_control(const JIN_packet& pkt)
{
    if (pkt.length < 8 || get_u24(pkt.data + 5) != announced_pgn_)
        return unchanged(JIN_ERR_UNEXPECTED);
    const bool etp = is_etp();
    if (pkt.get_pgn() != (etp ? PGN_ETP_CM : PGN_TP_CM))
        return unchanged(JIN_ERR_UNEXPECTED);
    const unsigned char control = pkt.data[0];
    if (control == CM_ABORT)
        return zap(0, 0, JIN_GROUP_FINISHED);
    if (is_broadcast() || header_.type == JIN_TRANS_TX_SINGLE)
        return unchanged(JIN_ERR_UNEXPECTED);
    const bool started = state_ == STATE_TX_WAIT_CTS || state_ == STATE_TX_SEND_DATA ||
                         state_ == STATE_TX_WAIT_FEED || state_ == STATE_TX_WAIT_BCAST_TIMEOUT ||
                         state_ == STATE_TX_SEND_DPO;
    if (!started)
        return unchanged(JIN_ERR_UNEXPECTED);
    if (control == (etp ? CM_ETP_EOMA : CM_EOMA)) {
        // Only after every packet went out at least once.
        if (sent_high_ < packets())
            return unchanged(JIN_ERR_UNEXPECTED);
        return zap(0, 0, JIN_GROUP_TX_DONE);
    }
    if (control == (etp ? CM_ETP_CTS : CM_CTS))
        return tx_cts(pkt.data[1], etp ? get_u24(pkt.data + 2) : pkt.data[2]);
    return unchanged(JIN_ERR_UNEXPECTED);
}

JIN_msg_ret JIN_trans::tx_cts(unsigned n, unsigned next)
{
    if (n == 0) {
        // The receiver holds us; it will send another CTS.
        state_ = STATE_TX_WAIT_CTS;
        return result(JIN_GROUP_TX_MULTI, JIN_TX_NONE, T4_HOLD);
    }
    if (next == 0 || next + n - 1 > packets())
        return tx_abort(is_etp() ? ABORT_ETP_CTS_BEYOND_MESSAGE : ABORT_OTHER, JIN_ERR_UNEXPECTED);
    counter_ = next - 1;
    window_end_ = next - 1 + n;
    consumed_ = std::max(consumed_, std::min(counter_ * 7, header_.length));
    if (is_etp()) {
        state_ = STATE_TX_SEND_DPO;
        return result(JIN_GROUP_TX_MULTI, JIN_TX_WANTED_LAST, T_SEND);
    }
    if (!have_tx_tp_data()) {
        state_ = STATE_TX_WAIT_FEED;
        return result(JIN_GROUP_TX_MULTI, JIN_TX_NONE, T_SEND, JIN_ERR_DATA_WANTED);
    }
    state_ = STATE_TX_SEND_DATA;
    return result(JIN_GROUP_TX_MULTI, JIN_TX_WANTED_LAST, T_SEND);
}

// ---------------------------------------------------------------------------
// Deadlines

JIN_msg_ret JIN_trans::timeout_notify()
{
    JDB::print(_JDB::CAN_45, "timeout_notify... in state %i\r\n", state_);
    switch (state_) {
    case STATE_RX_COMPLETE:
        if (header_.type == JIN_TRANS_RX_SINGLE)
            JDB::print(_JDB::CAN_45, "JIN_trans::timeout_notify - rx single\n");
        else
            JDB::print(_JDB::CAN_45, "JIN_trans::timeout_notify - rx (e)multi\n");
        return zap(0, 0, JIN_GROUP_FINISHED);
    case STATE_RX_SEND_CON_ABORT:
        JDB::print(_JDB::CAN_45, "JIN_trans::timeout_notify - rx (e)multi\n");
        return zap(0, JIN_ERR_TIMED_OUT, JIN_GROUP_FINISHED);
    case STATE_RX_SEND_CTS:
    case STATE_RX_SEND_EOM:
        return rx_abort(ABORT_TIMEOUT, JIN_ERR_TIMED_OUT);
    case STATE_RX_WAIT_DATA:
    case STATE_RX_WAIT_DPO:
        if (header_.type == JIN_TRANS_RX_FAST)
            return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);
        if (is_broadcast())
            return zap(0, JIN_ERR_TIMED_OUT, JIN_GROUP_FINISHED);
        if (++retries_ > MAX_RX_RETRIES)
            return rx_abort(ABORT_TIMEOUT, JIN_ERR_TIMED_OUT);
        if (is_etp())
            JDB::print(_JDB::CAN_13, "Timeout Resync CTS pkt=%d offset=%d drop=%d\n", counter_,
                       dpo_offset_, 0);
        return rx_resync();
    case STATE_TX_SEND_RTS:
    case STATE_TX_SEND_BAM:
    case STATE_TX_SEND_CON_ABORT:
        return zap(0, JIN_ERR_TIMED_OUT, JIN_GROUP_FINISHED);
    case STATE_TX_WAIT_CTS:
        return tx_abort(ABORT_TIMEOUT, JIN_ERR_TIMED_OUT);
    case STATE_TX_WAIT_BCAST_TIMEOUT:
        state_ = STATE_TX_SEND_DATA;
        return result(tx_group(), JIN_TX_WANTED_LAST, T_SEND);
    case STATE_TX_SEND_DATA:
    case STATE_TX_SEND_DPO:
    case STATE_TX_WAIT_FEED:
        if (header_.type == JIN_TRANS_TX_FAST)
            return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);
        if (header_.type == JIN_TRANS_TX_SINGLE || header_.type == JIN_TRANS_TX_11BIT ||
            is_broadcast())
            return zap(0, JIN_ERR_TIMED_OUT, JIN_GROUP_FINISHED);
        return tx_abort(ABORT_TIMEOUT, JIN_ERR_TIMED_OUT);
    case STATE_TX_UNCOMMENCED:
    default:
        return zap(0, JIN_ERR_UNEXPECTED, JIN_GROUP_FINISHED);
    }
}

// ---------------------------------------------------------------------------
// Writer and reader

JIN_msg_ret JIN_trans::feed_data(const unsigned char* data, int len, int& taken)
{
    const bool feedable = header_.type == JIN_TRANS_TX_TP || header_.type == JIN_TRANS_TX_ETP ||
                          header_.type == JIN_TRANS_TX_FAST;
    if (!feedable || state_ == STATE_NULL || !data || len < 0) {
        taken = -1;
        return unchanged(JIN_ERR_UNEXPECTED);
    }
    const unsigned n = std::min(static_cast<unsigned>(len), header_.length - given_);
    if (n)
        std::memcpy(data_ptr() + given_, data, n);
    given_ += n;
    taken = static_cast<int>(n);
    if (state_ == STATE_TX_WAIT_FEED) {
        const bool ready =
            header_.type == JIN_TRANS_TX_FAST ? have_tx_fast_data() : have_tx_tp_data();
        if (ready) {
            state_ = STATE_TX_SEND_DATA;
            return result(tx_group(), JIN_TX_WANTED_LAST, T_SEND, want_data_error());
        }
    }
    return unchanged(want_data_error());
}

JIN_msg_ret JIN_trans::read(JIN_header& h, unsigned char* buf, unsigned buf_len) const
{
    h = header_;
    if (state_ != STATE_RX_COMPLETE)
        return unchanged(JIN_ERR_UNEXPECTED);
    if (buf_len < header_.length)
        return unchanged(JIN_ERR_BUFFER_SMALL);
    if (header_.length)
        std::memcpy(buf, buf_ ? buf_ : inline_, header_.length);
    return JIN_msg_ret(JIN_GROUP_RX_COMPLETE, JIN_TX_NONE, false, 0, 0, 0);
}

void JIN_trans::get_progress(int& done, int& total) const
{
    done = static_cast<int>(given_);
    total = static_cast<int>(header_.length);
}

// ---------------------------------------------------------------------------
// Prints

const char* JIN_trans::state_name(state_t s)
{
    static const char* const names[] = {
        "STATE_NULL",          "STATE_RX_SEND_CTS",       "STATE_RX_WAIT_DATA",
        "STATE_RX_WAIT_DPO",   "STATE_RX_COMPLETE",       "STATE_RX_SEND_CON_ABORT",
        "STATE_RX_SEND_EOM",   "STATE_TX_UNCOMMENCED",    "STATE_TX_SEND_DATA",
        "STATE_TX_SEND_RTS",   "STATE_TX_SEND_BAM",       "STATE_TX_SEND_DPO",
        "STATE_TX_WAIT_CTS",   "STATE_TX_WAIT_BCAST_TIMEOUT", "STATE_TX_SEND_CON_ABORT",
        "STATE_TX_WAIT_FEED",
    };
    if (s < 0 || s > STATE_TX_WAIT_FEED)
        return "STATE_UNKNOWN";
    return names[s];
}

void JIN_trans::print() const
{
    Debug_print::dprint("SRC: %d DST: %d PGN: %d LEN: %d ", header_.src, header_.dest,
                        static_cast<int>(header_.pgn), static_cast<int>(header_.length));
    Debug_print::dprint("DATA: ");
    const unsigned char* d = get_data();
    unsigned n = d ? std::min(given_, header_.length) : 0;
    for (unsigned i = 0; i < n; ++i)
        Debug_print::dprint("%2.2X ", d[i]);
    Debug_print::dprint("\n");
}

void JIN_trans::print_state(const char* prefix, const char* suffix) const
{
    Debug_print::dprint("%sState: %s/%ld %ld%s\n", prefix ? prefix : "", state_name(state_),
                        static_cast<long>(counter_), static_cast<long>(window_end_),
                        suffix ? suffix : "");
}
