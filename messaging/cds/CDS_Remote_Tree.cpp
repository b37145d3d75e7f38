#include "messaging/cds/CDS_Remote_Tree.h"

#include "glue/cds/Lookup_item.h"

#include <atomic>

namespace CDS {
namespace Remote {

namespace {
// Wrappers are numbered among themselves, from 1.
std::atomic<unsigned short> next_wrapper_nv_id{1};
} // namespace

CDS_wrapper::CDS_wrapper(Lookup_item& wrapped)
    : NV_list(next_wrapper_nv_id.fetch_add(1), "cds"), wrapped_(wrapped)
{
}

Data_item* CDS_wrapper::find_data_item(const char* path) { return wrapped_.find_data_item(path); }

Data_item* CDS_wrapper::find_data_item(unsigned short item_id)
{
    if (item_id == get_id())
        return this;
    return wrapped_.find_data_item(item_id);
}

Data_item::Serial_ret CDS_wrapper::serialise(Send_buffer& buffer, unsigned short& resume_id)
{
    return wrapped_.serialise(buffer, resume_id);
}

Data_item::Serial_ret CDS_wrapper::deserialise(Receive_buffer& buffer, unsigned short& resume_id)
{
    return wrapped_.deserialise(buffer, resume_id);
}

void CDS_wrapper::serialise_structure(Send_buffer& buffer, int depth)
{
    wrapped_.serialise_structure(buffer, depth);
}

// The caller's pair widens by the wrapped tree's ids, so that the search by
// id of the list above reaches into the data store.
void CDS_wrapper::set_minmax(unsigned short& min, unsigned short& max)
{
    unsigned short low = get_id(), high = get_id();
    wrapped_.set_minmax(low, high);
    if (low < min)
        min = low;
    if (high > max)
        max = high;
}

Data_root_list::Data_root_list() : NV_list(1, "remote"), cds_(1, "cds"), nv_(2, "nv")
{
    add_child(&cds_);
    add_child(&nv_);
    refresh_ranges();
}

Data_root_list::~Data_root_list()
{
    while (NV_store::NV_item* child = cds_.first_child()) {
        cds_.remove_child(child);
        delete child;
    }
    while (NV_store::NV_item* child = nv_.first_child())
        nv_.remove_child(child);
    remove_child(&nv_);
    remove_child(&cds_);
}

void Data_root_list::add_cds_item(Lookup_item& item)
{
    cds_.add_child(new CDS_wrapper(item));
    refresh_ranges();
}

void Data_root_list::add_nv_item(NV_store::NV_item& item)
{
    nv_.add_child(&item);
    refresh_ranges();
}

bool Data_root_list::is_list_node(const Data_item* item) const
{
    if (item == this || item == &cds_ || item == &nv_)
        return true;
    for (NV_store::NV_item* child = cds_.first_child(); child; child = cds_.get_next_child(child)) {
        if (child == item)
            return true;
    }
    return false;
}

void Data_root_list::refresh_ranges()
{
    unsigned short min = 0xFFFF, max = 0;
    set_minmax(min, max);
}

} // namespace Remote
} // namespace CDS
