#include "glue/diner/waiter_descriptor.h"

#include "util/Debug_print.h"

#include <QCoreApplication>

waiter_descriptor::waiter_descriptor() = default;

waiter_descriptor::~waiter_descriptor()
{
    deinit();
    flush_events();
    set_enabled(false);
}

int waiter_descriptor::init(module_man* mm)
{
    Mutex::Protection guard(&mutex_);
    mm_ = mm;
    enabled_ = true;
    initialised_ = true;
    return 0;
}

int waiter_descriptor::init(module_man* mm, QObject* target, QEvent::Type type)
{
    qt_type_ = int(type);
    qt_target_ = target;
    return init(mm);
}

void waiter_descriptor::deinit()
{
    qt_target_ = nullptr;
    qt_type_ = 0;
    Mutex::Protection guard(&mutex_);
    initialised_ = false;
}

void waiter_descriptor::set_enabled(bool enabled)
{
    Mutex::Protection guard(&mutex_);
    enabled_ = enabled;
}

bool waiter_descriptor::is_enabled()
{
    Mutex::Protection guard(&mutex_);
    return enabled_;
}

void waiter_descriptor::post_qt_event()
{
    QObject* target = qt_target_.load();
    int type = qt_type_.load();
    if (target && type != 0)
        QCoreApplication::postEvent(target, new QEvent(static_cast<QEvent::Type>(type)));
}

int waiter_descriptor::send_event(const waiter_event& event, bool merge_repeats,
                                  bool skip_duplicates)
{
    Mutex::Protection guard(&mutex_);
    if (!initialised_ || !enabled_ || !mm_)
        return 0;

    if (skip_duplicates) {
        for (waiter_event_node* n = pending_.first(); n; n = pending_.next(n)) {
            const waiter_event& e = n->event;
            if (e.module_id == event.module_id && e.code == event.code &&
                (event.module_id > 0 || e.data == event.data))
                return 0;
        }
    }

    if (event.module_id > 0 && merge_repeats) {
        if (event.extended_data) {
            Debug_print::bprint("ERROR: Event expects extended module id\n");
            QCoreApplication::exit(-147);
            return -1;
        }
        for (waiter_event_node* n = pending_.first(); n; n = pending_.next(n)) {
            waiter_event& e = n->event;
            if (e.module_id == event.module_id && e.code == event.code &&
                e.repeat_count < 0xFFFF) {
                ++e.repeat_count;
                semaphore_.release();
                post_qt_event();
                return 0;
            }
        }
    }

    if (pending_.count() > mm_->num_free_events() / 2)
        return -1;
    waiter_event_node* node = mm_->get_blank_event();
    if (!node)
        return -1;
    node->event = event; // copies the extended block
    node->event.repeat_count = event.module_id > 0 ? 1 : 0;
    pending_.push(node);
    semaphore_.release();
    post_qt_event();
    return 0;
}

void waiter_descriptor::send_anonymous_event()
{
    semaphore_.release();
    post_qt_event();
}

void waiter_descriptor::take_delivery(waiter_event* out)
{
    Mutex::Protection guard(&mutex_);
    waiter_event_node* node = pending_.first();
    if (!node) {
        *out = module_man::EVENT_ANONYMOUS;
        return;
    }
    waiter_event& e = node->event;
    out->module_id = e.module_id;
    out->data = e.data;
    out->code = e.code;
    out->clear_extended_data();
    out->extended_data = e.extended_data;
    e.extended_data = nullptr;
    if (e.module_id > 0 && e.repeat_count > 0 && --e.repeat_count > 0)
        return; // delivered again by the next take
    pending_.pop();
    if (mm_)
        mm_->return_used_event(node);
}

int waiter_descriptor::get_event(waiter_event* out)
{
    semaphore_.acquire();
    take_delivery(out);
    return 0;
}

int waiter_descriptor::get_event(waiter_event* out, const Atime& deadline)
{
    int wait_ms = wait_ms_for(deadline.get_ms_from_now());
    bool got = wait_ms == 0 ? semaphore_.tryAcquire() : semaphore_.tryAcquire(1, wait_ms);
    if (!got)
        return -1;
    take_delivery(out);
    return 0;
}

int waiter_descriptor::wait_ms_for(int ms_left)
{
    int ticks = (ms_left + 9) / 10;
    return ticks < 1 ? 0 : ticks * 10;
}

void waiter_descriptor::flush_events()
{
    waiter_event scratch;
    Atime now = Atime::now();
    while (get_event(&scratch, now) == 0) {
    }
}

int waiter_descriptor::num_pending()
{
    Mutex::Protection guard(&mutex_);
    return pending_.count();
}
