#include "can/JIN_name_support.h"

#include "glue/diner/waiter_descriptor.h"
#include "glue/diner/waiter_event.h"
#include "util/Debug_print.h"

#include <cassert>

namespace JIN_name {

// ---------------------------------------------------------------- Dead_names

Dead_names::Dead_names()
{
    tree_.create(&RAWNAME_node::compare);
    for (auto& n : ring_) {
        n.tim.type = DEAD_NAME_TIMEOUT;
        n.tim.owner = &n;
    }
}

RAWNAME_node* Dead_names::find(const RAWNAME& name) const
{
    RAWNAME_node key;
    key.name = name;
    return tree_.find(&key, BSTREE_EQUAL);
}

RAWNAME_node* Dead_names::add(const RAWNAME& name, Name_timer_port& timers)
{
    if (RAWNAME_node* there = find(name))
        return there;
    RAWNAME_node& slot = ring_[head_];
    if (slot.in_tree()) {
        // The ring is full: the oldest entry sits where the new one goes.
        timers.cancel(slot.tim);
        tree_.remove(&slot);
    }
    slot.name = name;
    tree_.insert(&slot);
    head_ = (head_ + 1) % SIZE;
    if (filled_ < SIZE)
        ++filled_;
    return &slot;
}

bool Dead_names::remove(const RAWNAME& name, Name_timer_port& timers)
{
    RAWNAME_node* n = find(name);
    if (!n)
        return false;
    // The entry leaves a hole in the ring; the ring's age order stays.
    timers.cancel(n->tim);
    tree_.remove(n);
    return true;
}

int Dead_names::get(RAWNAME* out, int max) const
{
    int n = 0;
    int oldest = (head_ + SIZE - filled_) % SIZE;
    for (int i = 0; i < filled_ && n < max; ++i) {
        const RAWNAME_node& e = ring_[(oldest + i) % SIZE];
        if (e.in_tree())
            out[n++] = e.name;
    }
    return n;
}

// ----------------------------------------------------------------- Resolvers

bool Resolvers::Add(const RAWNAME& name, Name_timer_port& timers)
{
    if (find_key(name))
        return true;
    Resolve_node* n = take();
    if (!n)
        return false;
    n->name = name;
    n->tim.type = HOST_LOOKUP_TIMEOUT;
    n->tim.owner = n;
    tree_.insert(n);
    timers.arm(n->tim, timers.now() + LOOKUP_MS);
    return true;
}

bool Resolvers::Remove(const RAWNAME& name, Name_timer_port& timers)
{
    Resolve_node* n = find_key(name);
    if (!n)
        return false;
    timers.cancel(n->tim);
    Release(n);
    return true;
}

void Resolvers::Release(Resolve_node* node)
{
    if (!owns(node) || !node->in_tree())
        return;
    tree_.remove(node);
    give_back(node);
}

// ----------------------------------------------------------------- Listeners

Listeners::Listeners()
{
    for (auto& n : nodes_)
        n.owner = this;
}

const Listen_node* Listeners::Add(const NAME& pattern, waiter_descriptor* waiter, bool* added)
{
    Mutex::Protection p(&mutex_);
    if (added)
        *added = false;
    Listen_node* first = find_key(pattern);
    if (first) {
        Listen_node* last = first;
        for (Listen_node* n = first; n; n = n->chain) {
            if (n->waiter == waiter)
                return n;
            last = n;
        }
        Listen_node* n = take();
        if (!n) {
            Debug_print::dprint("No free additional listener!\n");
            return nullptr;
        }
        n->pattern = pattern;
        n->waiter = waiter;
        n->chain = nullptr;
        n->first = first;
        n->in_use = true;
        last->chain = n;
        if (added)
            *added = true;
        return n;
    }
    Listen_node* n = take();
    if (!n) {
        Debug_print::dprint("No free first listener!\n");
        return nullptr;
    }
    n->pattern = pattern;
    n->waiter = waiter;
    n->chain = nullptr;
    n->first = n;
    n->in_use = true;
    tree_.insert(n);
    if (added)
        *added = true;
    return n;
}

bool Listeners::Remove(const Listen_node* node)
{
    Mutex::Protection p(&mutex_);
    if (!node || !owns(node) || !node->in_use)
        return false;
    Listen_node* n = const_cast<Listen_node*>(node);
    if (n->first == n) {
        tree_.remove(n);
        if (Listen_node* heir = n->chain) {
            // The first chained waiter takes the tree place and the rest of
            // the chain.
            for (Listen_node* c = heir; c; c = c->chain)
                c->first = heir;
            tree_.insert(heir);
        }
    } else {
        Listen_node* prev = n->first;
        while (prev && prev->chain != n)
            prev = prev->chain;
        if (!prev)
            return false;
        prev->chain = n->chain;
    }
    n->in_use = false;
    n->chain = nullptr;
    n->first = nullptr;
    n->waiter = nullptr;
    give_back(n);
    return true;
}

int Listeners::Signal(const RAWNAME& name, short module_id)
{
    Mutex::Protection p(&mutex_);
    int told = 0;
    for (Listen_node* first = tree_.first(); first; first = tree_.next(first)) {
        if (!first->pattern.match(name))
            continue;
        for (Listen_node* n = first; n; n = n->chain) {
            waiter_event e(module_id, 0, reinterpret_cast<intptr_t>(n));
            // A signal still pending for this node says the same thing.
            n->waiter->send_event(e, false, true);
            ++told;
        }
    }
    return told;
}

NAME Listeners::pattern_of(const Listen_node* node) const
{
    Mutex::Protection p(&mutex_);
    return node->pattern;
}

void Listen_node::debug_print(const char* prefix) const
{
    int chained = 0;
    for (const Listen_node* c = chain; c; c = c->chain)
        ++chained;
    Debug_print::dprint("%s: Listen_node @ %p (name %llX, waiter_desc %p, %d listeners)\n", prefix,
                        static_cast<const void*>(this), pattern.to_u64(),
                        static_cast<const void*>(waiter), chained + 1);
    for (const Listen_node* c = chain; c; c = c->chain)
        Debug_print::dprint("%s    : Listen_node @ %p (name %llX, waiter_desc %p)\n", prefix,
                            static_cast<const void*>(c), c->pattern.to_u64(),
                            static_cast<const void*>(c->waiter));
}

void Listeners::debug_print(const char* prefix) const
{
    Mutex::Protection p(&mutex_);
    Debug_print::dprint("%s|m_tree dump (%d items)\n", prefix, tree_.count());
    int i = 0;
    int in_use = 0;
    for (const Listen_node* n = tree_.first(); n; n = tree_.next(n), ++i) {
        char label[64];
        std::snprintf(label, sizeof label, "%sListeners[%d]", prefix, i);
        n->debug_print(label);
        for (const Listen_node* c = n; c; c = c->chain)
            ++in_use;
    }
    Debug_print::dprint("%s|UNUSED FILL dump (%d items)\n", prefix, free_.count());
    assert(in_use + free_.count() == static_cast<int>(size()));
}

} // namespace JIN_name
