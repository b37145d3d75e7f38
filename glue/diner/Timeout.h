// A deadline that a module submits to a Diner; the Diner's thread calls the
// module's handle_timeout(Timeout&) when it passes.
#pragma once

#include "util/Atime.h"
#include "util/avl_bstree.h"

#include <atomic>

class Diner;

class Timeout : public avl_bsnode {
public:
    Timeout();
    explicit Timeout(const Atime& deadline);
    // Copies deadline, uid and period; not the link and not the Diner.
    Timeout(const Timeout& other);
    // Fatal on a Timeout that is in a Diner's trees.
    Timeout& operator=(const Timeout& other);
    Timeout& operator=(const Atime& deadline);
    virtual ~Timeout();

    // A periodic Timeout (period above 0) is put back one period later
    // after each expiry; invalidate() ends that.
    void invalidate() { period_ = 0; }
    void set_period(int ms) { period_ = ms; }
    int get_period() const { return period_; }
    void set_uid(int uid) { uid_ = uid; }
    int get_uid() const { return uid_; }
    const Atime& get_deadline() const { return deadline_; }

    void set_diner(Diner* diner) { diner_ = diner; }
    Diner* get_diner() const { return diner_.load(); }
    // Whether it is pending in its Diner (takes the Diner's lock unless
    // the caller holds it).
    bool submitted() const;
    void print() const;

private:
    friend class Timeout_manager;
    Atime deadline_;
    int uid_ = 0;
    int period_ = 0;
    // Cleared by the Diner's thread (under the Diner's lock) while the
    // owner may be reading it.
    std::atomic<Diner*> diner_{nullptr};
};
