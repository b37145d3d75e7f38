#include "glue/diner/Timeout.h"

#include "glue/diner/Diner.h"
#include "util/Bugger.h"
#include "util/Debug_print.h"

Timeout::Timeout() : deadline_(true)
{
}

Timeout::Timeout(const Atime& deadline) : deadline_(deadline)
{
}

Timeout::Timeout(const Timeout& other)
    : avl_bsnode(), deadline_(other.deadline_), uid_(other.uid_), period_(other.period_)
{
}

Timeout& Timeout::operator=(const Timeout& other)
{
    if (this == &other)
        return *this;
    if (in_tree()) {
        Debug_print::bprint("Tried to copy over timeout while in a list\n");
        Bugger::report_bug("Timeout& Timeout::operator=(const Timeout&)");
    }
    deadline_ = other.deadline_;
    uid_ = other.uid_;
    period_ = other.period_;
    return *this;
}

Timeout& Timeout::operator=(const Atime& deadline)
{
    if (in_tree()) {
        Debug_print::bprint("Tried to change timeout time while in a list\n");
        Bugger::report_bug("Timeout& Timeout::operator=(const Atime&)");
    }
    deadline_ = deadline;
    return *this;
}

Timeout::~Timeout()
{
    // Whether it is still linked is only known under the Diner's lock: the
    // Diner's thread moves it between its trees (out of both for a moment)
    // while the owner may be destroying it.
    if (Diner* diner = diner_.load()) {
        Debug_print::dprint("Destruct %p %p\n", static_cast<void*>(this),
                            static_cast<void*>(diner));
        diner->remove_from_lists(*this);
    }
    if (in_tree()) {
        Debug_print::bprint("Tried to destruct timeout while in a list\n");
        Bugger::report_bug("Timeout::~Timeout()");
    }
}

bool Timeout::submitted() const
{
    Diner* diner = diner_.load();
    return diner && diner->submitted(*this);
}

void Timeout::print() const
{
    Debug_print::dprint("uid: %d, type: %d, nid: %p, per: %d till_expiry: %ld\r\n", uid_, 0,
                        static_cast<const void*>(this), period_,
                        static_cast<long>(deadline_.get_ms_from_now()));
}
