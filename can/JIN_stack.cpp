#include "can/JIN_stack.h"

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/CAN_bus.h"
#include "util/Debug_base.h"
#include "util/Debug_print.h"

#include <QThread>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

std::atomic<int> stacks_made{0};
std::atomic<int> stacks_opened{0};

// Compares a search key with the nodes of a tree, for look-ups by key.
template <class F>
class Key_searcher : public avl_bstree::Searcher {
public:
    explicit Key_searcher(F f) : f_(f) {}
    int compare(const avl_bsnode* node) const override
    {
        return f_(static_cast<const JIN_stack_node*>(node));
    }

private:
    F f_;
};

template <class F>
Key_searcher<F> key(F f)
{
    return Key_searcher<F>(f);
}

template <class T>
int order(T a, T b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

// The first node (in tree order) that the searcher finds equal, or null.
template <class Tree>
JIN_stack_node* first_equal(const Tree& tree, avl_bstree::Searcher& s)
{
    const avl_bstree& t = tree;
    avl_bsnode* before = t.find(nullptr, BSTREE_BEFORE, nullptr, &s);
    avl_bsnode* at = before ? t.next(before) : t.first();
    return at && s.compare(at) == 0 ? static_cast<JIN_stack_node*>(at) : nullptr;
}

// The PGN a Request or a group-function request is about (data bytes little
// endian), else the message's own PGN.
unsigned compared_pgn_of(const JIN_header& h, const unsigned char* data)
{
    if (h.pgn == JIN_PGN::REQUEST_PGN && data && h.length >= 3)
        return unsigned(data[0]) | unsigned(data[1]) << 8 | unsigned(data[2]) << 16;
    if (h.pgn == JIN_PGN::GROUP_FUNCTION_PGN && data && h.length >= 4 && data[0] == 0)
        return unsigned(data[1]) | unsigned(data[2]) << 8 | unsigned(data[3]) << 16;
    return h.pgn;
}

// The PGN carried in bytes 5..7 of an RTS, BAM, ETP RTS or DPO; its PS byte
// counts only for PDU2 PGNs.
unsigned carried_pgn(const JIN_packet& p)
{
    unsigned pgn = unsigned(p.data[5]) | unsigned(p.data[6]) << 8 | unsigned(p.data[7]) << 16;
    if (p.data[6] < 240) pgn &= ~0xFFu;
    return pgn;
}

bool is_tx_queue(int q) { return q >= JIN_GROUP_TX_NEW && q <= JIN_GROUP_TX_FAST; }

}  // namespace

JIN_stack::JIN_stack() : instance_(++stacks_made)
{
    std::memset(addresses_, 255, sizeof addresses_);
    tx_new_.create(msg_tx_new_compare);
    tx_hold_.create(msg_tx_hold_compare);
    tx_hold_fast_.create(msg_tx_hold_fast_compare);
    tx_single_.create(msg_tx_commenced_compare);
    tx_multi_.create(msg_tx_commenced_compare);
    tx_fast_.create(msg_tx_commenced_fast_compare);
    rx_tp_.create(msg_rx_iso_compare);
    rx_etp_.create(msg_rx_iso_compare);
    rx_fast_.create(msg_rx_commenced_fast_compare);
    rx_complete_.create(msg_rx_complete_compare);
    notify_tree_.create(msg_notify_compare);
    registrations_.create(msg_reg_pgn_compare);
    for (; pool_made_ < POOL_SIZE; ++pool_made_) {
        JIN_stack_node* n = new (std::nothrow) JIN_stack_node;
        if (!n) {
            Debug_print::dprint("JIN_stack%i: Could not new message\n", instance_);
            break;
        }
        pool_[pool_made_] = n;
        free_list_.push(n);
        ++free_count_;
    }
}

JIN_stack::~JIN_stack()
{
    if (opened_) {
        bus_->detach(&get_waiter());
        terminate(true);
    }
    {
        Diner::Protection p(*this);
        remove_timeout(stall_timeout_);
        remove_timeout(drop_report_timeout_);
        while (JIN_PGN_node* r = registrations_.first()) {
            registrations_.remove(r);
            delete r;
        }
        notify_tree_.init();
        for (auto* t : {&tx_new_, &tx_hold_, &tx_hold_fast_, &tx_single_, &tx_multi_, &tx_fast_,
                        &rx_tp_, &rx_etp_, &rx_fast_, &rx_complete_})
            t->init();
        for (int i = 0; i < pool_made_; ++i) {
            remove_timeout(pool_[i]->timeout);
            pool_[i]->trans.zap(0, 0, JIN_GROUP_FINISHED);
        }
    }
    for (int i = 0; i < pool_made_; ++i) delete pool_[i];
}

// ---------------------------------------------------------------------------
// Opening and the Diner's handlers

int JIN_stack::open(CAN_bus& bus, module_man* man)
{
    if (opened_ || !man) return -1;
    char name[Diner::Descriptor::NAME_SIZE];
    std::snprintf(name, sizeof name, "STK%d", stacks_opened++);
    init(*man, nullptr, Diner::Descriptor(name, 0), 32, 6144, false, true);
    man->init_module(&ids_.rx, false);
    man->init_module(&ids_.tx_finished, false);
    man->init_module(&ids_.data_wanted, false);
    man->init_module(&ids_.request, false);
    man->init_module(&ids_.rx_11bit, false);
    man->init_module(&ids_.rx_progress, true);
    Diner::Protection p(*this);
    bus_ = &bus;
    opened_ = true;
    bus.attach(&get_waiter());
    int n;
    CAN_packet batch[RX_BATCH];
    while ((n = bus.read(batch, RX_BATCH)) > 0)
        for (int i = 0; i < n; ++i) process_frame(JIN_packet::of(batch[i]), false);
    tx_pass_wanted_ = true;
    run_pending_tx_pass();
    return n;
}

void JIN_stack::handle_event(waiter_event& event)
{
    if (event.module_id != 1 || !bus_) return;
    In_handler mark(in_handler_);
    bus_->error_check();
    take_frames();
    tx_pass_wanted_ = true;
    run_pending_tx_pass();
}

// Processes the frames held back, then what the bus holds, until the bus is
// empty or the readers have fallen behind.
void JIN_stack::take_frames()
{
    holding_notes_ = true;
    resume_asked_ = false;
    for (;;) {
        if (batch_next_ == batch_count_) {
            batch_next_ = 0;
            batch_count_ = bus_->read(batch_, RX_BATCH);
            if (batch_count_ <= 0) {
                batch_count_ = 0;
                break;
            }
        }
        // Writers and readers on other threads get in between batches.
        yield_lock();
        while (batch_next_ < batch_count_) {
            if (!process_frame(JIN_packet::of(batch_[batch_next_]), true)) break;
            ++batch_next_;
            if (stalled_) {
                stalled_ = false;
                remove_timeout(stall_timeout_);
            }
        }
        if (batch_next_ < batch_count_) break;
    }
    holding_notes_ = false;
    send_notes();
    report_rx_drops();
}

bool JIN_stack::has_rx_room(int prio) const
{
    return rx_count_[prio & 7] <= MAX_HELD && free_count_ > 0;
}

// A received message finds its priority holding the limit of unread
// messages (or the pool empty): reading from the bus pauses until the
// readers have read, so that a burst is not lost; the bus holds the frames
// meanwhile. Only a frame that needs room pauses: frames of transfers under
// way and frames for others go on. A pause that lasts the stall limit ends;
// from then on what finds no room at that priority is dropped (and
// counted) until its readers have caught up, so that a reader that stopped
// reading costs the bus one pause, not one after every read of another
// reader.
bool JIN_stack::must_wait_for_readers(int prio, bool may_pause)
{
    if (!may_pause || rx_stall_limit_ms_ <= 0 || (readers_behind_ & (1u << (prio & 7)))) return false;
    if (!stalled_) {
        stalled_ = true;
        stalled_prio_ = prio & 7;
        submit_timeout(stall_timeout_, rx_stall_limit_ms_);
    }
    return true;
}

// A priority whose pause ran out may pause again once its readers have
// read half of what they held (and the pool has room again).
void JIN_stack::check_readers_caught_up()
{
    for (int prio = 0; readers_behind_ && prio < NUM_PRIO; ++prio)
        if ((readers_behind_ & (1u << prio)) && rx_count_[prio] <= MAX_HELD / 2 &&
            free_count_ >= POOL_SIZE / 4)
            readers_behind_ &= ~(1u << prio);
}

// A node came free: a stack that paused reading goes on.
void JIN_stack::room_made()
{
    if (stalled_ && !resume_asked_) {
        resume_asked_ = true;
        send_anonymous_event();
    }
}

void JIN_stack::handle_timeout(Timeout& timeout)
{
    if (&timeout == &drop_report_timeout_) {
        report_rx_drops();
        return;
    }
    if (&timeout == &stall_timeout_) {
        if (!stalled_ || !bus_) return;
        In_handler mark(in_handler_);
        stalled_ = false;
        readers_behind_ |= 1u << stalled_prio_;
        take_frames();
        tx_pass_wanted_ = true;
        run_pending_tx_pass();
        return;
    }
    JIN_stack_node* n = static_cast<JIN_node_timeout&>(timeout).owner;
    if (!n || n->is_free() || n->queue == JIN_stack_node::QUEUE_NONE) return;
    In_handler mark(in_handler_);
    process_ret(n, n->trans.timeout_notify());
    run_pending_tx_pass();
}

void JIN_stack::yield_lock()
{
    unlock();
    QThread::yieldCurrentThread();
    lock(-1);
}

// ---------------------------------------------------------------------------
// The pool and the queues

JIN_stack::Node_tree* JIN_stack::tree_of(int queue)
{
    switch (queue) {
    case JIN_GROUP_TX_NEW: return &tx_new_;
    case JIN_GROUP_TX_HELD: return &tx_hold_;
    case JIN_GROUP_TX_HELD_FAST: return &tx_hold_fast_;
    case JIN_GROUP_TX_SINGLE: return &tx_single_;
    case JIN_GROUP_TX_MULTI: return &tx_multi_;
    case JIN_GROUP_TX_FAST: return &tx_fast_;
    case JIN_GROUP_RX_TP: return &rx_tp_;
    case JIN_GROUP_RX_ETP: return &rx_etp_;
    case JIN_GROUP_RX_FAST: return &rx_fast_;
    case JIN_GROUP_RX_COMPLETE: return &rx_complete_;
    default: return nullptr;
    }
}

JIN_stack_node* JIN_stack::pop_free(bool quiet)
{
    JIN_stack_node* n = free_list_.pop();
    if (!n) {
        if (!quiet) Debug_print::dprint("JIN_stack%i: freelist_pop, no free messages\n", instance_);
        return nullptr;
    }
    --free_count_;
    n->queue = JIN_stack_node::QUEUE_NONE;
    n->waiter_set = false;
    n->notify.waiter = nullptr;
    n->notify.tag = 0;
    n->send_prio = -1;
    n->counted_prio = -1;
    n->readers = n->catch_all_readers = n->request_readers = 0;
    return n;
}

void JIN_stack::enqueue(JIN_stack_node* n, int queue)
{
    Atime now = Atime::now();
    if (now != seq_time_) {
        seq_time_ = now;
        seq_ = 0;
    }
    n->queued = now;
    n->seq = seq_++;
    n->queue = queue;
    tree_of(queue)->insert(n);
    n->counted_prio = int(n->trans.get_header().prio & 7);
    n->counted_tx = is_tx_queue(queue);
    (n->counted_tx ? tx_count_ : rx_count_)[n->counted_prio]++;
}

void JIN_stack::dequeue(JIN_stack_node* n)
{
    if (Node_tree* t = tree_of(n->queue)) t->remove(n);
    if (n->counted_prio >= 0) (n->counted_tx ? tx_count_ : rx_count_)[n->counted_prio]--;
    n->counted_prio = -1;
    n->queue = JIN_stack_node::QUEUE_NONE;
}

void JIN_stack::rearm(JIN_stack_node* n, const JIN_msg_ret& r)
{
    // Inside the stack's own handlers the Diner recomputes its wait when the
    // handler returns: no wake-up is needed (it would cost a second pass).
    if (in_handler_) {
        submit_timeout_from_handler(n->timeout, r.get_deadline());
        return;
    }
    submit_timeout(n->timeout, r.get_deadline());
}

void JIN_stack::release(JIN_stack_node* n, int was)
{
    if (was < 0) was = n->queue;
    if (was != JIN_stack_node::QUEUE_NONE) dequeue(n);
    remove_timeout(n->timeout);
    if (n->waiter_set) {
        notify_tree_.remove(&n->notify);
        n->waiter_set = false;
    }
    if (n->send_prio >= 0) {
        send_list_[n->send_prio].remove(n);
        n->send_prio = -1;
    }
    if (!n->trans.is_idle()) n->trans.zap(0, 0, JIN_GROUP_FINISHED);
    n->queue = JIN_stack_node::QUEUE_FREE;
    free_list_.push(n);
    ++free_count_;
    check_readers_caught_up();
    room_made();
    if (was == JIN_GROUP_TX_MULTI || was == JIN_GROUP_TX_FAST) commence_held(was == JIN_GROUP_TX_FAST);
}

// A multi-packet (or fast-packet) transmission has ended: the oldest held
// one whose peers (and PGN) are free now starts.
void JIN_stack::commence_held(bool fast)
{
    Node_tree& held = fast ? tx_hold_fast_ : tx_hold_;
    for (JIN_stack_node* h = held.first(); h; h = held.next(h)) {
        const JIN_header& k = h->trans.get_header();
        if (fast ? find_tx_fast(k.pgn, k.dest, k.src) != nullptr : find_tx_multi(k.dest, k.src) != nullptr)
            continue;
        dequeue(h);
        process_ret(h, h->trans.commence_tx(sids_));
        return;
    }
}

// While a batch of received frames is processed, the readers' events are
// held back and sent when the batch is done: a reader then wakes once per
// batch, not once per frame, and does not contend for the lock with the
// frames still being processed. Each message still makes one event.
void JIN_stack::tell_reader(waiter_descriptor* w, short module_id, unsigned value)
{
    if (!holding_notes_) {
        send_to(w, module_id, value, true);
        return;
    }
    for (int i = 0; i < notes_count_; ++i) {
        Note& k = notes_[i];
        if (k.waiter == w && k.module_id == module_id && k.value == value) {
            ++k.count;
            return;
        }
    }
    if (notes_count_ == MAX_NOTES) send_notes();
    notes_[notes_count_++] = Note{w, module_id, value, 1};
}

void JIN_stack::send_notes()
{
    for (int i = 0; i < notes_count_; ++i)
        for (int k = 0; k < notes_[i].count; ++k)
            send_to(notes_[i].waiter, notes_[i].module_id, notes_[i].value, true);
    notes_count_ = 0;
}

// A reader that deregistered (another thread may do so while a batch is
// processed, between its bus reads) is told nothing more of that PGN: it
// may be gone by the time the held events are sent.
void JIN_stack::forget_notes(waiter_descriptor* w, unsigned pgn, JIN_PGN::type_t kind)
{
    const bool standard_id = JIN_PGN::is_standard_id_pgn(pgn);
    const short id = kind == JIN_PGN::REQUEST ? ids_.request : (standard_id ? ids_.rx_11bit : ids_.rx);
    const unsigned value = standard_id ? (pgn & 0xFF) : pgn;
    int kept = 0;
    for (int i = 0; i < notes_count_; ++i) {
        const Note& k = notes_[i];
        if (k.waiter != w || k.module_id != id || k.value != value) notes_[kept++] = k;
    }
    notes_count_ = kept;
}

void JIN_stack::send_to(waiter_descriptor* w, short module_id, unsigned value, bool merge)
{
    if (!w) return;
    waiter_event ev;
    ev.module_id = module_id;
    ev.data = value;
    ev.code = static_cast<int32_t>(value);
    w->send_event(ev, merge, false);
}

int JIN_stack::process_ret(JIN_stack_node* n, const JIN_msg_ret& r)
{
    const int g = r.get_group();
    const int error = r.get_error();
    waiter_descriptor* sender = n->waiter_set ? n->notify.waiter : nullptr;
    const int tag = n->notify.tag;

    if (g != JIN_GROUP_UNCHANGED && g != n->queue) {
        const int was = n->queue;
        if (was != JIN_stack_node::QUEUE_NONE) dequeue(n);
        if (g == JIN_GROUP_FINISHED || g == JIN_GROUP_TX_DONE) {
            if (sender)
                send_to(sender, ids_.tx_finished, unsigned(g == JIN_GROUP_TX_DONE ? tag : -tag), true);
            release(n, was);
            return error == JIN_ERR_DATA_WANTED ? 0 : error;
        }
        if (r.is_timeout_changed()) rearm(n, r);
        if (g == JIN_GROUP_RX_COMPLETE) {
            const JIN_header& h = n->trans.get_header();
            n->compared_pgn = compared_pgn_of(h, n->trans.get_data());
            enqueue(n, g);
            notify_readers(n);
            if (n->is_free()) return error == JIN_ERR_DATA_WANTED ? 0 : error;
        } else if (tree_of(g)) {
            enqueue(n, g);
        }
    } else if (r.is_timeout_changed()) {
        rearm(n, r);
    }

    const int prio = int(n->trans.get_header().prio & 7);
    switch (r.get_transmit_requested()) {
    case JIN_TX_WANTED:
        if (n->send_prio < 0) {
            send_list_[prio].push(n);
            n->send_prio = prio;
        }
        tx_pass_wanted_ = true;
        break;
    case JIN_TX_WANTED_LAST:
        if (n->send_prio >= 0) send_list_[n->send_prio].remove(n);
        send_list_[prio].push(n);
        n->send_prio = prio;
        tx_pass_wanted_ = true;
        break;
    case JIN_TX_NONE:
        if (n->send_prio >= 0) send_list_[n->send_prio].remove(n);
        n->send_prio = -1;
        break;
    default:
        break;
    }

    if (error == JIN_ERR_DATA_WANTED) {
        if (sender) send_to(sender, ids_.data_wanted, unsigned(tag), false);
        return 0;
    }
    return error;
}

// ---------------------------------------------------------------------------
// Receiving

bool JIN_stack::is_pkt_addressed_to_us(const JIN_packet& p) const
{
    const unsigned char dest = p.get_dest();
    if (dest == JIN_packet::GLOBAL_ADDRESS) return true;
    for (unsigned char a : addresses_) {
        if (a == 255) break;
        if (a == dest || a == 254) return true;
    }
    return false;
}

JIN_PGN_node* JIN_stack::find_reg(unsigned pgn, JIN_PGN::type_t kind) const
{
    JIN_PGN_node k(pgn, kind);
    return registrations_.find(&k, BSTREE_EQUAL);
}

bool JIN_stack::is_pgn_registered(const JIN_packet& p, bool& fast, unsigned& requested) const
{
    fast = false;
    const unsigned pgn = p.get_pgn();
    if (!p.is_extended()) return find_reg(pgn, JIN_PGN::NORMAL) || find_reg(JIN_PGN::CATCH_ALL, JIN_PGN::NORMAL);
    if (pgn == JIN_trans::PGN_TP_DT || pgn == JIN_trans::PGN_ETP_DT) return true;
    if (pgn == JIN_trans::PGN_TP_CM || pgn == JIN_trans::PGN_ETP_CM) {
        const unsigned char c = p.data[0];
        if (c == JIN_trans::CM_CTS || c == JIN_trans::CM_EOMA || c == JIN_trans::CM_ETP_CTS ||
            c == JIN_trans::CM_ETP_EOMA || c == JIN_trans::CM_ABORT)
            return true;
        if (c != JIN_trans::CM_RTS && c != JIN_trans::CM_BAM && c != JIN_trans::CM_ETP_RTS &&
            c != JIN_trans::CM_ETP_DPO)
            return false;
        const unsigned inner = carried_pgn(p);
        return find_reg(inner, JIN_PGN::NORMAL) || find_reg(inner, JIN_PGN::FAST) ||
               find_reg(JIN_PGN::CATCH_ALL, JIN_PGN::NORMAL);
    }
    if (pgn == JIN_PGN::GROUP_FUNCTION_PGN) return true;
    if (find_reg(pgn, JIN_PGN::FAST)) {
        fast = true;
        return true;
    }
    if (pgn == JIN_PGN::REQUEST_PGN && p.length >= 3) {
        requested = unsigned(p.data[0]) | unsigned(p.data[1]) << 8 | unsigned(p.data[2]) << 16;
        if (find_reg(requested, JIN_PGN::REQUEST)) return true;
    }
    return find_reg(pgn, JIN_PGN::NORMAL) || find_reg(JIN_PGN::CATCH_ALL, JIN_PGN::NORMAL);
}

bool JIN_stack::process_frame(const JIN_packet& p, bool may_pause)
{
    if (!is_pkt_addressed_to_us(p)) {
        JDB::print(_JDB::CAN_45, "JIN_stack%i: Packet not for us [%d]\n", instance_, p.get_dest());
        return true;
    }
    bool fast = false;
    unsigned requested = 0;
    if (!is_pgn_registered(p, fast, requested)) {
        JDB::print(_JDB::CAN_45, "JIN_stack%i: Packet not registered [%d]\n", instance_, p.get_pgn());
        // A request to us that nobody serves gets a NACK, sent back to the
        // requester.
        if (p.is_extended() && p.get_pgn() == JIN_PGN::REQUEST_PGN && p.length >= 3 &&
            p.get_dest() != JIN_packet::GLOBAL_ADDRESS)
            __send_ack(p.get_dest(), requested, false, p.get_src());
        return true;
    }
    const unsigned pgn = p.get_pgn();
    const unsigned char src = p.get_src(), dest = p.get_dest();
    JIN_stack_node* n;

    if (p.is_extended() && (pgn == JIN_trans::PGN_TP_CM || pgn == JIN_trans::PGN_ETP_CM)) {
        const bool etp = pgn == JIN_trans::PGN_ETP_CM;
        Node_tree& rx_tree = etp ? rx_etp_ : rx_tp_;
        switch (p.data[0]) {
        case JIN_trans::CM_RTS:
        case JIN_trans::CM_BAM:
        case JIN_trans::CM_ETP_RTS:
            if ((p.data[0] == JIN_trans::CM_ETP_RTS) != etp) return true;
            return start_reception(p, rx_tree, may_pause);
        case JIN_trans::CM_CTS:
        case JIN_trans::CM_EOMA:
        case JIN_trans::CM_ETP_CTS:
        case JIN_trans::CM_ETP_EOMA:
            if ((n = find_tx_multi(src, dest))) to_node(n, p, false);
            return true;
        case JIN_trans::CM_ETP_DPO:
            if (etp && (n = find_rx(rx_etp_, src, dest))) {
                to_node(n, p, false);
                if (send_rx_progress_ && !n->is_free() && n->queue == JIN_GROUP_RX_ETP)
                    send_rx_progress(n);
            }
            return true;
        case JIN_trans::CM_ABORT:
            if ((n = find_rx(rx_tree, src, dest))) to_node(n, p, false);
            if ((n = find_tx_multi(src, dest))) to_node(n, p, false);
            return true;
        default:
            return true;
        }
    }
    if (p.is_extended() && pgn == JIN_trans::PGN_TP_DT) {
        if ((n = find_rx(rx_tp_, src, dest))) to_node(n, p, false);
        return true;
    }
    if (p.is_extended() && pgn == JIN_trans::PGN_ETP_DT) {
        if ((n = find_rx(rx_etp_, src, dest))) to_node(n, p, false);
        return true;
    }
    if (fast && (n = find_rx_fast(pgn, dest, src, p.data[0] >> 5))) {
        to_node(n, p, true);
        return true;
    }
    const int prio = int(p.get_prio());
    if (!has_rx_room(prio)) {
        if (must_wait_for_readers(prio, may_pause)) return false;
        count_rx_drop();
        return true;
    }
    to_node(n = pop_free(), p, fast);
    return true;
}

// An RTS or BAM. A new one from the same source to the same destination
// replaces a reception still under way (ISO 11783-3): the sender has given
// the old one up.
bool JIN_stack::start_reception(const JIN_packet& p, Node_tree& tree, bool may_pause)
{
    if (JIN_stack_node* old = find_rx(tree, p.get_src(), p.get_dest())) release(old);
    const int prio = int(p.get_prio());
    if (!has_rx_room(prio)) {
        if (must_wait_for_readers(prio, may_pause)) return false;
        count_rx_drop();
        refuse_rts(p);
        return true;
    }
    JIN_stack_node* n = pop_free();
    to_node(n, p, false);
    if (send_rx_progress_ && !n->is_free() &&
        (n->queue == JIN_GROUP_RX_TP || n->queue == JIN_GROUP_RX_ETP))
        send_rx_progress(n);
    return true;
}

// An RTS the stack has no room for is answered at once with the standard's
// abort for lack of resources, so that the sender need not wait out its
// time-out. The frame goes straight to the bus: no pool node is free for it.
void JIN_stack::refuse_rts(const JIN_packet& p)
{
    const unsigned char control = p.data[0];
    if ((control != JIN_trans::CM_RTS && control != JIN_trans::CM_ETP_RTS) ||
        p.get_dest() == JIN_packet::GLOBAL_ADDRESS || !bus_ ||
        bus_->tx_space(JIN_trans::TRANSPORT_PRIORITY) <= 0)
        return;
    JIN_packet f;
    f.set_extended(true);
    f.set_extended_id(JIN_trans::TRANSPORT_PRIORITY, p.get_pgn(), p.get_src(), p.get_dest());
    f.length = 8;
    const unsigned char abort[8] = {JIN_trans::CM_ABORT, JIN_trans::ABORT_BUSY, 0xFF, 0xFF, 0xFF,
                                    p.data[5], p.data[6], p.data[7]};
    std::memcpy(f.data, abort, sizeof abort);
    bus_->write(f, JIN_trans::TRANSPORT_PRIORITY);
}

void JIN_stack::count_rx_drop()
{
    ++rx_dropped_;
}

// Received messages dropped for want of room are reported on the debug
// output: the first at once, later ones at most once a second (a timeout
// reports them when no later batch does).
void JIN_stack::report_rx_drops()
{
    if (rx_dropped_ == rx_dropped_reported_) return;
    const Atime now = Atime::now();
    const long since = now - drops_reported_at_;
    if (rx_dropped_reported_ != 0 && since < DROP_REPORT_MS) {
        if (!submitted(drop_report_timeout_))
            submit_timeout(drop_report_timeout_, int(DROP_REPORT_MS - since));
        return;
    }
    Debug_print::dprint("JIN_stack%i: %lu received messages dropped, readers too slow (%lu in all)\n",
                        instance_, rx_dropped_ - rx_dropped_reported_, rx_dropped_);
    rx_dropped_reported_ = rx_dropped_;
    drops_reported_at_ = now;
}

unsigned long JIN_stack::rx_dropped()
{
    Diner::Protection p(*this);
    return rx_dropped_;
}

void JIN_stack::to_node(JIN_stack_node* n, const JIN_packet& p, bool fast)
{
    int rc = process_ret(n, n->trans.put_packet(p, fast));
    (void)rc;
}

void JIN_stack::send_rx_progress(JIN_stack_node* n)
{
    const JIN_header& h = n->trans.get_header();
    JIN_PGN_node* reg = find_reg(h.pgn, JIN_PGN::NORMAL);
    if (!reg) return;
    unsigned char pgn_bytes[4] = {uint8_t(h.pgn), uint8_t(h.pgn >> 8), uint8_t(h.pgn >> 16),
                                  uint8_t(h.pgn >> 24)};
    for (int i = 0; i < reg->count; ++i) {
        waiter_event ev;
        ev.module_id = ids_.rx_progress;
        ev.code = 0;
        ev.data = h.src;
        ev.set_extended_data(pgn_bytes, sizeof pgn_bytes);
        reg->waiters[i]->send_event(ev, false, false);
    }
}

void JIN_stack::notify_readers(JIN_stack_node* n)
{
    const JIN_header& h = n->trans.get_header();
    const bool standard_id = JIN_PGN::is_standard_id_pgn(h.pgn);
    const bool is_request = n->compared_pgn != h.pgn;
    JIN_PGN_node* reg = find_reg(h.pgn, JIN_PGN::FAST);
    if (!reg) reg = find_reg(h.pgn, JIN_PGN::NORMAL);
    if (reg) {
        for (int i = 0; i < reg->count; ++i) {
            if (standard_id)
                tell_reader(reg->waiters[i], ids_.rx_11bit, h.pgn & 0xFF);
            else
                tell_reader(reg->waiters[i], ids_.rx, h.pgn);
            n->readers |= uint8_t(1u << i);
        }
    } else if (is_request && (reg = find_reg(n->compared_pgn, JIN_PGN::REQUEST))) {
        // A request goes to the service registered for it before any
        // catch-all listener, which would otherwise take it away.
        for (int i = 0; i < reg->count; ++i) {
            tell_reader(reg->waiters[i], ids_.request, n->compared_pgn);
            n->request_readers |= uint8_t(1u << i);
        }
    } else if (!standard_id && (reg = find_reg(JIN_PGN::CATCH_ALL, JIN_PGN::NORMAL))) {
        for (int i = 0; i < reg->count; ++i) {
            tell_reader(reg->waiters[i], ids_.rx, JIN_PGN::CATCH_ALL);
            n->catch_all_readers |= uint8_t(1u << i);
        }
    }
    if (!n->has_readers()) release(n);
}

JIN_stack_node* JIN_stack::find_tx_multi(unsigned char dest, unsigned char src) const
{
    auto s = key([&](const JIN_stack_node* n) {
        const JIN_header& h = n->trans.get_header();
        if (int d = order(dest, h.dest)) return d;
        return order(src, h.src);
    });
    return first_equal(tx_multi_, s);
}

JIN_stack_node* JIN_stack::find_tx_fast(unsigned pgn, unsigned char dest, unsigned char src) const
{
    auto s = key([&](const JIN_stack_node* n) {
        const JIN_header& h = n->trans.get_header();
        if (int d = order(pgn, h.pgn)) return d;
        if (int d = order(dest, h.dest)) return d;
        return order(src, h.src);
    });
    return first_equal(tx_fast_, s);
}

JIN_stack_node* JIN_stack::find_rx(const Node_tree& tree, unsigned char src, unsigned char dest) const
{
    auto s = key([&](const JIN_stack_node* n) {
        const JIN_header& h = n->trans.get_header();
        if (int d = order(src, h.src)) return d;
        return order(dest, h.dest);
    });
    return first_equal(tree, s);
}

JIN_stack_node* JIN_stack::find_rx_fast(unsigned pgn, unsigned char dest, unsigned char src,
                                        unsigned char sid) const
{
    auto s = key([&](const JIN_stack_node* n) {
        const JIN_header& h = n->trans.get_header();
        if (int d = order(pgn, h.pgn)) return d;
        if (int d = order(dest, h.dest)) return d;
        if (int d = order(src, h.src)) return d;
        return order(sid, n->trans.get_fast_sid());
    });
    return first_equal(rx_fast_, s);
}

// ---------------------------------------------------------------------------
// Sending

int JIN_stack::write(unsigned char src, unsigned char dest, unsigned int pgn, unsigned int prio,
                     unsigned long len, const unsigned char* data, int data_len,
                     waiter_descriptor* waiter, int tag)
{
    JIN_trans_type_t type = len < 9 ? JIN_TRANS_TX_SINGLE
                                    : (len < 1786 ? JIN_TRANS_TX_TP : JIN_TRANS_TX_ETP);
    if (len > 0xFFFFFFFFul) return -40;
    JIN_header h(src, dest, pgn, prio, type, unsigned(len));
    Diner::Protection p(*this);
    int rc = __write(h, data, data_len, waiter, tag);
    run_pending_tx_pass();
    return rc;
}

int JIN_stack::__write(const JIN_header& h, const unsigned char* data, int len,
                       waiter_descriptor* waiter, int tag)
{
    mutex_->status(Mutex::MINE);
    if (len < 0) len = int(h.length);
    if ((unsigned(len) < h.length && !waiter) || (len > 0 && !data) ||
        h.type == JIN_TRANS_INVALID || h.prio > 7)
        return -1;
    if (is_periodic(h.pgn)) drop_waiting(h);
    if (tx_count_[h.prio] > MAX_HELD) return -11;
    JIN_stack_node* n = pop_free();
    if (!n) return -12;
    if (waiter) {
        n->notify.waiter = waiter;
        n->notify.tag = tag;
        notify_tree_.insert(&n->notify);
        n->waiter_set = true;
    }
    const unsigned given = unsigned(len) < h.length ? unsigned(len) : h.length;
    n->trans.set_throttler(given > 8 ? default_throttler_ : JIN_trans::Throttler());
    int rc = process_ret(n, n->trans.write(h, data, given));
    if (n->is_free() || n->queue != JIN_GROUP_TX_NEW) return rc;

    const JIN_header& w = n->trans.get_header();
    bool busy = w.type == JIN_TRANS_TX_FAST ? find_tx_fast(w.pgn, w.dest, w.src) != nullptr
                                            : find_tx_multi(w.dest, w.src) != nullptr;
    dequeue(n);
    int rc2 = process_ret(n, busy ? n->trans.hold_tx() : n->trans.commence_tx(sids_));
    return rc2 != 0 ? rc2 : rc;
}

bool JIN_stack::set_periodic(unsigned pgn, bool periodic)
{
    Diner::Protection p(*this);
    for (int i = 0; i < periodic_count_; ++i) {
        if (periodic_[i] != pgn) continue;
        if (!periodic) periodic_[i] = periodic_[--periodic_count_];
        return true;
    }
    if (!periodic) return true;
    if (periodic_count_ == MAX_PERIODIC) return false;
    periodic_[periodic_count_++] = pgn;
    return true;
}

bool JIN_stack::is_periodic(unsigned pgn) const
{
    for (int i = 0; i < periodic_count_; ++i)
        if (periodic_[i] == pgn) return true;
    return false;
}

void JIN_stack::drop_waiting(const JIN_header& h)
{
    for (Node_tree* t : {&tx_hold_, &tx_hold_fast_, &tx_single_}) {
        for (JIN_stack_node* n = t->first(); n; n = t->next(n)) {
            const JIN_header& w = n->trans.get_header();
            if (w.pgn != h.pgn || w.src != h.src || w.dest != h.dest) continue;
            // Its sender learns that it did not go out.
            process_ret(n, n->trans.zap(0, 0, JIN_GROUP_FINISHED));
            return;
        }
    }
}

int JIN_stack::write_now(const JIN_header& h, const unsigned char* data, int len)
{
    if (len > 8) return -22;
    if (len < 0 || (len > 0 && !data) || h.prio > 7) return -1;
    Diner::Protection p(*this);
    if (bus_ && bus_->tx_space(int(h.prio)) > 0) {
        JIN_packet f;
        if (h.type == JIN_TRANS_TX_11BIT) {
            f.id = (h.prio & 7) << 8 | h.src;
            f.set_extended(false);
        } else {
            f.set_extended(true);
            f.set_extended_id(h.prio, h.pgn, h.dest, h.src);
        }
        f.length = uint8_t(len);
        if (len) std::memcpy(f.data, data, size_t(len));
        if (bus_->write(f, int(h.prio)) > 0) return 0;
    }
    int rc = __write(h, data, len, nullptr, 1);
    run_pending_tx_pass();
    return rc;
}

int JIN_stack::request(unsigned char src, unsigned char dest, unsigned pgn,
                       waiter_descriptor* waiter, int tag)
{
    const unsigned char d[3] = {uint8_t(pgn), uint8_t(pgn >> 8), uint8_t(pgn >> 16)};
    return write(src, dest, JIN_PGN::REQUEST_PGN, 6, 3, d, 3, waiter, tag);
}

int JIN_stack::__send_ack(unsigned char src, unsigned pgn, bool ack, unsigned char dest)
{
    mutex_->status(Mutex::MINE);
    // Byte 4 is the address acknowledged: the requester's.
    const unsigned char d[8] = {uint8_t(ack ? 0 : 1), 0xFF, 0xFF, 0xFF, dest,
                                uint8_t(pgn), uint8_t(pgn >> 8), uint8_t(pgn >> 16)};
    JIN_header h(src, dest, JIN_PGN::ACKNOWLEDGEMENT_PGN, 6, JIN_TRANS_TX_SINGLE, 8);
    return __write(h, d, 8, nullptr, 1);
}

int JIN_stack::feed_data(const unsigned char* data, int len, waiter_descriptor* w, int tag)
{
    Diner::Protection p(*this);
    JIN_notify_node k;
    k.waiter = w;
    k.tag = tag;
    JIN_notify_node* rec = notify_tree_.find(&k, BSTREE_EQUAL);
    if (!rec || !data || len < 0) return -1;
    int taken = 0;
    JIN_stack_node* n = rec->owner;
    process_ret(n, n->trans.feed_data(data, len, taken));
    run_pending_tx_pass();
    return taken;
}

int JIN_stack::forget_waiter(waiter_descriptor* w)
{
    if (!w) return 0;
    Diner::Protection p(*this);
    int forgotten = 0;
    for (int i = 0; i < pool_made_; ++i) {
        JIN_stack_node* n = pool_[i];
        if (!n->waiter_set || n->notify.waiter != w) continue;
        notify_tree_.remove(&n->notify);
        n->waiter_set = false;
        n->notify.waiter = nullptr;
        ++forgotten;
    }
    int kept = 0;
    for (int i = 0; i < notes_count_; ++i)
        if (notes_[i].waiter != w) notes_[kept++] = notes_[i];
    notes_count_ = kept;
    return forgotten;
}

void JIN_stack::run_pending_tx_pass()
{
    if (!tx_pass_wanted_ || tx_pass_depth_ > 0 || !bus_) return;
    ++tx_pass_depth_;
    while (tx_pass_wanted_) {
        tx_pass_wanted_ = false;
        process_tx_space();
    }
    --tx_pass_depth_;
}

void JIN_stack::process_tx_space()
{
    const bool one_batch = bus_->one_batch_per_pass();
    for (int prio = 0; prio < NUM_PRIO; ++prio) {
        if (send_list_[prio].empty()) continue;
        yield_lock();
        for (;;) {
            int space = send_list_[prio].empty() ? 0 : bus_->tx_space(prio);
            if (space <= 0) break;
            JIN_stack_node* n = send_list_[prio].first();
            int count = cts_threshold_;
            JIN_msg_ret r = n->trans.get_packets(frames_, space < TX_BATCH ? space : TX_BATCH, count);
            for (int i = 0; i < count; ++i) bus_->write(frames_[i], prio);
            int rc = process_ret(n, r);
            // A transfer that had nothing to send leaves the list until its
            // state changes (a frame, a deadline or the writer's bytes put it
            // back), so that it cannot spin this pass forever.
            if (count == 0 && !n->is_free() && n->send_prio >= 0) {
                send_list_[n->send_prio].remove(n);
                n->send_prio = -1;
            }
            if (rc < 0)
                Debug_print::dprint("JIN_stack%i: something SERIOUSLY wrong in process_tx_space (%i)\r\n",
                                    instance_, rc);
            if (one_batch) break;
        }
    }
}

// ---------------------------------------------------------------------------
// Registrations and reading

int JIN_stack::register_pgn(unsigned pgn, waiter_descriptor* w, short* event_id,
                            JIN_PGN::type_t kind)
{
    if (pgn == JIN_PGN::GROUP_FUNCTION_PGN || pgn == JIN_PGN::REQUEST_PGN || !w) return -1;
    Diner::Protection p(*this);
    JIN_PGN_node* reg = find_reg(pgn, kind);
    if (!reg) {
        reg = new (std::nothrow) JIN_PGN_node(pgn, kind);
        if (!reg) return -1;
        registrations_.insert(reg);
    }
    if (event_id) *event_id = kind == JIN_PGN::REQUEST ? ids_.request : ids_.rx;
    if (reg->count == JIN_PGN_node::MAX_WAITERS) return 0;
    reg->waiters[reg->count++] = w;
    return 1;
}

int JIN_stack::deregister_pgn(unsigned pgn, waiter_descriptor* w, JIN_PGN::type_t kind)
{
    if (pgn == JIN_PGN::GROUP_FUNCTION_PGN || pgn == JIN_PGN::REQUEST_PGN) return -1;
    Diner::Protection p(*this);
    JIN_PGN_node* reg = find_reg(pgn, kind);
    if (!reg) return -1;
    const int pos = reg->position_of(w);
    if (pos < 0) return -1;
    for (int i = pos; i + 1 < reg->count; ++i) reg->waiters[i] = reg->waiters[i + 1];
    reg->waiters[--reg->count] = nullptr;
    int rc = 1;
    if (reg->count == 0) {
        rc = registrations_.remove(reg) == 0 ? 1 : -1;
        delete reg;
    }
    forget_notes(w, pgn, kind);
    // Keep the reader bits of waiting messages aligned with the positions.
    auto drop_bit = [pos](unsigned char& mask) {
        const unsigned low = mask & ((1u << pos) - 1);
        mask = uint8_t(low | ((mask >> (pos + 1)) << pos));
    };
    for (JIN_stack_node* n = rx_complete_.first(); n;) {
        JIN_stack_node* next = rx_complete_.next(n);
        if (pgn == JIN_PGN::CATCH_ALL)
            drop_bit(n->catch_all_readers);
        else if (n->compared_pgn == pgn)
            drop_bit(kind == JIN_PGN::REQUEST ? n->request_readers : n->readers);
        if (!n->has_readers()) release(n);
        n = next;
    }
    return rc;
}

int JIN_stack::register_11bit_msg(unsigned char id, waiter_descriptor* w, short* event_id)
{
    int rc = register_pgn(JIN_PGN::STANDARD_ID_BASE + id, w, nullptr, JIN_PGN::NORMAL);
    if (event_id) *event_id = ids_.rx_11bit;
    return rc;
}

int JIN_stack::deregister_11bit_msg(unsigned char id, waiter_descriptor* w)
{
    return deregister_pgn(JIN_PGN::STANDARD_ID_BASE + id, w, JIN_PGN::NORMAL);
}

int JIN_stack::read_11bit_msg(unsigned char id, JIN_header& h, unsigned char* buf,
                              waiter_descriptor* w)
{
    return read(JIN_PGN::STANDARD_ID_BASE + id, h, buf, 8, 8, w, JIN_PGN::NORMAL);
}

int JIN_stack::read(unsigned pgn, JIN_header& h, unsigned char* buf, int buf_len, int max_len,
                    waiter_descriptor* w, JIN_PGN::type_t kind)
{
    if (pgn == JIN_PGN::GROUP_FUNCTION_PGN || pgn == JIN_PGN::REQUEST_PGN || buf_len < 0) return -1;
    Diner::Protection p(*this);
    const bool catch_all = pgn == JIN_PGN::CATCH_ALL;
    JIN_PGN_node* reg = find_reg(pgn, catch_all ? JIN_PGN::NORMAL : kind);
    const int pos = reg ? reg->position_of(w) : -1;
    if (pos < 0) return -1;
    const unsigned char bit = uint8_t(1u << pos);
    auto mask_of = [&](JIN_stack_node* n) -> unsigned char& {
        if (catch_all) return n->catch_all_readers;
        return kind == JIN_PGN::REQUEST ? n->request_readers : n->readers;
    };

    // A catch-all reader reads every message it was told of, whatever its
    // PGN; the others read the messages of their PGN.
    JIN_stack_node* n;
    if (catch_all) {
        n = rx_complete_.first();
    } else {
        auto s = key([&](const JIN_stack_node* m) { return order(pgn, m->compared_pgn); });
        n = first_equal(rx_complete_, s);
    }
    for (; n && (catch_all || n->compared_pgn == pgn); n = rx_complete_.next(n))
        if (mask_of(n) & bit) break;
    if (!n || !(catch_all || n->compared_pgn == pgn)) return -1;

    int rc = -1;
    if (max_len < 0 || unsigned(max_len) >= n->trans.get_header().length) {
        rc = n->trans.read(h, buf, unsigned(buf_len)).get_error();
        if (rc == JIN_ERR_BUFFER_SMALL) return rc;
        rc = rc == 0 ? 0 : rc;
    }
    mask_of(n) &= uint8_t(~bit);
    if (!n->has_readers()) release(n);
    return rc;
}

// ---------------------------------------------------------------------------
// Own addresses, status

int JIN_stack::register_address(unsigned char a)
{
    Diner::Protection p(*this);
    for (auto& slot : addresses_) {
        if (slot == 255) {
            slot = a;
            return 0;
        }
    }
    return -1;
}

int JIN_stack::deregister_address(unsigned char a)
{
    Diner::Protection p(*this);
    for (int i = 0; i < MAX_ADDRESSES && addresses_[i] != 255; ++i) {
        if (addresses_[i] != a) continue;
        for (int j = i; j + 1 < MAX_ADDRESSES; ++j) addresses_[j] = addresses_[j + 1];
        addresses_[MAX_ADDRESSES - 1] = 255;
        return 0;
    }
    return -1;
}

bool JIN_stack::get_rx_progress(unsigned pgn, unsigned char src, unsigned char dest, int& done,
                                int& total)
{
    Diner::Protection p(*this);
    for (Node_tree* t : {&rx_etp_, &rx_tp_}) {
        JIN_stack_node* n = find_rx(*t, src, dest);
        if (n && n->trans.get_header().pgn == pgn) {
            n->trans.get_progress(done, total);
            return true;
        }
    }
    return false;
}

void JIN_stack::set_rx_stall_limit(int ms)
{
    Diner::Protection p(*this);
    rx_stall_limit_ms_ = ms;
}

bool JIN_stack::set_CTS_threshold(int n)
{
    if (n > 255 || n < 1) return false;
    Diner::Protection p(*this);
    cts_threshold_ = n;
    return true;
}

void JIN_stack::set_default_throttler(JIN_trans::Throttler t)
{
    Diner::Protection p(*this);
    default_throttler_ = t;
}

void JIN_stack::set_send_rx_progress(bool on)
{
    Diner::Protection p(*this);
    send_rx_progress_ = on;
}

bool JIN_stack::is_empty()
{
    Diner::Protection p(*this);
    return free_count_ == pool_made_;
}

int JIN_stack::close()
{
    Diner::Protection p(*this);
    return 0;
}

int JIN_stack::held_tx(int prio)
{
    Diner::Protection p(*this);
    return tx_count_[prio & 7];
}

int JIN_stack::held_rx(int prio)
{
    Diner::Protection p(*this);
    return rx_count_[prio & 7];
}

int JIN_stack::list_integrity()
{
    Diner::Protection p(*this);
    int sum = 0;
    for (auto* t : {&tx_new_, &tx_hold_, &tx_hold_fast_, &tx_single_, &tx_multi_, &tx_fast_,
                    &rx_tp_, &rx_etp_, &rx_fast_, &rx_complete_})
        sum += t->integrity();
    sum += notify_tree_.integrity() + registrations_.integrity();
    return sum;
}

bool JIN_stack::is_sane()
{
    if (list_integrity() < 0) return false;
    Diner::Protection p(*this);
    int held = free_count_;
    for (int i = 0; i < NUM_PRIO; ++i) held += rx_count_[i] + tx_count_[i];
    return held == pool_made_;
}
