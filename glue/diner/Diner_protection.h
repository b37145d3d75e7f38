// A real lock for a Diner: its handlers run under it and outside callers
// take it (Diner::Protection) before touching the module.
#pragma once

#include "glue/diner/Diner.h"
#include "glue/diner/Mutex.h"

// D is Diner or Tim_diner<Diner>. The mutex is given and must outlive the
// Diner.
template <class D>
class Diner_external_protection : public D {
public:
    explicit Diner_external_protection(Mutex* mutex) : mutex_(mutex) {}

    // True only for the thread that holds the mutex.
    bool is_locked() const override { return mutex_->status(Mutex::ANY) == Mutex::MINE; }
    // ticks below 0: blocks (deadlock rule of Mutex); else waits at most
    // 10 x ticks milliseconds.
    bool lock(int ticks) const override
    {
        if (ticks < 0) {
            mutex_->lock();
            return true;
        }
        return mutex_->try_lock(ticks);
    }
    void unlock() const override { mutex_->unlock(); }

protected:
    Mutex* mutex_;
};

// A Diner with a mutex of its own.
template <class D>
class Diner_protection : public Diner_external_protection<D> {
public:
    Diner_protection() : Diner_external_protection<D>(&own_mutex_) {}

private:
    Mutex own_mutex_;
};
