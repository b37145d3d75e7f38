// The active object behind every long-lived module: its own thread, event
// receiver, timeouts and lock.
#pragma once

#include "glue/diner/Diner_info.h"
#include "glue/diner/Timeout.h"
#include "glue/diner/Timeout_manager.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "glue/diner/waiter_event.h"
#include "util/Atime.h"
#include "util/avl_bstree.h"

#include <atomic>
#include <mutex>

class Diner_selector;
class Task;

// Records where the Diner's thread is, for the status list.
#define DINER_CHECKPOINT(info) (info).checkpoint(__FILE__, __LINE__)

// Lock order, outermost first: Diner_selector mutex, a Diner's lock,
// Diner_info_list mutex, a receiver's mutex, the event pool's mutex. A
// Diner's timeout mutex is innermost: nothing else is taken under it.
class Diner : public avl_bsnode {
public:
    struct Descriptor {
        static const char* const NAME_DEFAULT; // "ANON_DNR"
        static constexpr int NAME_SIZE = 10;   // at most 9 characters used

        char name[NAME_SIZE];
        int id;

        Descriptor();
        Descriptor(const char* name, int id);
        bool operator==(const Descriptor& o) const;
        bool operator!=(const Descriptor& o) const { return !(*this == o); }
    };
    static const Descriptor DESCRIPTOR_DEFAULT;

    enum State {
        RUNNING = 0,
        STOPPING = 1, // stop requested, not yet taken by the thread
        STOPPED = 2,  // parked at the start gate
        UNINIT = 3,
        TERMINATING = 4,
        ENDED = 5,
    };

    // Exit code when no thread could be made for a Diner.
    static constexpr int EXIT_NO_TASK = -140;

    Diner();
    virtual ~Diner();
    Diner(const Diner&) = delete;
    Diner& operator=(const Diner&) = delete;

    // Lock operations: a plain Diner has no lock (Diner_protection gives
    // one). lock(ticks): below 0 blocks, else waits at most 10 x ticks ms.
    virtual bool is_locked() const { return true; }
    // Hooks of start() (caller's thread, no lock) and of stop() and
    // terminate() (caller's thread, lock held).
    virtual void diner_start() {}
    virtual void diner_stop() {}
    virtual void handle_event(waiter_event& event) = 0;
    // Hands every expired Timeout to handle_timeout(Timeout&).
    virtual void handle_timeout();
    virtual void handle_timeout(Timeout& timeout) = 0;
    // The earliest deadline and 0, or -1 when none is pending.
    virtual int next_timeout(Atime& deadline);
    virtual bool lock(int ticks) const { return true; }
    virtual void unlock() const {}
    // Starts the thread, parked at the start gate (state STOPPED). Set-up
    // failures end the process: -103 receiver, -104 selector, -139 init
    // called twice, EXIT_NO_TASK no thread.
    virtual int init(module_man& mm, Diner_selector* selector, const Descriptor& descriptor,
                     int priority, int stack_size, bool task_flag, bool deliver_anonymous);

    // Releases the parked thread: 0, or -1 without a task or when not
    // STOPPED.
    int start();
    // Asks the running thread to park: 0, or -1 when not RUNNING or when
    // the stop request was refused.
    int stop();
    // Ends the thread for good; waits for it when wait is true (never on
    // the Diner's own thread, which cannot wait for itself).
    void terminate(bool wait);
    void wait_terminate();
    // Whether the caller runs on this Diner's thread (inside its handlers).
    bool runs_on_this_thread() const;
    bool terminated() const { return state_ == ENDED; }
    int get_state() const { return state_; }
    void set_priority(int priority) { priority_ = priority; }
    int send_kill();

    // Sending to this Diner.
    waiter_descriptor& get_waiter() { return waiter_; }
    int send_event(const waiter_event& e, bool merge_repeats = false, bool skip_duplicates = false)
    {
        return waiter_.send_event(e, merge_repeats, skip_duplicates);
    }
    void send_anonymous_event() { waiter_.send_anonymous_event(); }
    module_man* get_module_man() const { return mm_; }

    // Timeouts. Submission wakes the thread so that it recomputes its wait;
    // these take the Diner's lock unless the caller holds it. Once the
    // Diner is terminated, submissions are refused (-1).
    int submit_timeout(Timeout& t);
    int submit_timeout(Timeout& t, int ms);
    int submit_timeout(Timeout& t, const Atime& deadline);
    int remove_timeout(Timeout& t);
    bool submitted(const Timeout& t) const;
    void remove_from_lists(Timeout& t);

    int set_selector(Diner_selector* selector);
    Diner_selector* get_selector() const { return selector_; }

    const Descriptor& get_descriptor() const { return descriptor_; }
    const char* name() const { return descriptor_.name; }
    Diner_info& get_info() { return info_; }
    const Diner_info& get_info() const { return info_; }
    int get_priority() const { return priority_; }
    int get_stack_size() const { return stack_size_; }

    // The task entry: runs the loop of the Diner given as argument.
    static void* runner(void* diner);

    // Holds the Diner's lock for its scope.
    class Protection {
    public:
        explicit Protection(Diner& d) : d_(d) { d_.lock(-1); }
        ~Protection() { d_.unlock(); }
        Protection(const Protection&) = delete;
        Protection& operator=(const Protection&) = delete;

    private:
        Diner& d_;
    };

protected:
    void set_descriptor(const Descriptor& d) { descriptor_ = d; }
    // A submission from the Diner's own handlers: the loop recomputes its
    // wait when the handler returns, so no wake-up is sent.
    int submit_timeout_from_handler(Timeout& t, const Atime& deadline);

private:
    friend class Diner_selector;
    void run();
    void finish(bool drain);
    void end_from_own_thread();
    int submit(Timeout& t, const Atime* deadline, bool wake);
    // Unlinks every Timeout; for good (later submissions refused) when the
    // Diner ends.
    void clear_timeouts(bool for_good);
    void lock_unless_held(bool& took) const;

    Diner_info info_;
    Descriptor descriptor_;
    Task* task_ = nullptr;
    Diner_selector* selector_ = nullptr;
    module_man* mm_ = nullptr;
    int priority_ = 0;
    int stack_size_ = 0;
    bool task_flag_ = false;
    bool deliver_anonymous_ = true;
    // Written under state_mutex_, read freely. state_mutex_ comes after the
    // Diner's lock and before the receiver's mutex: stop() holds it while
    // it sends the stop request, so that the thread cannot take the request
    // before the state says STOPPING.
    std::atomic<int> state_{UNINIT};
    mutable std::mutex state_mutex_;
    // Guards timeouts_. The Diner's thread moves and reschedules Timeouts
    // while other threads submit, remove or (terminating) clear them;
    // Diners without a lock of their own have nothing else to order these.
    mutable std::mutex timeouts_mutex_;
    Timeout_manager timeouts_;
    waiter_descriptor waiter_;
};
