#include "glue/diner/Mutex.h"

#include "util/Debug_base.h"
#include "util/Debug_print.h"

#include <cstdint>
#include <cstdlib>

void Mutex::lock()
{
    int failures = 0;
    while (!mutex_.tryLock(TRY_MS)) {
        Debug_print::dprint("Deadlock assumed %p %d (owner %p, this_thread %p)\n",
                            static_cast<void*>(this), failures, owner_.load(),
                            QThread::currentThreadId());
        if (failures == MAX_FAILED_TRIES - 1)
            std::abort();
        ++failures;
    }
    if (failures > 0)
        Debug_print::dprint("Deadlock avoided %p %d\n", static_cast<void*>(this), failures);
    owner_ = QThread::currentThreadId();
}

void Mutex::unlock()
{
    owner_ = nullptr;
    mutex_.unlock();
}

bool Mutex::try_lock(int ticks)
{
    int ms = ticks > 0 ? (ticks > INT32_MAX / 10 ? INT32_MAX : ticks * 10) : 0;
    if (!mutex_.tryLock(ms))
        return false;
    owner_ = QThread::currentThreadId();
    return true;
}

bool Mutex::try_lock()
{
    if (!mutex_.tryLock())
        return false;
    owner_ = QThread::currentThreadId();
    return true;
}

int Mutex::status(int wanted)
{
    int st;
    // The holder's own try would fail too, so a held lock is told apart by
    // the recorded owner.
    if (owner_.load() == QThread::currentThreadId()) {
        st = MINE;
    } else if (try_lock()) {
        unlock();
        st = FREE;
    } else {
        st = OTHERS;
    }
    if (wanted == ANY || wanted == st)
        return st;
    if (!JDB::enabled(_JDB::MUTEX_NO_CHECK)) {
        Debug_print::bprint("Bad mutex status: %d, wanted: %d %p %p", st, wanted, owner_.load(),
                            static_cast<void*>(QThread::currentThread()));
        if (!JDB::enabled(_JDB::MUTEX_NO_ABORT))
            std::abort();
    }
    return st;
}
