// The receiving end of one module: a queue of pending events and a
// counting semaphore with one permit per delivery still to be taken.
#pragma once

#include "glue/diner/Mutex.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_event.h"
#include "util/Atime.h"
#include "util/sl_list.h"

#include <QEvent>
#include <QObject>
#include <QSemaphore>

#include <atomic>

// Lock order: a receiver's mutex before the event pool's (module_man)
// mutex; nothing takes a receiver's mutex while holding the pool's.
class waiter_descriptor {
public:
    waiter_descriptor();
    ~waiter_descriptor();
    waiter_descriptor(const waiter_descriptor&) = delete;
    waiter_descriptor& operator=(const waiter_descriptor&) = delete;

    // Binds the receiver to the pool and enables it; with a Qt target every
    // send also posts a QEvent of that type to it. Returns 0.
    int init(module_man* mm);
    int init(module_man* mm, QObject* target, QEvent::Type type);
    void deinit();
    // A disabled receiver drops what is sent to it.
    void set_enabled(bool enabled);
    bool is_enabled();

    // Queues a copy of the event. merge_repeats: a pending record with the
    // same plain module id and code is delivered once more instead.
    // skip_duplicates: nothing is queued when such a record is pending
    // (extended ids match on data too). 0 when queued, merged, skipped or
    // dropped (receiver not enabled); -1 when refused: the receiver holds
    // more than half of the pool's free nodes, the pool is empty, or
    // extended data was sent with merging.
    int send_event(const waiter_event& event, bool merge_repeats, bool skip_duplicates);
    // Wakes the receiver without queuing anything.
    void send_anonymous_event();

    // Blocks until a delivery is there, then takes it (the anonymous record
    // when nothing was queued). Returns 0.
    int get_event(waiter_event* out);
    // Waits until the deadline at the latest, in whole 10 ms steps never
    // shorter than the time left; a deadline less than 1 ms ahead only
    // polls. 0 with a delivery, -1 without one (out is untouched then).
    int get_event(waiter_event* out, const Atime& deadline);
    // Takes every pending delivery without blocking and discards it.
    void flush_events();

    // How long a deadline wait blocks for a deadline ms_left ahead: whole
    // 10 ms steps never shorter than ms_left, 0 for a mere poll.
    static int wait_ms_for(int ms_left);

    // Pending nodes (not deliveries).
    int num_pending();

private:
    void take_delivery(waiter_event* out);
    void post_qt_event();

    Mutex mutex_;
    bool enabled_ = false;
    QSemaphore semaphore_{0};
    c_sl_list<waiter_event_node> pending_;
    module_man* mm_ = nullptr;
    std::atomic<QObject*> qt_target_{nullptr};
    std::atomic<int> qt_type_{0};
    bool initialised_ = false;
};
