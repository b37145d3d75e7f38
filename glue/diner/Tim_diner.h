// A Diner whose deadlines are timer records of its own (Tim) in place of
// Timeout objects.
#pragma once

#include "glue/diner/Diner.h"
#include "util/Atime.h"
#include "util/Bugger.h"
#include "util/c_bstree.h"

#include <cstdio>
#include <functional>

// A timer record; owners derive from it to add what they need.
struct Tim : avl_bsnode {
    Atime deadline;

    // Deadline order; equal deadlines by address.
    static int compare(const Tim* a, const Tim* b)
    {
        int d = a->deadline - b->deadline;
        if (d != 0)
            return d;
        if (a == b)
            return 0;
        return std::less<const Tim*>()(a, b) ? -1 : 1;
    }
};

template <class D>
class Tim_diner : public D {
public:
    Tim_diner() { tims_.create(&Tim::compare); }
    ~Tim_diner() override { tims_.flush(); }

    // Runs every record whose deadline has come, earliest first.
    void handle_timeout() override
    {
        for (;;) {
            Tim* t = tims_.first();
            if (!t || t->deadline.get_ms_from_now() > 0)
                return;
            if (tims_.remove(t) != 0) {
                std::printf("gak! (get_timeout)\n");
                return;
            }
            if (t->deadline.get_ms_from_now() > 0)
                Bugger::report_bug("Tim_diner::handle_timeout - not expired yet");
            handle_timeout(static_cast<const Tim*>(t));
        }
    }

    // A Tim_diner is given no Timeout objects.
    void handle_timeout(Timeout&) override
    {
        Bugger::report_bug("Tim_diner::handle_timeout WHY?");
    }

    int next_timeout(Atime& deadline) override
    {
        Tim* t = tims_.first();
        if (!t)
            return -1;
        deadline = t->deadline;
        return 0;
    }

    // The module's handler for one expired record (called with the lock
    // held; the record is out of the tree).
    virtual void handle_timeout(const Tim* tim) = 0;

protected:
    // Arming and cancelling, under the Diner's lock (the handlers hold it).
    // Arming a record moves it; the thread is woken to recompute its wait.
    void arm_tim(Tim& t, const Atime& deadline)
    {
        tims_.remove(&t);
        t.deadline = deadline;
        tims_.insert(&t);
        this->send_anonymous_event();
    }
    void cancel_tim(Tim& t) { tims_.remove(&t); }
    bool armed(const Tim& t) const { return tims_.find(&t, BSTREE_EXACT) == &t; }
    c_bstree<avl_bstree, Tim>& tim_tree() { return tims_; }

private:
    c_bstree<avl_bstree, Tim> tims_;
};
