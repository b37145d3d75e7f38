#include "glue/diner/Diner.h"

#include "glue/diner/Diner_selector.h"
#include "platform/rtos/Task.h"
#include "util/Bugger.h"
#include "util/Debug_print.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

const char* const Diner::Descriptor::NAME_DEFAULT = "ANON_DNR";
const Diner::Descriptor Diner::DESCRIPTOR_DEFAULT;

Diner::Descriptor::Descriptor() : Descriptor(NAME_DEFAULT, 0)
{
}

Diner::Descriptor::Descriptor(const char* n, int i) : id(i)
{
    std::memset(name, 0, sizeof name);
    if (n)
        std::strncpy(name, n, NAME_SIZE - 1);
}

bool Diner::Descriptor::operator==(const Descriptor& o) const
{
    return id == o.id && std::strcmp(name, o.name) == 0;
}

namespace {
// The Diner whose thread this is; null on every other thread.
thread_local const Diner* this_threads_diner = nullptr;
} // namespace

Diner::Diner() : info_(this)
{
}

bool Diner::runs_on_this_thread() const
{
    return this_threads_diner == this;
}

Diner::~Diner()
{
    set_selector(nullptr);
    if (task_) {
        int st = state_;
        if (st != TERMINATING && st != ENDED) {
            Debug_print::bprint("Need to call terminate() from top level destructor\n");
            std::abort();
        }
        // terminate(false) leaves the thread ending on its own: it must be
        // gone before the members it uses are.
        if (st == TERMINATING)
            wait_terminate();
        Diner_info_list::get()->remove(info_);
        // The list may be testing the lock or terminating this very Diner.
        while (info_.pins() > 0)
            Atime::delay(1);
        delete task_; // joins the thread
        task_ = nullptr;
    }
    // The receiver drains itself into the pool and the timeout trees
    // unlink their Timeouts as members are destroyed.
}

int Diner::init(module_man& mm, Diner_selector* selector, const Descriptor& descriptor,
                int priority, int stack_size, bool task_flag, bool deliver_anonymous)
{
    // The selector is joined before the Diner's lock is taken: a selector
    // calls start() and stop() while holding its own mutex.
    set_selector(nullptr);
    descriptor_ = descriptor;
    if (set_selector(selector) != 0) {
        Debug_print::bprint("Problem setting selector!\r\n");
        std::exit(-104);
    }

    lock(-1);
    // The fatal endings below let go of the lock first: exit() terminates
    // the Diners still listed, this one included.
    if (waiter_.init(&mm) < 0) {
        unlock();
        std::exit(-103);
    }
    mm_ = &mm;
    priority_ = priority;
    stack_size_ = stack_size;
    task_flag_ = task_flag;
    deliver_anonymous_ = deliver_anonymous;
    if (task_) {
        Debug_print::bprint("Init called with valid task\n");
        unlock();
        std::exit(-139);
    }
    {
        std::lock_guard<std::mutex> s(state_mutex_);
        state_ = STOPPED;
    }

    task_ = new (std::nothrow) Task(descriptor_.name, stack_size, task_flag, 0);
    if (!task_) {
        Debug_print::bprint("Task is null  %s\r\n", descriptor_.name);
        Debug_print::bprint("Diner %s: no task could be made, ending the process\n",
                            descriptor_.name);
        unlock();
        std::exit(EXIT_NO_TASK);
    }
    task_->set_name(QString("kor.") + QString::fromLatin1(descriptor_.name));
    if (task_->start(priority, &Diner::runner, this) != 0) {
        Debug_print::bprint("Diner %s: no thread could be started, ending the process\n",
                            descriptor_.name);
        delete task_;
        task_ = nullptr;
        state_ = UNINIT;
        unlock();
        std::exit(EXIT_NO_TASK);
    }
    DINER_CHECKPOINT(info_);
    unlock();
    Diner_info_list::get()->add(info_);
    return 0;
}

int Diner::start()
{
    lock(-1);
    if (!task_) {
        Debug_print::dprint("Task not created %s\r\n", descriptor_.name);
        unlock();
        return -1;
    }
    {
        std::lock_guard<std::mutex> s(state_mutex_);
        if (state_ != STOPPED) {
            unlock();
            return -1;
        }
        // Running from now on: a second start() is refused at once, and a
        // stop() before the thread passed the gate is taken by the loop.
        state_ = RUNNING;
    }
    // Enabled before the lock is let go: a stop() that comes in between
    // would otherwise have its request dropped by the disabled receiver and
    // leave a running thread in STOPPING for good.
    waiter_.set_enabled(true);
    unlock();
    diner_start();
    lock(-1);
    DINER_CHECKPOINT(info_);
    task_->open_gate();
    unlock();
    return 0;
}

int Diner::stop()
{
    lock(-1);
    if (state_ != RUNNING) {
        unlock();
        return -1;
    }
    diner_stop();
    int r;
    {
        std::lock_guard<std::mutex> s(state_mutex_);
        r = send_kill();
        if (r == 0) {
            waiter_.set_enabled(false);
            state_ = STOPPING;
        }
    }
    if (r != 0)
        diner_start();
    unlock();
    return r;
}

void Diner::terminate(bool wait)
{
    if (runs_on_this_thread()) {
        end_from_own_thread();
        return;
    }
    if (!lock(200)) {
        Debug_print::bprint("No terminate, are we locked\n");
        std::abort();
    }
    clear_timeouts(true);
    int st = state_;
    if (st == RUNNING) {
        {
            std::lock_guard<std::mutex> s(state_mutex_);
            state_ = TERMINATING;
            // Refused or not, the loop sees the state after its next wake-up.
            if (send_kill() != 0)
                waiter_.send_anonymous_event();
        }
        waiter_.set_enabled(false);
        diner_stop();
        unlock();
    } else if (st == STOPPING || st == STOPPED) {
        {
            std::lock_guard<std::mutex> s(state_mutex_);
            state_ = TERMINATING;
        }
        // Parked threads wake at the gate; one that has not taken its stop
        // request yet wakes on the event and sees the state.
        task_->open_gate();
        waiter_.send_anonymous_event();
        waiter_.set_enabled(false);
        unlock();
    } else {
        if (st != ENDED)
            std::fprintf(stderr, "terminate %lx called from state %d\n",
                         static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)), st);
        unlock();
        // Asked to end by another caller already (the exit handler, say): a
        // destructor that waits must still see the thread gone before it
        // takes the Diner apart.
        if (st == TERMINATING && wait)
            wait_terminate();
        return;
    }
    if (wait)
        wait_terminate();
}

// Asked on the Diner's own thread (a handler that calls exit(), whose exit
// path destroys this Diner): the thread cannot wait for itself, and may hold
// the lock already. The loop ends when the handler returns, if it ever does.
void Diner::end_from_own_thread()
{
    bool took;
    lock_unless_held(took);
    clear_timeouts(true);
    {
        std::lock_guard<std::mutex> s(state_mutex_);
        if (state_ != ENDED)
            state_ = TERMINATING;
    }
    waiter_.set_enabled(false);
    if (took)
        unlock();
}

void Diner::wait_terminate()
{
    if (runs_on_this_thread())
        return;
    for (int i = 0; i <= 500; ++i) {
        if (state_ == ENDED)
            return;
        Atime::delay(10);
    }
    if (state_ == ENDED)
        return;
    Debug_print::bprint("No terminate, did we call delete ourself\n");
    std::abort();
}

int Diner::send_kill()
{
    waiter_event kill(0, 0, -1);
    return waiter_.send_event(kill, true, false);
}

void* Diner::runner(void* diner)
{
    this_threads_diner = static_cast<Diner*>(diner);
    static_cast<Diner*>(diner)->run();
    return nullptr;
}

void Diner::finish(bool drain)
{
    // Out of the list, and no longer used by it, before the Diner can be
    // seen as ended and destroyed. The list counts it as ending until then.
    Diner_info_list* list = Diner_info_list::get();
    list->remove_ending(info_);
    while (info_.pins() > 0)
        Atime::delay(1);
    lock(-1);
    DINER_CHECKPOINT(info_);
    if (drain)
        waiter_.flush_events();
    unlock();
    // Last touch of this object: once ENDED is seen, the Diner may be
    // destroyed. The list is never destroyed.
    state_ = ENDED;
    list->ending_done();
}

void Diner::run()
{
    // The thread starts parked; it parks again after each stop request.
    // Its first pass of the gate comes before any call through the vtable:
    // the thread is made while the module's constructors still run.
    task_->wait_gate();
    bool stop_taken = false;
    for (bool parked = true;; parked = false) {
        if (!parked) {
            lock(-1);
            bool ending;
            {
                std::lock_guard<std::mutex> s(state_mutex_);
                ending = state_ == TERMINATING;
                // A start() that came before the thread got here already
                // made the state RUNNING and opened the gate: keep that.
                if (!ending && stop_taken)
                    state_ = STOPPED;
            }
            if (ending) {
                unlock();
                finish(true);
                return;
            }
            DINER_CHECKPOINT(info_);
            unlock();
            task_->wait_gate();
        }
        lock(-1);
        DINER_CHECKPOINT(info_);
        if (state_ == TERMINATING) {
            unlock();
            finish(false);
            return;
        }

        // Run until the stop request comes.
        bool timeout_ran_last = false;
        for (;;) {
            Atime deadline;
            bool has_deadline = next_timeout(deadline) == 0;
            unlock();
            waiter_event event;
            bool got_event = true;
            if (!has_deadline)
                waiter_.get_event(&event);
            else if (!timeout_ran_last && deadline.get_ms_from_now() <= 0)
                // A deadline that has come goes before queued events, once
                // in turn with them: a receiver that never runs dry must not
                // starve the timeouts, nor a deadline that stays due (a
                // subclass's timers) the events and the stop request.
                got_event = false;
            else
                got_event = waiter_.get_event(&event, deadline) == 0;
            timeout_ran_last = !got_event;

            lock(-1);
            if ((got_event && event.module_id == 0 && event.code == -1) ||
                state_ == TERMINATING) {
                // Taken with the lock held: other threads may be submitting
                // timeouts right now.
                DINER_CHECKPOINT(info_);
                clear_timeouts(state_ == TERMINATING);
                unlock();
                stop_taken = true;
                break;
            }
            if (!got_event) {
                info_.set_activity(Diner_info::IN_TIMEOUT);
                handle_timeout();
                info_.count_timeout();
            } else {
                info_.set_activity(Diner_info::IN_EVENT);
                if (info_.trace_events())
                    Debug_print::cprint(info_.flush_event_trace(), "Evt{%s,%d,%ld}\n",
                                        descriptor_.name, event.module_id,
                                        static_cast<long>(event.code));
                if (deliver_anonymous_ || !event.same_as(module_man::EVENT_ANONYMOUS))
                    handle_event(event);
                info_.count_event();
            }
            info_.set_activity(Diner_info::IDLE);
        }
    }
}

void Diner::handle_timeout()
{
    for (;;) {
        Timeout* t;
        int ahead = 0;
        {
            std::lock_guard<std::mutex> g(timeouts_mutex_);
            t = timeouts_.expired_timeout();
            if (t)
                ahead = t->get_deadline().get_ms_from_now();
        }
        if (!t)
            return;
        if (ahead > 0) {
            Debug_print::bprint("Timeout_diner::handle_timeout - not expired yet %d\n", -ahead);
            Bugger::report_bug("Timeout_diner::handle_timeout - not expired yet");
        }
        if (info_.trace_timeouts())
            Debug_print::cprint(info_.flush_timeout_trace(), "Tim{%s,%p}\n", descriptor_.name,
                                static_cast<void*>(t));
        handle_timeout(*t);
        // A Timeout destroyed, moved or cleared meanwhile is no longer the
        // current one, and this leaves it alone.
        std::lock_guard<std::mutex> g(timeouts_mutex_);
        timeouts_.reschedule_periodic_timeout(*t);
    }
}

int Diner::next_timeout(Atime& deadline)
{
    std::lock_guard<std::mutex> g(timeouts_mutex_);
    Timeout* t = timeouts_.next_timeout();
    if (!t)
        return -1;
    deadline = t->get_deadline();
    return 0;
}

void Diner::clear_timeouts(bool for_good)
{
    std::lock_guard<std::mutex> g(timeouts_mutex_);
    if (for_good)
        timeouts_.close();
    else
        timeouts_.terminate();
}

void Diner::lock_unless_held(bool& took) const
{
    took = !is_locked();
    if (took)
        lock(-1);
}

int Diner::submit(Timeout& t, const Atime* deadline, bool wake)
{
    bool took;
    lock_unless_held(took);
    int r;
    {
        std::lock_guard<std::mutex> g(timeouts_mutex_);
        r = timeouts_.submit_timeout(t, deadline);
        if (r == 0)
            t.set_diner(this);
    }
    if (took)
        unlock();
    if (r == 0 && wake)
        waiter_.send_anonymous_event();
    return r;
}

int Diner::submit_timeout(Timeout& t)
{
    return submit(t, nullptr, true);
}

int Diner::submit_timeout(Timeout& t, int ms)
{
    Atime deadline = Atime::from_now(ms);
    return submit(t, &deadline, true);
}

int Diner::submit_timeout(Timeout& t, const Atime& deadline)
{
    return submit(t, &deadline, true);
}

int Diner::submit_timeout_from_handler(Timeout& t, const Atime& deadline)
{
    return submit(t, &deadline, false);
}

int Diner::remove_timeout(Timeout& t)
{
    bool took;
    lock_unless_held(took);
    int r;
    {
        std::lock_guard<std::mutex> g(timeouts_mutex_);
        r = timeouts_.remove_timeout(t);
        // A Timeout of another Diner keeps its Diner, so that it still
        // unlinks itself there when destroyed.
        if (r == 0)
            t.set_diner(nullptr);
    }
    if (took)
        unlock();
    return r;
}

bool Diner::submitted(const Timeout& t) const
{
    bool took;
    lock_unless_held(took);
    bool r;
    {
        std::lock_guard<std::mutex> g(timeouts_mutex_);
        r = timeouts_.submitted(t);
    }
    if (took)
        unlock();
    return r;
}

void Diner::remove_from_lists(Timeout& t)
{
    bool took;
    lock_unless_held(took);
    {
        std::lock_guard<std::mutex> g(timeouts_mutex_);
        timeouts_.remove_timeout(t);
    }
    if (took)
        unlock();
}

int Diner::set_selector(Diner_selector* selector)
{
    if (selector == selector_)
        return 0;
    Diner_selector* old = selector_;
    if (old)
        old->deregister_diner(this);
    selector_ = nullptr;
    if (!selector)
        return 0;
    int r = selector->register_diner(this);
    if (r < 0) {
        if (old && old->register_diner(this) == 0)
            selector_ = old;
        return r;
    }
    selector_ = selector;
    return 0;
}
