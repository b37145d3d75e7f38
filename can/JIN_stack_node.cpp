#include "can/JIN_stack_node.h"

#include "can/JIN_PGN_node.h"

#include <cstdint>

namespace {

template <class T>
int order(T a, T b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

const JIN_header& h(const JIN_stack_node* n) { return n->trans.get_header(); }

int by_time_then_seq(const JIN_stack_node* a, const JIN_stack_node* b)
{
    if (int d = a->queued - b->queued) return d;
    return order(a->seq, b->seq);
}

}  // namespace

int msg_tx_new_compare(const JIN_stack_node* a, const JIN_stack_node* b)
{
    if (int d = order(h(a).prio, h(b).prio)) return d;
    return by_time_then_seq(a, b);
}

int msg_tx_hold_compare(const JIN_stack_node* a, const JIN_stack_node* b)
{
    if (int d = order(h(a).dest, h(b).dest)) return d;
    if (int d = order(h(a).src, h(b).src)) return d;
    return by_time_then_seq(a, b);
}

int msg_tx_hold_fast_compare(const JIN_stack_node* a, const JIN_stack_node* b)
{
    if (int d = order(h(a).pgn, h(b).pgn)) return d;
    return msg_tx_hold_compare(a, b);
}

int msg_tx_commenced_compare(const JIN_stack_node* a, const JIN_stack_node* b)
{
    if (int d = order(h(a).dest, h(b).dest)) return d;
    return order(h(a).src, h(b).src);
}

int msg_tx_commenced_fast_compare(const JIN_stack_node* a, const JIN_stack_node* b)
{
    if (int d = order(h(a).pgn, h(b).pgn)) return d;
    return msg_tx_commenced_compare(a, b);
}

int msg_rx_iso_compare(const JIN_stack_node* a, const JIN_stack_node* b)
{
    if (int d = order(h(a).src, h(b).src)) return d;
    return order(h(a).dest, h(b).dest);
}

int msg_rx_commenced_fast_compare(const JIN_stack_node* a, const JIN_stack_node* b)
{
    if (int d = msg_tx_commenced_fast_compare(a, b)) return d;
    return order(a->trans.get_fast_sid(), b->trans.get_fast_sid());
}

int msg_rx_complete_compare(const JIN_stack_node* a, const JIN_stack_node* b)
{
    if (int d = order(a->compared_pgn, b->compared_pgn)) return d;
    return by_time_then_seq(a, b);
}

int msg_notify_compare(const JIN_notify_node* a, const JIN_notify_node* b)
{
    if (int d = order(reinterpret_cast<uintptr_t>(a->waiter), reinterpret_cast<uintptr_t>(b->waiter)))
        return d;
    return order(a->tag, b->tag);
}

int msg_reg_pgn_compare(const JIN_PGN_node* a, const JIN_PGN_node* b)
{
    if (int d = order(a->pgn, b->pgn)) return d;
    return order(int(a->kind), int(b->kind));
}
