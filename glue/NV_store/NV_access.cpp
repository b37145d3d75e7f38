#include "glue/NV_store/NV_access.h"

namespace NV_store {

int Virt_access::autoreg(waiter_descriptor* waiter, bool flag)
{
    if (!item_)
        return 0;
    return item_->register_virt_access_waiter(waiter, this, flag) ? 1 : 0;
}

int Virt_access::autounreg(waiter_descriptor* waiter)
{
    if (!item_)
        return 0;
    return item_->unregister_virt_access_waiter(waiter, this) ? 1 : 0;
}

} // namespace NV_store
