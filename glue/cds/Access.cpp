#include "glue/cds/Access.h"

#include "util/Bugger.h"

namespace CDS {

int Access_base::reg(waiter_descriptor* waiter, int event_id)
{
    if (!head_)
        Bugger::report_bug("CDS: Tried to reg with no init");
    return head_->event_register(waiter, offset_, size_, REG_EVENT_ID, event_id, nullptr, nullptr);
}

int Access_base::unreg(waiter_descriptor* waiter, int event_id)
{
    if (!head_)
        Bugger::report_bug("CDS: Tried to unreg with no init");
    return head_->event_unregister(waiter, offset_, size_, REG_EVENT_ID, event_id, nullptr, nullptr);
}

int Access_base::autoreg(waiter_descriptor* waiter)
{
    if (!head_)
        Bugger::report_bug("CDS: Tried to autoreg with no init");
    return head_->event_register(waiter, offset_, size_, REG_ACCESS, 0, this, nullptr);
}

int Access_base::autounreg(waiter_descriptor* waiter)
{
    if (!head_)
        Bugger::report_bug("CDS: Tried to autounreg with no init");
    return head_->event_unregister(waiter, offset_, size_, REG_ACCESS, 0, this, nullptr);
}

int Virt_access::autoreg(waiter_descriptor* waiter)
{
    if (!get_head())
        Bugger::report_bug("CDS: Tried to autoreg with no init");
    return get_head()->event_register(waiter, get_offset(), get_size(), REG_VIRT_ACCESS, 0, this,
                                      this);
}

int Virt_access::autounreg(waiter_descriptor* waiter)
{
    if (!get_head())
        Bugger::report_bug("CDS: Tried to autounreg with no init");
    return get_head()->event_unregister(waiter, get_offset(), get_size(), REG_VIRT_ACCESS, 0, this,
                                        this);
}

} // namespace CDS
