// The tree the remote data-store server serves: a list "remote" holding the
// list "cds" (wrappers around live data-store lookup trees) and the list
// "nv" (settings trees). The lists are settings-tree containers, so that
// search by id and the structure text run through the settings tree's own
// code; a wrapper lets a lookup tree stand in that tree.
#pragma once

#include "glue/NV_store/NV_container.h"

namespace CDS {

class Lookup_item;

namespace Remote {

// A named list with no behaviour of its own; parent and root stay empty.
class NV_list : public NV_store::NV_struct {
public:
    NV_list(unsigned short nv_id, const char* name) : NV_struct(nullptr, nullptr, nv_id, name) {}
};

// One lookup tree of the live data store, standing in the list "cds": every
// search, value and structure operation goes to the wrapped item, so the
// wrapper itself never shows in the structure text.
class CDS_wrapper : public NV_list {
public:
    explicit CDS_wrapper(Lookup_item& wrapped);

    Lookup_item& wrapped() const { return wrapped_; }

    Data_item* find_data_item(const char* path) override;
    Data_item* find_data_item(unsigned short item_id) override;
    Serial_ret serialise(Send_buffer& buffer, unsigned short& resume_id) override;
    Serial_ret deserialise(Receive_buffer& buffer, unsigned short& resume_id) override;
    void serialise_structure(Send_buffer& buffer, int depth) override;
    void set_minmax(unsigned short& min, unsigned short& max) override;

private:
    Lookup_item& wrapped_;
};

// The root "remote" with its two lists. It owns the wrappers; the settings
// trees added to "nv" stay their owners' and are taken out again when the
// root goes.
class Data_root_list : public NV_list {
public:
    Data_root_list();
    ~Data_root_list() override;

    void add_cds_item(Lookup_item& item);
    void add_nv_item(NV_store::NV_item& item);
    // Whether the node is one of the served tree's own lists or wrappers
    // rather than a data item.
    bool is_list_node(const Data_item* item) const;

private:
    void refresh_ranges();

    NV_list cds_;
    NV_list nv_;
};

} // namespace Remote
} // namespace CDS
