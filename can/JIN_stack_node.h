// One message of a CAN stack's pool: its transfer, the queue it sits in, its
// deadline, the sender to tell when it is gone, and the readers still to
// read it.
#pragma once

#include "can/JIN_trans.h"
#include "glue/diner/Timeout.h"
#include "util/Atime.h"
#include "util/avl_bstree.h"
#include "util/sl_list.h"

class JIN_stack_node;
class waiter_descriptor;

// The record of (waiter, tag) by which a sender finds its transmission.
class JIN_notify_node : public avl_bsnode {
public:
    waiter_descriptor* waiter = nullptr;
    int tag = 0;
    JIN_stack_node* owner = nullptr;
};

// The node's deadline, pointing back at the node.
class JIN_node_timeout : public Timeout {
public:
    JIN_stack_node* owner = nullptr;
};

// Queue tree links (avl_bsnode) and the send or free list link (sll_node):
// a node is in at most one tree and at most one list.
class JIN_stack_node : public avl_bsnode, public sll_node {
public:
    // Where a node is when it is in no queue tree.
    enum : int { QUEUE_NONE = 100, QUEUE_FREE = 101 };

    JIN_stack_node()
    {
        timeout.owner = this;
        notify.owner = this;
    }

    bool is_free() const { return queue == QUEUE_FREE; }
    bool has_readers() const { return readers | catch_all_readers | request_readers; }

    JIN_trans trans;
    int queue = QUEUE_FREE;      // a JIN_msg_group, or QUEUE_NONE / QUEUE_FREE
    JIN_node_timeout timeout;
    JIN_notify_node notify;      // in the notify tree when notify.waiter is set
    bool waiter_set = false;
    int send_prio = -1;          // the send list it is in, -1 when none
    int counted_prio = -1;       // priority of the counter it is counted in
    bool counted_tx = false;
    Atime queued;                // when it entered its queue
    unsigned seq = 0;            // breaks ties of equal queue times
    unsigned compared_pgn = 0;   // set when a reception completes
    unsigned char readers = 0;            // bit i: waiter i of the registration
    unsigned char catch_all_readers = 0;
    unsigned char request_readers = 0;
};

// Queue orders (negative when a comes first).
int msg_tx_new_compare(const JIN_stack_node* a, const JIN_stack_node* b);
int msg_tx_hold_compare(const JIN_stack_node* a, const JIN_stack_node* b);
int msg_tx_hold_fast_compare(const JIN_stack_node* a, const JIN_stack_node* b);
int msg_tx_commenced_compare(const JIN_stack_node* a, const JIN_stack_node* b);
int msg_tx_commenced_fast_compare(const JIN_stack_node* a, const JIN_stack_node* b);
int msg_rx_iso_compare(const JIN_stack_node* a, const JIN_stack_node* b);
int msg_rx_commenced_fast_compare(const JIN_stack_node* a, const JIN_stack_node* b);
int msg_rx_complete_compare(const JIN_stack_node* a, const JIN_stack_node* b);
int msg_notify_compare(const JIN_notify_node* a, const JIN_notify_node* b);
