// The node's protocol engine on one CAN bus. It owns the bus after open,
// runs as its own Diner, filters received frames by address and PGN
// registration, runs the transport transfers for everything longer than one
// frame, and delivers finished messages to the registered modules by event.
// On the sending side it queues messages per priority, runs at most one
// multi-frame transfer per peer pair at a time, feeds frames to the bus as
// the bus reports space, and tells the sender by event when its message is
// gone or failed. It answers unserved destination-specific requests with a
// NACK itself.
//
// Result codes: 0 success; -1 refused (bad arguments, PGN 59904 or 0x1ED00,
// nothing to read); -11 more than 68 messages held at that priority; -12 no
// free pool node or memory; -22 more than 8 bytes for write_now; -40 bad
// length; -41 RTS or BAM to the wrong kind of address; -45 unexpected frame
// or state; -60 timed out; -86 fast-packet frame out of order; -89 read
// buffer too small.
//
// Events sent to modules (module ids from event_ids()); data and code carry
// the same value, so that merged repeats never fold different events:
// - rx: a message of a registered PGN is complete: the PGN (0x80000000 for a
//   catch-all registration).
// - rx_11bit: an 11-bit frame arrived: the identifier byte.
// - request: a request for a PGN registered with JIN_PGN::REQUEST: the PGN.
// - tx_finished: a transmission is gone: the tag when it went out whole,
//   minus the tag when it failed.
// - data_wanted: a transmission wants more bytes (feed_data): the tag.
// - rx_progress (when switched on): code 0, data the sender's address,
//   extended data the PGN as 4 bytes little endian.
#pragma once

#include "can/Basic_stack.h"
#include "can/JIN_PGN.h"
#include "can/JIN_PGN_node.h"
#include "can/JIN_header.h"
#include "can/JIN_packet.h"
#include "can/JIN_stack_node.h"
#include "can/JIN_trans.h"
#include "can/NMEA2000_fast_sid_manager.h"
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"
#include "util/c_bstree.h"
#include "util/sl_list.h"

class CAN_bus;
class module_man;

class JIN_stack : public Basic_stack, public Diner_protection<Diner> {
public:
    static constexpr int POOL_SIZE = 100;
    static constexpr int MAX_HELD = 68;       // per priority and direction
    static constexpr int NUM_PRIO = 8;
    static constexpr int MAX_ADDRESSES = 10;
    static constexpr int TX_BATCH = 10;       // frames per transmit step
    static constexpr int RX_BATCH = 16;       // frames per bus read
    static constexpr int MAX_PERIODIC = 8;
    static constexpr int DEFAULT_RX_STALL_MS = 200;

    using JIN_stack_node = ::JIN_stack_node;
    using JIN_notify_node = ::JIN_notify_node;

    struct Event_ids {
        short rx = 0;
        short tx_finished = 0;
        short data_wanted = 0;
        short request = 0;
        short rx_11bit = 0;
        short rx_progress = 0;
    };

    JIN_stack();
    ~JIN_stack() override;

    // Creates the stack's Diner (stopped: its owner starts it), allocates
    // the event ids, attaches to the bus and takes what it already holds.
    int open(CAN_bus& bus, module_man* man);

    int write(unsigned char src, unsigned char dest, unsigned int pgn, unsigned int prio,
              unsigned long len, const unsigned char* data, int data_len,
              waiter_descriptor* waiter, int tag) override;
    // The lock must be held. len < 0 means the header's length.
    int __write(const JIN_header& h, const unsigned char* data, int len,
                waiter_descriptor* waiter, int tag);
    // Up to 8 bytes straight to the bus when it has room, else queued.
    int write_now(const JIN_header& h, const unsigned char* data, int len);
    int request(unsigned char src, unsigned char dest, unsigned pgn, waiter_descriptor* waiter,
                int tag);
    // ISO 11783 acknowledgement (ack) or NACK for pgn to the requester dest,
    // whose address it also carries as the address acknowledged. The lock
    // must be held.
    int __send_ack(unsigned char src, unsigned pgn, bool ack, unsigned char dest);

    // 1 when added, 0 when the registration is full (8), -1 when refused.
    int register_pgn(unsigned pgn, waiter_descriptor* w, short* event_id,
                     JIN_PGN::type_t kind = JIN_PGN::NORMAL);
    int deregister_pgn(unsigned pgn, waiter_descriptor* w, JIN_PGN::type_t kind = JIN_PGN::NORMAL);
    int register_11bit_msg(unsigned char id, waiter_descriptor* w, short* event_id);
    int deregister_11bit_msg(unsigned char id, waiter_descriptor* w);
    int read_11bit_msg(unsigned char id, JIN_header& h, unsigned char* buf, waiter_descriptor* w);
    // Reads the oldest message of pgn that w has not read: 0, -1 when there
    // is none (or it is longer than max_len, which skips it for w), -89 when
    // buf_len is too small (the message stays). pgn 0x80000000 reads what a
    // catch-all registration was told of.
    int read(unsigned pgn, JIN_header& h, unsigned char* buf, int buf_len, int max_len,
             waiter_descriptor* w, JIN_PGN::type_t kind = JIN_PGN::NORMAL);
    // More bytes for the transmission queued with (w, tag): bytes taken, or
    // -1 when there is no such transmission.
    int feed_data(const unsigned char* data, int len, waiter_descriptor* w, int tag);
    // The stack tells w nothing more: its transmissions go on without a
    // sender to tell (one that waits for more bytes of w ends at its
    // deadline, the peer told), and the events held back for it are
    // dropped. A module calls it as it goes, after its last write and
    // before its waiter dies; the stack's thread may run meanwhile.
    // Transmissions of w it forgot.
    int forget_waiter(waiter_descriptor* w);

    int register_address(unsigned char a);
    int deregister_address(unsigned char a);
    bool is_pkt_addressed_to_us(const JIN_packet& p) const;

    // Messages of pgn are sent again and again (a periodic broadcast such as
    // DM1): one still waiting to go is replaced by a newer one from the same
    // source to the same destination, never queued behind it. False when
    // MAX_PERIODIC PGNs are marked already.
    bool set_periodic(unsigned pgn, bool periodic = true);

    bool get_rx_progress(unsigned pgn, unsigned char src, unsigned char dest, int& done,
                         int& total);
    // Settings read by the stack's thread: each takes the stack's lock.
    bool set_CTS_threshold(int n);
    void set_default_throttler(JIN_trans::Throttler t);
    void set_send_rx_progress(bool on);
    // How long reading from the bus may pause while readers are behind
    // (DEFAULT_RX_STALL_MS); 0: never pause, drop what finds no room.
    void set_rx_stall_limit(int ms);

    bool is_empty();
    int close();
    int list_integrity();
    bool is_sane();

    const Event_ids& event_ids() const { return ids_; }
    int instance() const { return instance_; }
    // Messages held at a priority (for tests and the status display).
    int held_tx(int prio);
    int held_rx(int prio);
    // Received messages dropped because more than MAX_HELD of their priority
    // were unread or the pool was empty (an RTS among them is refused).
    unsigned long rx_dropped();

    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout& timeout) override;

private:
    using Node_tree = c_bstree<avl_bstree, JIN_stack_node>;

    Node_tree* tree_of(int queue);
    JIN_stack_node* pop_free(bool quiet = false);
    // was: the queue it came from when the caller took it out already.
    void release(JIN_stack_node* n, int was = -1);
    void enqueue(JIN_stack_node* n, int queue);
    void dequeue(JIN_stack_node* n);
    void rearm(JIN_stack_node* n, const JIN_msg_ret& r);
    int process_ret(JIN_stack_node* n, const JIN_msg_ret& r);
    void commence_held(bool fast);
    void notify_readers(JIN_stack_node* n);
    void send_to(waiter_descriptor* w, short module_id, unsigned value, bool merge);
    void tell_reader(waiter_descriptor* w, short module_id, unsigned value);
    void send_notes();
    void forget_notes(waiter_descriptor* w, unsigned pgn, JIN_PGN::type_t kind);
    // False when the frame must wait until the readers made room (only
    // when may_pause); it was not taken then.
    bool process_frame(const JIN_packet& p, bool may_pause);
    bool is_pgn_registered(const JIN_packet& p, bool& fast, unsigned& requested) const;
    bool start_reception(const JIN_packet& p, Node_tree& tree, bool may_pause);
    void refuse_rts(const JIN_packet& p);
    void take_frames();
    bool has_rx_room(int prio) const;
    bool must_wait_for_readers(int prio, bool may_pause);
    void check_readers_caught_up();
    void room_made();
    bool is_periodic(unsigned pgn) const;
    // Drops a transmission like h (PGN, source, destination) that has not
    // started yet.
    void drop_waiting(const JIN_header& h);
    void count_rx_drop();
    void report_rx_drops();
    void to_node(JIN_stack_node* n, const JIN_packet& p, bool fast);
    void send_rx_progress(JIN_stack_node* n);
    // The transmit pass, when a result asked for one; top level only.
    void run_pending_tx_pass();
    void process_tx_space();
    void yield_lock();

    JIN_PGN_node* find_reg(unsigned pgn, JIN_PGN::type_t kind) const;
    JIN_stack_node* find_tx_multi(unsigned char dest, unsigned char src) const;
    JIN_stack_node* find_rx(const Node_tree& tree, unsigned char src, unsigned char dest) const;
    JIN_stack_node* find_rx_fast(unsigned pgn, unsigned char dest, unsigned char src,
                                 unsigned char sid) const;
    JIN_stack_node* find_tx_fast(unsigned pgn, unsigned char dest, unsigned char src) const;

    int instance_;
    CAN_bus* bus_ = nullptr;
    unsigned char addresses_[MAX_ADDRESSES];
    JIN_packet frames_[TX_BATCH];

    JIN_stack_node* pool_[POOL_SIZE] = {};
    int pool_made_ = 0;
    c_sl_list<JIN_stack_node> free_list_;
    int free_count_ = 0;
    int rx_count_[NUM_PRIO] = {};
    int tx_count_[NUM_PRIO] = {};

    Node_tree tx_new_, tx_hold_, tx_hold_fast_, tx_single_, tx_multi_, tx_fast_;
    Node_tree rx_tp_, rx_etp_, rx_fast_, rx_complete_;
    c_sl_list<JIN_stack_node> send_list_[NUM_PRIO];
    c_bstree<avl_bstree, JIN_notify_node> notify_tree_;
    c_bstree<avl_bstree, JIN_PGN_node> registrations_;

    NMEA2000_fast_sid_manager sids_;
    JIN_trans::Throttler default_throttler_;
    int cts_threshold_ = 255;
    bool send_rx_progress_ = false;
    Event_ids ids_;
    unsigned seq_ = 0;
    Atime seq_time_;
    // Reader events held back while a batch of frames is processed.
    struct Note {
        waiter_descriptor* waiter;
        short module_id;
        unsigned value;
        int count;
    };
    static constexpr int MAX_NOTES = 16;
    Note notes_[MAX_NOTES] = {};
    int notes_count_ = 0;
    bool holding_notes_ = false;
    unsigned periodic_[MAX_PERIODIC] = {};
    // Frames read from the bus and not processed yet (a pause for readers).
    CAN_packet batch_[RX_BATCH];
    int batch_count_ = 0;
    int batch_next_ = 0;
    int rx_stall_limit_ms_ = DEFAULT_RX_STALL_MS;
    bool stalled_ = false;
    bool resume_asked_ = false;
    int stalled_prio_ = 0;
    // Priorities whose pause ran out: they drop until their readers caught up.
    unsigned readers_behind_ = 0;
    Timeout stall_timeout_;
    int periodic_count_ = 0;
    static constexpr int DROP_REPORT_MS = 1000;
    unsigned long rx_dropped_ = 0;
    unsigned long rx_dropped_reported_ = 0;
    Atime drops_reported_at_;
    Timeout drop_report_timeout_;
    bool tx_pass_wanted_ = false;
    int tx_pass_depth_ = 0;
    bool opened_ = false;
    // Set while the stack's own thread runs a handler.
    bool in_handler_ = false;
    struct In_handler {
        explicit In_handler(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
        ~In_handler() { flag_ = was_; }
        bool& flag_;
        bool was_;
    };
};
