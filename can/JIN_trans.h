// One CAN message in flight, in either direction, with the state machine that
// moves it over the bus: a single frame, the ISO 11783-3 transport protocol
// (RTS/CTS with a peer, BAM to all), the extended transport protocol (with
// data packet offsets) and the NMEA 2000 fast packet.
//
// A transfer never touches the bus or any queue. Its owner (the CAN stack)
// hands it received frames (put_packet), asks it for frames to send
// (get_packets) and tells it when its deadline has passed (timeout_notify);
// every call returns a JIN_msg_ret saying which queue the message belongs to
// next, whether it wants transmit time and its next deadline. Time is never
// read for protocol decisions, so a transfer can be driven by feeding frames
// and deadlines in directly.
//
// Data over 8 bytes live in a buffer from the memory space "JIN_trans".
//
// Driving a transfer (what the owner does with each JIN_msg_ret):
// - group: the queue the message belongs to next; JIN_GROUP_UNCHANGED keeps
//   it where it is. JIN_GROUP_FINISHED (failed or aborted) and
//   JIN_GROUP_TX_DONE: the transfer is idle again, release its node.
//   JIN_GROUP_RX_COMPLETE: read() it, then zap() it (or let its deadline drop
//   it through timeout_notify()).
// - is_timeout_changed(): re-arm the node's deadline at get_deadline() (the
//   step's time plus get_timeout_ms()); when it passes, call
//   timeout_notify() and apply that result.
// - get_transmit_requested(): JIN_TX_WANTED / JIN_TX_WANTED_LAST put the
//   node on (the back of) its priority's send list, JIN_TX_NONE takes it
//   off, JIN_TX_KEEP leaves the list alone. A node on the send list is asked
//   for frames with get_packets(frames, max, count) (count = the CTS
//   threshold in, frames made out); send them at the header's priority
//   (transport frames carry priority 6 in their identifiers already).
// - get_error(): 0, a negative JIN_ERR_* code, or JIN_ERR_DATA_WANTED (not a
//   failure: tell the writer to feed_data()).
// Sending: write() (group JIN_GROUP_TX_NEW), then commence_tx() or hold_tx()
// (one multi-frame transfer per peer pair at a time; fast packets per PGN,
// destination and source). Receiving: put_packet() on an idle transfer starts
// a reception from an RTS, BAM, ETP RTS, fast-packet first frame (fast =
// true) or any other single frame; later frames of that reception go to the
// same transfer (route TP/ETP data and DPO by source and destination, CTS and
// EOMA to the transmission the other way, fast-packet frames by PGN, source,
// destination and get_fast_sid()).
#pragma once

#include "can/JIN_header.h"
#include "can/JIN_msg_ret.h"
#include "can/JIN_packet.h"
#include "util/Atime.h"

class Mspace;
class NMEA2000_fast_sid_manager;

class JIN_trans {
public:
    // PGNs of the transport protocols.
    enum : unsigned {
        PGN_TP_CM = 0xEC00,
        PGN_TP_DT = 0xEB00,
        PGN_ETP_CM = 0xC800,
        PGN_ETP_DT = 0xC700,
    };
    // Control bytes of the connection-management frames.
    enum : unsigned char {
        CM_RTS = 16,
        CM_CTS = 17,
        CM_EOMA = 19,
        CM_BAM = 32,
        CM_ETP_RTS = 20,
        CM_ETP_CTS = 21,
        CM_ETP_DPO = 22,
        CM_ETP_EOMA = 23,
        CM_ABORT = 255,
    };
    // Connection abort reasons (ISO 11783-3 / J1939-21). Both protocols
    // share 1 to 8; from 9 on the extended protocol has a table of its own.
    enum : unsigned char {
        ABORT_BUSY = 1,          // cannot support another session (no resources)
        ABORT_TIMEOUT = 3,
        ABORT_RETRANSMIT_LIMIT = 5,
        ABORT_TOO_LARGE = 9,     // TP: total message size too large
        ABORT_OTHER = 250,       // TP: any other reason
        ABORT_ETP_BAD_DPO_OFFSET = 12,
        ABORT_ETP_CTS_BEYOND_MESSAGE = 15,
    };

    static constexpr unsigned TP_MAX = 1785;
    static constexpr unsigned ETP_MAX = 0x7000000;
    static constexpr unsigned FAST_MAX = 223;
    static constexpr int TRANSPORT_PRIORITY = 6;

    // Deadlines in milliseconds. The receive and hold timers are those of
    // ISO 11783-3: a compliant but slow peer must not be aborted.
    static constexpr int T_SEND = 500;        // a frame we owe is not out yet
    static constexpr int T1_DATA_GAP = 750;   // receiver: between data packets
    static constexpr int T2_AFTER_CTS = 1250; // receiver: CTS sent, data (or DPO) due
    static constexpr int T3_WAIT_CTS = 1250;  // sender: waiting for CTS or EOMA
    static constexpr int T4_HOLD = 1050;      // sender: held by a CTS for 0 packets
    static constexpr int T_BAM_GAP = 50;      // sender: between broadcast packets
    static constexpr int T_FAST_GAP = 250;    // fast-packet receiver: between frames
    static constexpr int T_COMPLETE = 10000;  // a received message waits to be read
    static constexpr int MAX_RX_RETRIES = 3;

    enum state_t : int {
        STATE_NULL = 0,
        STATE_RX_SEND_CTS = 1,
        STATE_RX_WAIT_DATA = 2,
        STATE_RX_WAIT_DPO = 3,
        STATE_RX_COMPLETE = 4,
        STATE_RX_SEND_CON_ABORT = 5,
        STATE_RX_SEND_EOM = 6,
        STATE_TX_UNCOMMENCED = 7,
        STATE_TX_SEND_DATA = 8,
        STATE_TX_SEND_RTS = 9,
        STATE_TX_SEND_BAM = 10,
        STATE_TX_SEND_DPO = 11,
        STATE_TX_WAIT_CTS = 12,
        STATE_TX_WAIT_BCAST_TIMEOUT = 13,
        STATE_TX_SEND_CON_ABORT = 14,
        STATE_TX_WAIT_FEED = 15,
    };

    // Spaces data frames: after every pkts frames a pause of delay_ms. A
    // delay of 0 means no throttling.
    class Throttler {
    public:
        Throttler() = default;
        Throttler(unsigned short delay_ms, unsigned char pkts)
            : budget(pkts), remaining(pkts), delay(delay_ms)
        {
        }
        void zap() { delay = 0; }
        // Counts one data frame; true when a pause is due after it.
        bool count_frame();

        unsigned char budget = 0;
        unsigned char remaining = 0;
        unsigned short delay = 0;
    };

    JIN_trans();
    ~JIN_trans();
    JIN_trans(const JIN_trans&) = delete;
    JIN_trans& operator=(const JIN_trans&) = delete;

    // Sets up a transmission of h.length bytes of which len are given now.
    JIN_msg_ret write(const JIN_header& h, const unsigned char* data, unsigned len);
    JIN_msg_ret commence_tx(NMEA2000_fast_sid_manager& sids);
    JIN_msg_ret hold_tx();

    // One received frame; fast: its PGN is registered as fast packet.
    JIN_msg_ret put_packet(const JIN_packet& pkt, bool fast);
    // Fills up to max frames; count is the CTS threshold (the most packets
    // one CTS of ours may grant) on entry and the frames made on return.
    JIN_msg_ret get_packets(JIN_packet* frames, int max, int& count);
    JIN_msg_ret timeout_notify();
    // More bytes of the message from the writer; taken is how many.
    JIN_msg_ret feed_data(const unsigned char* data, int len, int& taken);
    // The header and, when buf_len allows, the data of a received message.
    JIN_msg_ret read(JIN_header& h, unsigned char* buf, unsigned buf_len) const;
    // Back to idle: frees the buffer and returns group g with error.
    JIN_msg_ret zap(int tag, int error, JIN_msg_group g);

    void set_throttler(const Throttler& t) { throttler_ = t; }
    const Throttler& get_throttler() const { return throttler_; }

    void get_progress(int& done, int& total) const;
    const JIN_header& get_header() const { return header_; }
    state_t get_state() const { return state_; }
    unsigned char get_fast_sid() const { return fast_sid_; }
    bool is_idle() const { return state_ == STATE_NULL; }
    bool is_broadcast() const { return header_.dest == JIN_packet::GLOBAL_ADDRESS; }
    // The received or buffered data (null when idle).
    const unsigned char* get_data() const;
    // Copies in received bytes at offset; false when beyond the length.
    bool put_data(unsigned offset, const unsigned char* src, unsigned n);

    // The writer is asked for more: a buffer exists, holds less than half
    // its capacity, and not all bytes were given yet.
    bool want_data() const;
    int want_data_error() const { return want_data() ? JIN_ERR_DATA_WANTED : 0; }
    bool have_tx_tp_data() const;
    bool have_tx_etp_data() const { return have_tx_tp_data(); }
    bool have_tx_fast_data() const;
    unsigned char construct_fast_head_byte() const;

    void print() const;
    void print_state(const char* prefix = "", const char* suffix = "") const;
    static const char* state_name(state_t s);

    // Packets of a TP or ETP message of len bytes; frames of a fast packet.
    static unsigned tp_packets(unsigned len) { return (len + 6) / 7; }
    static unsigned fast_frames(unsigned len) { return len < 7 ? 1 : len / 7 + 1; }

    // The memory space of the transfer buffers, "JIN_trans".
    static Mspace& space();

private:
    bool is_tx() const { return header_.type >= JIN_TRANS_TX_11BIT; }
    bool is_etp() const
    {
        return header_.type == JIN_TRANS_RX_ETP || header_.type == JIN_TRANS_TX_ETP;
    }
    unsigned packets() const;
    bool alloc_buffer(unsigned len);
    void free_buffer();
    unsigned char* data_ptr();
    unsigned given() const { return given_; }
    // The bytes of packet n (0-based) of a TP or ETP message: 7 or the rest.
    unsigned packet_bytes(unsigned n) const;
    bool have_packet_data(unsigned n) const;

    JIN_msg_ret rx_start(const JIN_packet& pkt, bool fast);
    JIN_msg_ret rx_tp_cm(const JIN_packet& pkt);
    JIN_msg_ret rx_tp_init(const JIN_packet& pkt, bool extended);
    JIN_msg_ret rx_tp_data(const JIN_packet& pkt);
    JIN_msg_ret rx_etp_data(const JIN_packet& pkt);
    JIN_msg_ret rx_etp_dpo(const JIN_packet& pkt);
    JIN_msg_ret rx_fast_frame(const JIN_packet& pkt);
    JIN_msg_ret rx_store_packet(const JIN_packet& pkt);
    JIN_msg_ret rx_after_gap(unsigned number);
    JIN_msg_ret rx_resync();
    JIN_msg_ret rx_abort(unsigned char reason, int error, int ms = T_SEND);
    JIN_msg_ret tx_control(const JIN_packet& pkt);
    JIN_msg_ret tx_cts(unsigned n, unsigned next);
    JIN_msg_ret tx_abort(unsigned char reason, int error);
    JIN_msg_ret tx_after_data(bool paused);
    JIN_msg_ret tx_fast_frame(JIN_packet& frame, int& count);
    JIN_msg_ret tx_tp_frames(JIN_packet* frames, int max, int& count);
    JIN_msg_ret feed_state(JIN_msg_group g) const;
    JIN_msg_group rx_group() const;
    JIN_msg_group tx_group() const;

    void make_cm(JIN_packet& f, unsigned pgn_cm, unsigned char from, unsigned char to) const;
    void make_abort(JIN_packet& f) const;
    void put_tp_size(JIN_packet& f) const;

    JIN_header header_;
    state_t state_ = STATE_NULL;
    Atime start_time_;
    unsigned counter_ = 0;      // packets (fast-packet frames) done
    unsigned window_end_ = 0;   // packet count at which the CTS window is used up
    unsigned window_start_ = 0; // window end of the previous CTS
    unsigned total_ = 0;        // packets sent or received in all (runaway check)
    unsigned dpo_offset_ = 0;   // ETP: the packet number the current DPO names
    unsigned given_ = 0;        // bytes given by the writer (or received in order)
    unsigned consumed_ = 0;     // bytes the peer has acknowledged
    unsigned retries_ = 0;
    unsigned sent_high_ = 0;   // highest packet count ever sent
    unsigned rts_limit_ = 255;  // most packets per CTS the sender allows
    unsigned announced_pgn_ = 0; // the PGN bytes the connection frames carry
    unsigned char abort_reason_ = ABORT_OTHER;
    unsigned char fast_sid_ = 0;
    Throttler throttler_;
    unsigned char inline_[8] = {};
    unsigned char* buf_ = nullptr; // null when the inline data are used
};
