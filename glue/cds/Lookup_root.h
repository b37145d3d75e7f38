// Top of a CDS lookup tree: its own parent, bound to the store's Head and the
// address of the store's data block.
#pragma once

#include "glue/cds/Lookup_item.h"

namespace CDS {

class Lookup_root : public Lookup_struct {
public:
    Lookup_root(Head& head, void* data_block, unsigned size = 0, const char* name = "");

    Lookup_root* root() override { return this; }
    // Wakes the store's subscribers of the range without byte comparison
    // (the tree's own change tracking does not run).
    void notify_cds(void* address, unsigned size);

    Head& get_head() const { return head_; }
    void* get_data_block() const { return data_block_; }

private:
    Head& head_;
    void* data_block_;
};

} // namespace CDS
