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
    Head* head = access_.get_head();
    if (!head)
        Bugger::report_bug("CDS: Tried to autoreg with no init");
    return head->event_register(waiter, access_.get_offset(), access_.get_size(), REG_VIRT_ACCESS,
                                0, &access_, this);
}

int Virt_access::autounreg(waiter_descriptor* waiter)
{
    Head* head = access_.get_head();
    if (!head)
        Bugger::report_bug("CDS: Tried to autounreg with no init");
    return head->event_unregister(waiter, access_.get_offset(), access_.get_size(),
                                  REG_VIRT_ACCESS, 0, &access_, this);
}

} // namespace CDS
