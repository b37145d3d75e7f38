#include "glue/diner/Timeout_manager.h"

#include "util/Bugger.h"
#include "util/Debug_base.h"
#include "util/Debug_print.h"

#include <functional>

Timeout_manager::Timeout_manager()
{
    pending_.create(&Timeout_manager::timeouts_compare);
    expired_.create(&Timeout_manager::timeouts_compare);
}

Timeout_manager::~Timeout_manager()
{
    // The Timeouts belong to their owners: only unlink them, and detach
    // them so that none later reaches into the destroyed Diner.
    terminate();
}

int Timeout_manager::timeouts_compare(const Timeout* a, const Timeout* b)
{
    int d = a->deadline_ - b->deadline_;
    if (d != 0)
        return d;
    if (a == b)
        return 0;
    return std::less<const Timeout*>()(a, b) ? -1 : 1;
}

int Timeout_manager::unlink(Timeout& t)
{
    if (cur_expired_ == &t)
        cur_expired_ = nullptr;
    if (!t.in_tree())
        return 0;
    expired_.remove(&t);
    if (!t.in_tree())
        return 0;
    pending_.remove(&t);
    if (!t.in_tree())
        return 0;
    Debug_print::dprint("Failed to remove timeout, did client get right Diner?\n");
    return -1;
}

int Timeout_manager::submit_timeout(Timeout& t, const Atime* deadline)
{
    if (closed_ || unlink(t) != 0)
        return -1;
    if (deadline)
        t.deadline_ = *deadline;
    if (t.period_ > 0 && -t.deadline_.get_ms_from_now() >= t.period_)
        t.deadline_ = Atime::now();
    pending_.insert(&t);
    print();
    return 0;
}

int Timeout_manager::remove_timeout(Timeout& t)
{
    int r = unlink(t);
    print();
    return r;
}

Timeout* Timeout_manager::next_timeout()
{
    Timeout* t = pending_.first();
    print();
    return t;
}

Timeout* Timeout_manager::expired_timeout()
{
    Timeout* t = pending_.first();
    if (!t || t->deadline_.get_ms_from_now() > 0)
        return nullptr;
    pending_.remove(t);
    expired_.insert(t);
    cur_expired_ = t;
    print();
    return t;
}

bool Timeout_manager::reschedule_periodic_timeout(Timeout& t)
{
    // The handler may have resubmitted, removed or destroyed its Timeout;
    // then there is no current one and t must not be touched.
    if (!cur_expired_)
        return false;
    if (&t != cur_expired_)
        Bugger::report_bug("Timeout_manager: &timeout == cur_expired_timeout");
    cur_expired_ = nullptr;
    if (t.period_ < 1)
        return false;
    if (unlink(t) != 0)
        return false;
    t.deadline_ += t.period_;
    // A handler that overran a whole period would otherwise keep the
    // Diner in its timeout pass for ever: skip the missed periods.
    if (-t.deadline_.get_ms_from_now() >= t.period_)
        t.deadline_.set_from_now(t.period_);
    pending_.insert(&t);
    return true;
}

bool Timeout_manager::submitted(const Timeout& t) const
{
    return pending_.find(&t, BSTREE_EXACT) == &t;
}

void Timeout_manager::terminate()
{
    cur_expired_ = nullptr;
    while (Timeout* t = pending_.first()) {
        pending_.remove(t);
        t->diner_ = nullptr;
    }
    while (Timeout* t = expired_.first()) {
        expired_.remove(t);
        t->diner_ = nullptr;
    }
}

void Timeout_manager::close()
{
    closed_ = true;
    terminate();
}

void Timeout_manager::print() const
{
    if (!JDB::enabled(_JDB::TIMEOUT_TREES))
        return;
    Debug_print::dprint("Alive timeouts:\r\n");
    Debug_print::dprint("---------------\r\n");
    for (Timeout* t = pending_.first(); t; t = pending_.next(t))
        t->print();
    Debug_print::dprint("Dead timeouts:\r\n");
    Debug_print::dprint("--------------\r\n");
    for (Timeout* t = expired_.first(); t; t = expired_.next(t))
        t->print();
    Debug_print::dprint("\r\n");
}
