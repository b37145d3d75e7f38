// The top of a settings tree: a structure that is its own root, owns the
// tree's lock, the five module ids of its change events (one per Reg_type)
// and the set of pointer settings.
#pragma once

#include "glue/NV_store/NV_container.h"
#include "glue/NV_store/NV_pointer.h"
#include "glue/diner/Mutex.h"
#include "util/avl_bstree.h"
#include "util/c_bstree.h"

class module_man;

namespace NV_store {

class NV_root : public NV_struct {
public:
    // With a module manager the root takes five extended module ids from it;
    // without one all five are 0 and no events are sent.
    NV_root(module_man* mm, unsigned short nv_id, const char* name);

    int get_type() const override { return ITEM_ROOT; }
    short get_module_id(Reg_type type) const override;

    Mutex& get_mutex() const { return mutex_; }

    // Notifies every node of the tree, children before their container.
    void signal_all() { NV_container::signal_all(this); }
    using NV_container::signal_all;

    // Calls notify_updated on every pointer setting that targets a node with
    // the item's NV id.
    void notify_pointers(NV_item* item, bool changed, bool mark, bool force, notify_t mode,
                         NV_root* root);
    void add_pointer(NV_pointer* pointer) { pointers_.insert(pointer); }
    void remove_pointer(NV_pointer* pointer) { pointers_.remove(pointer); }
    // Orders pointers by their target's NV id, pointers without target first.
    static int pointer_compare(const NV_pointer* a, const NV_pointer* b);

    // The Virt_access carried by a change event of this tree's virt-access
    // registrations, else null.
    static Virt_access* event_listener(const NV_root* root, const waiter_event& event);

private:
    short ids_[REG_TYPE_COUNT] = {0, 0, 0, 0, 0};
    mutable Mutex mutex_;
    c_bstree<avl_bstree, NV_pointer> pointers_;
};

} // namespace NV_store
