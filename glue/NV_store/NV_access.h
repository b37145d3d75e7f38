// Handles on one node of a settings tree.
#pragma once

#include "glue/NV_store/NV_item.h"

class waiter_descriptor;

namespace NV_store {

class Access_base {
public:
    Access_base() = default;
    explicit Access_base(NV_item* item) : item_(item) {}
    virtual ~Access_base() = default;

    void init(NV_item* item) { item_ = item; }
    NV_item* get_item() const { return item_; }

    // The bound item's tree lock; nothing when unbound.
    void lock() const
    {
        if (item_)
            item_->lock();
    }
    void unlock() const
    {
        if (item_)
            item_->unlock();
    }

protected:
    NV_item* item_ = nullptr;
};

// A handle with a change callback: registered with autoreg, its events carry
// the root's virt-access module id and the handle (NV_root::event_listener).
class Virt_access : public Access_base {
public:
    Virt_access() = default;
    explicit Virt_access(NV_item* item) : Access_base(item) {}

    // The change callback, run on the waiter's thread; nothing by default.
    virtual void handle_event() {}

    // 0 when unbound (nothing done), else 1.
    int autoreg(waiter_descriptor* waiter, bool flag);
    int autounreg(waiter_descriptor* waiter);
};

// Forwards the change callback to owner->handle_virt_listener_event(this).
template <class Owner> class Virt_listener : public Virt_access {
public:
    explicit Virt_listener(Owner* owner = nullptr) : owner_(owner) {}
    void set_owner(Owner* owner) { owner_ = owner; }
    void handle_event() override
    {
        if (owner_)
            owner_->handle_virt_listener_event(this);
    }

private:
    Owner* owner_;
};

} // namespace NV_store
