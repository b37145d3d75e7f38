#include "glue/NV_store/NV_root.h"

#include "glue/NV_store/NV_access.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_event.h"

namespace NV_store {

NV_root::NV_root(module_man* mm, unsigned short nv_id, const char* name)
    : NV_struct(nullptr, this, nv_id, name)
{
    pointers_.create(&NV_root::pointer_compare);
    if (mm)
        mm->init_module_array(ids_, REG_TYPE_COUNT, true);
}

short NV_root::get_module_id(Reg_type type) const
{
    return unsigned(type) < unsigned(REG_TYPE_COUNT) ? ids_[type] : 0;
}

int NV_root::pointer_compare(const NV_pointer* a, const NV_pointer* b)
{
    const NV_item* ta = a->_get();
    const NV_item* tb = b->_get();
    if (!ta || !tb)
        return (ta ? 1 : 0) - (tb ? 1 : 0);
    const int ia = ta->get_nv_id(), ib = tb->get_nv_id();
    return ia < ib ? -1 : (ia > ib ? 1 : 0);
}

void NV_root::notify_pointers(NV_item* item, bool changed, bool mark, bool force, notify_t mode,
                              NV_root* root)
{
    if (!item)
        return;
    for (NV_pointer* p = pointers_.first(); p; p = pointers_.next(p)) {
        const NV_item* target = p->_get();
        if (target && target->get_nv_id() == item->get_nv_id())
            p->notify_updated(changed, mark, force, mode, root);
    }
}

Virt_access* NV_root::event_listener(const NV_root* root, const waiter_event& event)
{
    if (!root || event.module_id == 0 || event.module_id != root->get_module_id(REG_VIRT_ACCESS))
        return nullptr;
    return reinterpret_cast<Virt_access*>(event.code);
}

} // namespace NV_store
