#include "glue/NV_store/NV_path.h"

#include "glue/NV_store/NV_item.h"

namespace NV_store {

int NV_path::push(unsigned short id)
{
    if (count_ >= CAPACITY)
        return -1;
    ids_[(read_ + count_) % CAPACITY] = id;
    ++count_;
    return 0;
}

int NV_path::push(const NV_item* item) { return item ? push(item->get_nv_id()) : -1; }

bool NV_path::peek_last(unsigned short& id) const
{
    if (count_ == 0)
        return false;
    id = ids_[(read_ + count_ - 1) % CAPACITY];
    return true;
}

bool NV_path::pop_last(unsigned short& id)
{
    if (!peek_last(id))
        return false;
    --count_;
    return true;
}

} // namespace NV_store
