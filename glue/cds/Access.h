// Handles bound to one field of a CDS store: they register a module's waiter
// for the field's range without computing offsets by hand. Like the Head's
// registry operations they take no lock: the caller holds the store's mutex.
#pragma once

#include "glue/cds/Head.h"

class waiter_descriptor;

namespace CDS {

class Access_base {
public:
    Access_base() = default;
    Access_base(Head* head, int offset, int size) : offset_(offset), size_(size), head_(head) {}

    void init(Head* head, int offset, int size)
    {
        offset_ = offset;
        size_ = size;
        head_ = head;
    }
    void init(Access_base other) { *this = other; }

    // Registers the waiter for the handle's range; its events carry the
    // Head's plain module id and event_id.
    int reg(waiter_descriptor* waiter, int event_id);
    int unreg(waiter_descriptor* waiter, int event_id);
    // Registers the waiter; its events carry the Head's access id and this
    // handle.
    int autoreg(waiter_descriptor* waiter);
    int autounreg(waiter_descriptor* waiter);

    Head* get_head() const { return head_; }
    int get_offset() const { return offset_; }
    int get_size() const { return size_; }

private:
    int offset_ = 0;
    int size_ = 0;
    Head* head_ = nullptr;
};

// A handle with a change callback: the owning module calls handle_event()
// when an event with the Head's virt-access id and this object arrives. The
// handle's range is its Access_base part (bound at construction or by init).
class Virt_access : public Access_base {
public:
    Virt_access() = default;
    Virt_access(Head* head, int offset, int size) : Access_base(head, offset, size) {}
    virtual ~Virt_access() = default;

    virtual void handle_event() = 0;

    int autoreg(waiter_descriptor* waiter);
    int autounreg(waiter_descriptor* waiter);

    Access_base& get_access() { return *this; }
    const Access_base& get_access() const { return *this; }

    // The Virt_access carried by a change event of a virt-access
    // registration (its code word).
    static Virt_access* from_event_code(intptr_t code) { return reinterpret_cast<Virt_access*>(code); }
};

// Forwards the change callback to a member of its owner:
// owner->handle_virt_listener_event(this). Built with its owner; the range is
// given at construction or later through init.
template <class Owner> class Virt_listener : public Virt_access {
public:
    explicit Virt_listener(Owner* owner = nullptr) : owner_(owner) {}
    Virt_listener(Owner* owner, Head* head, int offset, int size)
        : Virt_access(head, offset, size), owner_(owner)
    {
    }

    void set_owner(Owner* owner) { owner_ = owner; }
    void handle_event() override
    {
        if (owner_)
            owner_->handle_virt_listener_event(this);
    }

private:
    Owner* owner_;
};

} // namespace CDS
