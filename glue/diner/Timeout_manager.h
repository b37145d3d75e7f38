// The per-Diner store of submitted timeouts: pending ones ordered by
// deadline, and expired one-shot ones that are still linked.
// Guarded by its Diner's timeout mutex; it has no lock of its own.
#pragma once

#include "glue/diner/Timeout.h"
#include "util/c_bstree.h"

class Timeout_manager {
public:
    Timeout_manager();
    ~Timeout_manager();
    Timeout_manager(const Timeout_manager&) = delete;
    Timeout_manager& operator=(const Timeout_manager&) = delete;

    // Makes the Timeout pending (moving it from where it was), with the
    // given deadline when one is given. A periodic Timeout a whole period
    // or more behind starts again from now. 0, or -1 when it sits in
    // another Diner's trees or the manager is closed.
    int submit_timeout(Timeout& t, const Atime* deadline);
    // 0 when the Timeout is out of both trees afterwards, -1 otherwise.
    int remove_timeout(Timeout& t);
    // The earliest pending Timeout (it stays pending), or null.
    Timeout* next_timeout();
    // The earliest pending Timeout when its deadline has come, moved to the
    // expired tree and remembered as the current one; else null.
    Timeout* expired_timeout();
    // After the handler ran: a periodic Timeout is pending again one
    // period after its old deadline (true), or one period from now when
    // that lies a whole period or more in the past; a one-shot stays
    // expired.
    bool reschedule_periodic_timeout(Timeout& t);
    bool submitted(const Timeout& t) const;
    // Unlinks every Timeout and clears its Diner.
    void terminate();
    // terminate(), and refuses every later submission and rescheduling:
    // the Diner has ended for good.
    void close();
    bool closed() const { return closed_; }
    // Prints both trees when debug filter code 50 is on.
    void print() const;

    int num_pending() const { return pending_.count(); }
    int num_expired() const { return expired_.count(); }

    // Deadline order; equal deadlines by address.
    static int timeouts_compare(const Timeout* a, const Timeout* b);

private:
    int unlink(Timeout& t);

    Timeout* cur_expired_ = nullptr;
    bool closed_ = false;
    c_bstree<avl_bstree, Timeout> pending_;
    c_bstree<avl_bstree, Timeout> expired_;
};
