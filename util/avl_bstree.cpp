#include "util/avl_bstree.h"

#include "util/Bugger.h"
#include "util/Debug_print.h"

#include <algorithm>
#include <functional>

avl_bstree::avl_bstree() = default;

avl_bstree::~avl_bstree() = default;

int avl_bstree::create()
{
    compare_ = nullptr;
    init();
    return 0;
}

int avl_bstree::create(compare_fn compare)
{
    compare_ = compare;
    init();
    return 0;
}

void avl_bstree::init()
{
    header_.greater = nullptr;
    header_.less = nullptr;
    count_ = 0;
    first_ = nullptr;
}

int avl_bstree::default_compare(const avl_bsnode*, const avl_bsnode*) const
{
    Bugger::report_bug("avl_bstree::create not called");
}

int avl_bstree::mycompare(const avl_bsnode* a, const avl_bsnode* b) const
{
    return compare_ ? compare_(a, b) : default_compare(a, b);
}

int avl_bstree::mycompare2(const avl_bsnode* a, const avl_bsnode* b) const
{
    int c = mycompare(a, b);
    if (c != 0 || a == b)
        return c;
    return std::less<const avl_bsnode*>()(a, b) ? -1 : 1;
}

bool avl_bstree::contains(const avl_bsnode* node) const
{
    if (!node || !node->parent)
        return false;
    const avl_bsnode* n = node;
    while (n->parent)
        n = n->parent;
    // The top of every chain of parents is a tree's header.
    return n == &header_;
}

void avl_bstree::replace_child(avl_bsnode* parent, avl_bsnode* old_child, avl_bsnode* new_child)
{
    if (parent == &header_)
        header_.greater = new_child;
    else if (parent->less == old_child)
        parent->less = new_child;
    else
        parent->greater = new_child;
    if (new_child)
        new_child->parent = parent;
}

avl_bsnode* avl_bstree::rotate_less(avl_bsnode* x)
{
    avl_bsnode* y = x->greater;
    avl_bsnode* p = x->parent;
    x->greater = y->less;
    if (y->less)
        y->less->parent = x;
    y->less = x;
    replace_child(p, x, y);
    x->parent = y;
    y->rank += x->rank;
    x->balance = x->balance - 1 - std::max(y->balance, 0);
    y->balance = y->balance - 1 + std::min(x->balance, 0);
    return y;
}

avl_bsnode* avl_bstree::rotate_greater(avl_bsnode* x)
{
    avl_bsnode* y = x->less;
    avl_bsnode* p = x->parent;
    x->less = y->greater;
    if (y->greater)
        y->greater->parent = x;
    y->greater = x;
    replace_child(p, x, y);
    x->parent = y;
    x->rank -= y->rank;
    x->balance = x->balance + 1 - std::min(y->balance, 0);
    y->balance = y->balance + 1 + std::max(x->balance, 0);
    return y;
}

avl_bsnode* avl_bstree::rebalance(avl_bsnode* x)
{
    if (x->balance > 1) {
        if (x->greater->balance < 0)
            rotate_greater(x->greater);
        return rotate_less(x);
    }
    if (x->balance < -1) {
        if (x->less->balance > 0)
            rotate_less(x->less);
        return rotate_greater(x);
    }
    return x;
}

void avl_bstree::retrace_insert(avl_bsnode* node)
{
    avl_bsnode* child = node;
    avl_bsnode* p = child->parent;
    while (p != &header_) {
        p->balance += (p->less == child) ? -1 : 1;
        if (p->balance == 0)
            return;
        if (p->balance > 1 || p->balance < -1) {
            rebalance(p);
            return;
        }
        child = p;
        p = p->parent;
    }
}

void avl_bstree::retrace_remove(avl_bsnode* p, bool from_less)
{
    while (p != &header_) {
        p->balance += from_less ? 1 : -1;
        if (p->balance == 1 || p->balance == -1)
            return; // height unchanged
        if (p->balance != 0) {
            p = rebalance(p);
            if (p->balance != 0)
                return; // height unchanged after the rotation
        }
        avl_bsnode* parent = p->parent;
        from_less = (parent != &header_ && parent->less == p);
        p = parent;
    }
}

int avl_bstree::insert(avl_bsnode* node)
{
    if (!node)
        return -1;
    if (node->parent) {
        if (contains(node))
            return -1;
        Bugger::report_bug("avl_bstree::insert, already in a tree.");
    }
    node->less = node->greater = nullptr;
    node->balance = 0;
    node->rank = 1;

    if (!root()) {
        header_.greater = node;
        node->parent = &header_;
        count_ = 1;
        first_ = node;
        return 0;
    }

    // The node is in no tree, so it differs from every node (mycompare2).
    avl_bsnode* at = root();
    bool to_less = false;
    bool leftmost = true;
    for (;;) {
        to_less = mycompare2(node, at) < 0;
        if (to_less)
            ++at->rank;
        else
            leftmost = false;
        avl_bsnode* next_at = to_less ? at->less : at->greater;
        if (!next_at)
            break;
        at = next_at;
    }
    if (to_less)
        at->less = node;
    else
        at->greater = node;
    node->parent = at;
    ++count_;
    if (leftmost)
        first_ = node;
    retrace_insert(node);
    return 0;
}

int avl_bstree::remove(const avl_bsnode* cnode)
{
    if (!contains(cnode))
        return -1;
    avl_bsnode* n = const_cast<avl_bsnode*>(cnode);
    if (n == first_)
        first_ = next(n);

    // One node fewer in the less subtree of every ancestor whose less side
    // holds the spot that becomes empty.
    avl_bsnode* spot = n;
    if (n->less && n->greater) {
        spot = n->greater;
        while (spot->less)
            spot = spot->less;
    }
    for (avl_bsnode* c = spot; c->parent != &header_; c = c->parent) {
        if (c->parent->less == c)
            --c->parent->rank;
    }

    avl_bsnode* retrace_at;
    bool from_less;
    if (spot == n) {
        avl_bsnode* child = n->less ? n->less : n->greater;
        avl_bsnode* p = n->parent;
        from_less = (p != &header_ && p->less == n);
        replace_child(p, n, child);
        retrace_at = p;
    } else {
        // The successor takes n's place, links, balance and rank.
        avl_bsnode* s = spot;
        avl_bsnode* sp = s->parent;
        if (sp == n) {
            retrace_at = s;
            from_less = false;
        } else {
            sp->less = s->greater;
            if (s->greater)
                s->greater->parent = sp;
            s->greater = n->greater;
            s->greater->parent = s;
            retrace_at = sp;
            from_less = true;
        }
        s->less = n->less;
        s->less->parent = s;
        s->balance = n->balance;
        s->rank = n->rank;
        replace_child(n->parent, n, s);
    }
    --count_;
    n->parent = n->less = n->greater = nullptr;
    n->balance = 0;
    n->rank = 1;
    retrace_remove(retrace_at, from_less);
    return 0;
}

avl_bsnode* avl_bstree::find(const avl_bsnode* key, bstree_cond_t cond, int* index) const
{
    return find(key, cond, index, nullptr);
}

avl_bsnode* avl_bstree::find(const avl_bsnode* key, bstree_cond_t cond, int* index,
                             Searcher* searcher) const
{
    auto compare = [&](const avl_bsnode* at) {
        if (searcher)
            return searcher->compare(at);
        return cond == BSTREE_EXACT ? mycompare2(key, at) : mycompare(key, at);
    };
    if (index)
        *index = -1;
    if (cond > BSTREE_EXACT || !root())
        return nullptr;

    if (cond != BSTREE_BEFORE && cond != BSTREE_AFTER) {
        int before = 0; // nodes in order before the subtree of at
        for (avl_bsnode* at = root(); at;) {
            int c = compare(at);
            if (index)
                *index = before + at->rank - 1;
            if (c == 0)
                return at;
            if (c > 0)
                before += at->rank;
            at = c < 0 ? at->less : at->greater;
        }
        if (cond == BSTREE_EQUAL || cond == BSTREE_EXACT)
            return nullptr;
    }

    // The nearest node strictly before or after the key: with equal keys in
    // the tree, the descent passes over all of them.
    bool after = (cond == BSTREE_AFTER || cond == BSTREE_EQUAL_OR_AFTER);
    avl_bsnode* found = nullptr;
    int found_index = -1;
    int before = 0;
    for (avl_bsnode* at = root(); at;) {
        int c = compare(at);
        if (after ? c < 0 : c > 0) {
            found = at;
            found_index = before + at->rank - 1;
        }
        if (after ? c < 0 : c <= 0) {
            at = at->less;
        } else {
            before += at->rank;
            at = at->greater;
        }
    }
    if (index && found)
        *index = found_index;
    return found;
}

avl_bsnode* avl_bstree::nearby(const avl_bsnode* node, bstree_cond_t cond) const
{
    if (!node || !node->parent)
        return nullptr;
    switch (cond) {
    case BSTREE_BEFORE:
    case BSTREE_EQUAL_OR_BEFORE:
        return previous(node);
    case BSTREE_EQUAL:
        return const_cast<avl_bsnode*>(node);
    case BSTREE_AFTER:
    case BSTREE_EQUAL_OR_AFTER:
        return next(node);
    default:
        return nullptr;
    }
}

avl_bsnode* avl_bstree::next(const avl_bsnode* node) const
{
    if (!node || node == &header_ || !node->parent)
        return nullptr;
    if (node->greater) {
        avl_bsnode* n = node->greater;
        while (n->less)
            n = n->less;
        return n;
    }
    const avl_bsnode* n = node;
    avl_bsnode* p = n->parent;
    while (p->parent && p->greater == n) {
        n = p;
        p = p->parent;
    }
    // Climbing out of the root reaches a header, which has no parent.
    return p->parent ? p : nullptr;
}

avl_bsnode* avl_bstree::previous(const avl_bsnode* node) const
{
    if (!node || node == &header_ || !node->parent)
        return nullptr;
    if (node->less) {
        avl_bsnode* n = node->less;
        while (n->greater)
            n = n->greater;
        return n;
    }
    const avl_bsnode* n = node;
    avl_bsnode* p = n->parent;
    while (p->parent && p->less == n) {
        n = p;
        p = p->parent;
    }
    return p->parent ? p : nullptr;
}

avl_bsnode* avl_bstree::last() const
{
    avl_bsnode* n = root();
    while (n && n->greater)
        n = n->greater;
    return n;
}

avl_bsnode* avl_bstree::operator[](int index) const
{
    if (index < 0 || index >= count_)
        return nullptr;
    avl_bsnode* n = root();
    int want = index + 1;
    while (n) {
        if (want == n->rank)
            return n;
        if (want < n->rank) {
            n = n->less;
        } else {
            want -= n->rank;
            n = n->greater;
        }
    }
    return nullptr;
}

void avl_bstree::flush()
{
    while (first_)
        remove(first_);
}

int avl_bstree::height(const avl_bsnode* node) const
{
    if (!node)
        return 0;
    return 1 + std::max(height(node->less), height(node->greater));
}

int avl_bstree::index_of(const avl_bsnode* node) const
{
    int index = node->rank - 1;
    for (const avl_bsnode* c = node; c->parent != &header_; c = c->parent) {
        if (c->parent->greater == c)
            index += c->parent->rank;
    }
    return index;
}

// Checks one subtree; returns its height, or -1 when it is broken.
int avl_bstree::check_subtree(const avl_bsnode* node, const avl_bsnode* parent, int* size) const
{
    if (!node) {
        *size = 0;
        return 0;
    }
    if (node->parent != parent)
        return -1;
    int less_size = 0, greater_size = 0;
    int hl = check_subtree(node->less, node, &less_size);
    int hg = check_subtree(node->greater, node, &greater_size);
    if (hl < 0 || hg < 0)
        return -1;
    if (node->balance != hg - hl || hg - hl > 1 || hl - hg > 1)
        return -1;
    if (node->rank != less_size + 1)
        return -1;
    *size = less_size + greater_size + 1;
    return 1 + std::max(hl, hg);
}

int avl_bstree::integrity() const
{
    int size = 0;
    if (root() && root()->parent != &header_)
        return -1;
    if (check_subtree(root(), &header_, &size) < 0)
        return -1;
    if (size != count_)
        return -1;
    avl_bsnode* lowest = root();
    while (lowest && lowest->less)
        lowest = lowest->less;
    if (lowest != first_)
        return -1;
    int i = 0;
    for (const avl_bsnode* n = first_; n; n = next(n), ++i) {
        const avl_bsnode* after = next(n);
        if (after && mycompare2(n, after) >= 0)
            return -1;
        if (index_of(n) != i || (*this)[i] != n)
            return -1;
    }
    return i == count_ ? 0 : -1;
}

void avl_bstree::dump_node(const avl_bsnode* node, int depth) const
{
    if (!node)
        return;
    if (!node->less && !node->greater) {
        Debug_print::dprint("leaf node at depth %i\n", depth);
        return;
    }
    Debug_print::dprint("depth %i, less: (%i,%p), greater: (%i,%p)\n", depth,
                        node->less ? node->less->balance : 0, static_cast<void*>(node->less),
                        node->greater ? node->greater->balance : 0,
                        static_cast<void*>(node->greater));
    if (node->less) {
        Debug_print::dprint("less: ");
        dump_node(node->less, depth + 1);
    }
    if (node->greater) {
        Debug_print::dprint("greater: ");
        dump_node(node->greater, depth + 1);
    }
}

void avl_bstree::dump_tree() const
{
    Debug_print::dprint("top: ");
    if (root())
        dump_node(root(), 0);
    else
        Debug_print::dprint("\n");
}
