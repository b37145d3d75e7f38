// A setting whose value is another node of the same tree, stored in the
// settings file as the path of NV ids from the target up to the root.
#pragma once

#include "glue/NV_store/NV_item.h"
#include "glue/NV_store/NV_path.h"
#include "util/avl_bstree.h"

namespace NV_store {

class NV_pointer : public NV_item, public avl_bsnode {
public:
    NV_pointer();
    NV_pointer(NV_container* parent, NV_root* root, unsigned short nv_id, const char* name);
    ~NV_pointer() override;

    int get_type() const override { return ITEM_POINTER; }
    void _set_root(NV_root* root) override;

    // The target, under the tree lock.
    NV_item* get() const;
    NV_item* _get() const { return target_; }
    // Stores the target (under the tree lock) and notifies.
    void set(NV_item* target, notify_t mode);
    void _set(NV_item* target, notify_t mode);
    // Copies another pointer's target; false when other is not a pointer.
    bool _set(NV_item& other, notify_t mode);

    // A pointer has no default: prints "Default not implemented" and fails.
    bool set_default(bool reset) override;

    bool serialise(NV_iterator* it) override;
    bool deserialise(NV_iterator* it) override;
    static bool deserialise_unknown(NV_iterator* it);

private:
    NV_root* root_;
    NV_item* target_ = nullptr;
};

} // namespace NV_store
