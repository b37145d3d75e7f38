// The system's lock: a QMutex that remembers its holder and treats a wait
// of more than about ten seconds as a deadlock.
#pragma once

#include <QMutex>
#include <QThread>

#include <atomic>

class Mutex {
public:
    // Results of status().
    enum { FREE = 0, MINE = 1, OTHERS = 2, ANY = 4 };
    // One try of lock() waits this long; the 21st failed try aborts.
    static constexpr int TRY_MS = 500;
    static constexpr int MAX_FAILED_TRIES = 21;

    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // Blocks; prints "Deadlock assumed" after each 500 ms without the lock
    // and ends the process after the 21st.
    void lock();
    void unlock();
    // Waits at most 10 x ticks milliseconds.
    bool try_lock(int ticks);
    bool try_lock();
    // FREE, MINE or OTHERS; a result other than wanted (ANY accepts all) is
    // reported and aborts unless debug filter 44 (no check) or 43 (no
    // abort) is on.
    int status(int wanted);

    Qt::HANDLE owner() const { return owner_.load(); }

    class Protection {
    public:
        explicit Protection(Mutex* m) : m_(m) { m_->lock(); }
        ~Protection() { m_->unlock(); }
        Protection(const Protection&) = delete;
        Protection& operator=(const Protection&) = delete;

    private:
        Mutex* m_;
    };

private:
    QMutex mutex_;
    std::atomic<Qt::HANDLE> owner_{nullptr};
};
