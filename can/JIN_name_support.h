// The companions of the name manager: slot states and timer kinds, the rings
// of NAMEs that lost their address (Dead_names), the look-ups of NAMEs in
// progress (Resolvers) and the waiters to be told when a NAME's address
// changes (Listeners).
#pragma once

#include "can/JIN_name.h"
#include "glue/diner/Mutex.h"
#include "glue/diner/Tim_diner.h"
#include "util/Atime.h"
#include "util/c_bstree.h"
#include "util/sl_list.h"

class waiter_descriptor;

namespace JIN_name {

// The state of one address slot. As a selector, LOCAL stands for states 1, 2
// and 5 and REMOTE for 3 and 4.
enum list_t : int {
    NO_ENTRY = 0,
    LOCAL_CHALLENGER = 1, // own NAME, Address Claimed sent, waiting 250 ms
    LOCAL_CHAMPION = 2,   // own NAME holds the address
    REMOTE_CHALLENGER = 3, // another node's claim seen, waiting 250 ms
    REMOTE_CHAMPION = 4,  // another node holds the address
    LOCAL = 5,            // own NAME added, waiting 0-255 ms for its first claim
    REMOTE = 6,           // selector only
    ANY_CHAMPION = 7,     // selector only: 2 or 4
};

enum Name_timeout_type : int {
    LOCAL_TIMEOUT = 0,
    REMOTE_TIMEOUT = 1,
    INITIALISE_TIMEOUT = 2,
    DEAD_NAME_TIMEOUT = 3,
    HOST_LOOKUP_TIMEOUT = 4,
    NO_TIMEOUT = 5,
};

// A timer record of the name manager: its kind and the record it belongs to
// (a slot, a dead name or a look-up).
struct Name_timeout : Tim {
    Name_timeout_type type = NO_TIMEOUT;
    void* owner = nullptr;
};

// Where the name manager's timer records are armed: the manager's own thread
// in service, a simulated clock in tests.
class Name_timer_port {
public:
    virtual ~Name_timer_port() = default;
    virtual Atime now() = 0;
    // Arming moves a record that is armed already.
    virtual void arm(Name_timeout& t, const Atime& deadline) = 0;
    // Cancelling a record that is not armed does nothing.
    virtual void cancel(Name_timeout& t) = 0;
};

// A NAME with a timer record, as the dead-name rings keep them.
struct RAWNAME_node : avl_bsnode {
    RAWNAME name;
    Name_timeout tim;

    static int compare(const RAWNAME_node* a, const RAWNAME_node* b)
    {
        return RAWNAME::compare(&a->name, &b->name);
    }
};

// A ring of the 50 latest NAMEs that could not get (or hold) an address, and
// a tree of them for membership tests. Guarded by the name manager's lock.
class Dead_names {
public:
    static constexpr int SIZE = 50;

    Dead_names();
    Dead_names(const Dead_names&) = delete;
    Dead_names& operator=(const Dead_names&) = delete;

    // The entry of the NAME, added when it was not there; a full ring drops
    // its oldest entry first (its timer is cancelled through timers).
    RAWNAME_node* add(const RAWNAME& name, Name_timer_port& timers);
    RAWNAME_node* find(const RAWNAME& name) const;
    bool contains(const RAWNAME& name) const { return find(name) != nullptr; }
    // Takes the NAME out (cancelling its timer): true when it was there.
    bool remove(const RAWNAME& name, Name_timer_port& timers);
    int count() const { return tree_.count(); }
    // The stored NAMEs, oldest first, at most max of them.
    int get(RAWNAME* out, int max) const;

private:
    RAWNAME_node ring_[SIZE];
    int head_ = 0;   // where the next NAME goes
    int filled_ = 0; // ring places written so far, SIZE once it wrapped
    c_bstree<avl_bstree, RAWNAME_node> tree_;
};

// A look-up of a NAME in progress: a Request for Address Claimed went out
// for it and no further one goes out until its timer ends (1250 ms).
struct Resolve_node : avl_bsnode, sll_node {
    RAWNAME name;
    Name_timeout tim;

    const RAWNAME& key() const { return name; }
};

// A waiter to be told when something changes for the NAMEs that match a
// pattern. Further waiters of a pattern with the same 8 bytes hang on the
// first node's chain.
class Listeners;
struct Listen_node : avl_bsnode, sll_node {
    NAME pattern;
    waiter_descriptor* waiter = nullptr;
    Listen_node* chain = nullptr; // next waiter of the same pattern
    Listen_node* first = nullptr; // the node in the tree (itself when first)
    Listeners* owner = nullptr;
    bool in_use = false;

    const RAWNAME& key() const { return pattern; }
    void debug_print(const char* prefix) const;
};

// A fixed pool of nodes keyed by a NAME: a tree of the nodes in use, a free
// list and a mutex for owners that share it between threads.
template <class T, unsigned N>
class NAME_pool {
public:
    NAME_pool()
    {
        tree_.create(&compare);
        for (auto& n : nodes_)
            free_.push(&n);
    }
    NAME_pool(const NAME_pool&) = delete;
    NAME_pool& operator=(const NAME_pool&) = delete;

    static constexpr unsigned size() { return N; }
    int free_count() const { return free_.count(); }
    int used_count() const { return tree_.count(); }
    bool owns(const T* n) const { return n >= nodes_ && n < nodes_ + N; }

protected:
    static int compare(const T* a, const T* b) { return RAWNAME::compare(&a->key(), &b->key()); }

    // The node in the tree whose key equals name, null when none.
    T* find_key(const RAWNAME& name) const
    {
        Key_searcher s(name);
        return tree_.find(nullptr, BSTREE_EQUAL, nullptr, &s);
    }
    T* take() { return free_.pop(); }
    void give_back(T* n) { free_.push(n); }

    T nodes_[N];
    c_sl_list<T> free_;
    c_bstree<avl_bstree, T> tree_;
    mutable Mutex mutex_;

private:
    struct Key_searcher : avl_bstree::Searcher {
        explicit Key_searcher(const RAWNAME& k) : key(k) {}
        int compare(const avl_bsnode* node) const override
        {
            return RAWNAME::compare(&key, &static_cast<const T*>(node)->key());
        }
        const RAWNAME& key;
    };
};

// The look-ups in progress, at most 50. Used under the name manager's lock.
class Resolvers : public NAME_pool<Resolve_node, 50u> {
public:
    static constexpr int LOOKUP_MS = 1250;

    // Starts a look-up of the NAME; false when all 50 are in use.
    bool Add(const RAWNAME& name, Name_timer_port& timers);
    // Ends the look-up of the NAME (its timer cancelled): true when there was one.
    bool Remove(const RAWNAME& name, Name_timer_port& timers);
    // Frees the node of an ended look-up (its timer has run out).
    void Release(Resolve_node* node);
    bool InProgress(const RAWNAME& name) const { return find_key(name) != nullptr; }
};

// The waiters told of NAME changes, at most 250 registrations in all. Add and
// Remove may be called from any thread: they take only the pool's mutex.
class Listeners : public NAME_pool<Listen_node, 250u> {
public:
    Listeners();

    // The registration of waiter for pattern: the existing one when the
    // waiter is registered for a pattern with the same bytes already, else a
    // new one; null when the pool is exhausted. added (when given) says
    // whether a new node was made.
    const Listen_node* Add(const NAME& pattern, waiter_descriptor* waiter,
                           bool* added = nullptr);
    // False when the node is not a registration of this pool.
    bool Remove(const Listen_node* node);
    // Sends every waiter whose pattern matches the NAME an event with
    // module_id as its id and its node in the code word. Returns how many
    // waiters were told.
    int Signal(const RAWNAME& name, short module_id);
    // The pattern of a node (read under its pool's mutex).
    NAME pattern_of(const Listen_node* node) const;

    void debug_print(const char* prefix) const;
};

} // namespace JIN_name
