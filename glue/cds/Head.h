// The head of a CDS store: the lock of a plain data block and the registry of
// change subscriptions in front of it. A module registers its waiter for a
// byte range of the block; every signalled write that touches that range and
// really changes its bytes sends the module a waiter_event.
//
// Writers keep one contract: take the Head's mutex, call event_signal while
// the old value is still in the store, store the new value, release the mutex
// (write() does all four). None of the registry operations takes the lock;
// the caller holds it.
#pragma once

#include "glue/cds/Event_space.h"
#include "glue/diner/Mutex.h"
#include "util/avl_bstree.h"
#include "util/c_bstree.h"
#include "util/sl_list.h"

#include <cstdint>

class module_man;
class waiter_descriptor;

namespace CDS {

class Access_base;
class Lookup_struct;
class Virt_access;

// The kind of a registration; it decides the module id its events carry.
enum Reg_type {
    REG_EVENT_ID = 0,    // payload: the event id given at registration
    REG_APP = 1,         // payload: the event id (the application's own)
    REG_ACCESS = 2,      // payload: the Access_base*
    REG_VIRT_ACCESS = 3, // payload: the Virt_access*
};

// Options of one signalled write: a waiter to leave out of the wake-up.
class Options {
public:
    void set_waiter_to_exclude(waiter_descriptor* waiter) { exclude_ = waiter; }
    waiter_descriptor* get_waiter_to_exclude() const { return exclude_; }

private:
    waiter_descriptor* exclude_ = nullptr;
};

// One recipient of the change events of a registered range.
class Event_recipient : public sll_node, public Event_space_object {
public:
    Event_recipient(waiter_descriptor* waiter, Reg_type type, int event_id, Access_base* access,
                    Virt_access* virt);

    bool operator==(const Event_recipient& other) const
    {
        return waiter == other.waiter && kind == other.kind && data == other.data;
    }

    waiter_descriptor* waiter;
    uintptr_t data;
    Reg_type kind;
};

class Event_list;

// One registered byte range: its recipients and the registrations inside it.
class Event_node : public avl_bsnode, public Event_space_object {
public:
    Event_node(int offset, int size) : offset(offset), size(size) {}

    int end() const { return offset + size; }
    // Whether [o, o + s) lies inside this range and is not the same range.
    bool encloses(int o, int s) const { return offset <= o && o + s <= end() && s != size; }

    int offset;
    int size;
    Event_list* children = nullptr;
    c_sl_list<Event_recipient> recipients;
};

// One level of the registration tree, ordered by offset.
class Event_list : public c_bstree<avl_bstree, Event_node>, public Event_space_object {
public:
    Event_list();
};

// Describes one signalled write.
class Wakeup_node : public Event_node {
public:
    Wakeup_node(int offset, int size, const void* field, const void* new_value, Options* options)
        : Event_node(offset, size), field(field), new_value(new_value), options(options)
    {
    }

    const void* field;     // the written bytes in the store
    const void* new_value; // null when the value is already stored
    Options* options;
};

class Head {
public:
    Head(module_man* mm, unsigned long data_block);
    ~Head();

    Head(const Head&) = delete;
    Head& operator=(const Head&) = delete;

    void set_lookup(Lookup_struct* lookup) { lookup_ = lookup; }
    Lookup_struct* get_lookup() const { return lookup_; }

    // 0, or -1 when the "cds_event" space is exhausted (nothing changes then).
    int event_register(waiter_descriptor* waiter, int offset, int size, Reg_type type, int event_id,
                       Access_base* access, Virt_access* virt);
    // 0 when a matching recipient was removed, -1 otherwise.
    int event_unregister(waiter_descriptor* waiter, int offset, int size, Reg_type type,
                         int event_id, Access_base* access, Virt_access* virt);
    // Wakes the recipients of the ranges that enclose the write or lie inside
    // it (not those that only partly overlap it) and whose bytes change;
    // with both addresses given, also runs the lookup tree's
    // change tracking. new_value null: the value is stored already, every
    // selected recipient is woken. Returns 0.
    int event_signal(const void* field, const void* new_value, int offset, int size,
                     Options* options);

    static int compare(const Event_node* a, const Event_node* b);

    Mutex& get_mutex() { return mutex_; }
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }

    // The locked write: lock, signal, store, unlock.
    void write(void* field, const void* value, int size, Options* options = nullptr);
    // Copies a field out under the lock.
    void read(void* out, const void* field, int size);

    // The module ids of plain registrations (kinds 0 and 1), of Access_base
    // registrations (kind 2) and of Virt_access registrations (kind 3).
    short get_plain_id() const { return ids_[0]; }
    short get_access_id() const { return ids_[1]; }
    short get_virt_access_id() const { return ids_[2]; }
    short get_module_id(Reg_type type) const;

    unsigned long get_data_block() const { return data_block_; }
    int offset_of(const void* field) const
    {
        return int(reinterpret_cast<uintptr_t>(field) - data_block_);
    }

private:
    static Event_node* first_enclosing(Event_list* level, const Event_node& range);
    static bool remove_recipient(Event_list* level, const Event_node& range,
                                 const Event_recipient& wanted);
    // Wakes the registrations of one level (and below) that a write selects.
    void signal_level(Event_list* level, const Wakeup_node& write);
    void wake(const Event_node& node, const Wakeup_node& write);
    void wake_subtree(const Event_node& node, const Wakeup_node& write);
    static void free_level(Event_list* level);

    Mutex mutex_;
    Event_list registry_;
    short ids_[3] = {0, 0, 0};
    unsigned long data_block_;
    Lookup_struct* lookup_ = nullptr;
};

} // namespace CDS
