// One PGN registration of a CAN stack: the PGN, the kind, and up to eight
// receivers in the order they registered.
#pragma once

#include "can/JIN_PGN.h"
#include "util/avl_bstree.h"

class waiter_descriptor;

class JIN_PGN_node : public avl_bsnode {
public:
    static constexpr int MAX_WAITERS = 8;

    JIN_PGN_node(unsigned pgn, JIN_PGN::type_t kind) : pgn(pgn), kind(kind) {}

    // The position of w (its first one), -1 when absent.
    int position_of(const waiter_descriptor* w) const
    {
        for (int i = 0; i < count; ++i)
            if (waiters[i] == w) return i;
        return -1;
    }

    unsigned pgn;
    JIN_PGN::type_t kind;
    waiter_descriptor* waiters[MAX_WAITERS] = {};
    int count = 0;
};

// Orders registrations by PGN, then kind.
int msg_reg_pgn_compare(const JIN_PGN_node* a, const JIN_PGN_node* b);
