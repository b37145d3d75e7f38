// Waiting, a retry at a time, for the VT to take the changes that were queued
// when the wait began. Changes queued later do not hold it: while values
// move, the screens queue new ones faster than the VT answers, and a wait for
// an empty queue would never end. A limit on the retries ends it in any case
// (a VT that stops answering, commands dropped from a full queue).
#pragma once

#include "platform/vt/Object_pool.h"

class Vt_backlog_wait {
public:
    // From now on, waits for the updates pending now, retrying at most
    // max_retries times.
    void begin(VT::Object_pool* pool, int max_retries)
    {
        retries_left_ = max_retries;
        backlog_end_ = pool ? pool->finished_updates() + static_cast<unsigned long>(pool->pending_updates()) : 0;
    }

    // True when the caller should retry later (one retry is counted): the
    // pool still works on the backlog and the retries are not used up.
    bool retry(VT::Object_pool* pool)
    {
        if (!pool || pool->pending_updates() == 0 || pool->finished_updates() >= backlog_end_ || retries_left_ <= 0)
            return false;
        --retries_left_;
        return true;
    }

private:
    unsigned long backlog_end_ = 0;
    int retries_left_ = 0;
};
