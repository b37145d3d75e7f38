// Status of every Diner: one record per Diner, collected in the
// process-wide Diner_info_list.
//
// Lock order: the Diner_info_list mutex may be held while a Diner's lock is
// taken (test_lock, and terminate at process exit), never the other way
// round. A Diner therefore adds and removes its record only while it does
// not hold its own lock (init after unlocking, the ending thread before it
// locks for the last time, the destructor without the lock).
#pragma once

#include "glue/diner/Mutex.h"
#include "glue/diner/module_man.h"
#include "util/sl_list.h"

#include <atomic>

class Diner;

class Diner_info : public sll_node {
public:
    enum Activity { IDLE = 0, IN_EVENT = 1, IN_TIMEOUT = 2 };

    explicit Diner_info(Diner* diner) : diner_(diner) {}
    virtual ~Diner_info() = default;
    Diner_info(const Diner_info&) = delete;
    Diner_info& operator=(const Diner_info&) = delete;

    // One status line: name, state, activity, counters, checkpoint; to the
    // debug output or to standard output; file paths in full or cut to the
    // part after the last "/".
    void print(bool to_debug, bool full_paths) const;
    // Prints "Testing <name>", takes and releases the Diner's lock, ".. Ok".
    void test_lock();
    void set_debug_level(unsigned char level) { debug_level_ = level; }
    unsigned char debug_level() const { return debug_level_; }

    void checkpoint(const char* file, int line)
    {
        checkpoint_file_ = file;
        checkpoint_line_ = line;
    }
    void count_event() { event_count_.fetch_add(1, std::memory_order_relaxed); }
    void count_timeout() { timeout_count_.fetch_add(1, std::memory_order_relaxed); }
    void set_activity(Activity a) { activity_ = a; }
    int event_count() const { return event_count_; }
    int timeout_count() const { return timeout_count_; }
    int activity() const { return activity_; }
    Diner* diner() const { return diner_; }

    // Traces of the Diner's thread, gated by the debug level.
    bool trace_events() const { return level_between(10, 50); }
    bool flush_event_trace() const { return level_between(100, 150); }
    bool trace_timeouts() const { return level_between(11, 51); }
    bool flush_timeout_trace() const { return level_between(101, 151); }

protected:
    // Subclasses may add text to the status line; room is what is left.
    virtual void append_print_info(char* line, int room) const {}

private:
    // The level equals exact or is above above.
    bool level_between(int exact, int above) const
    {
        int l = debug_level_;
        return l == exact || l > above;
    }

    Diner* diner_;
    std::atomic<const char*> checkpoint_file_{""};
    std::atomic<int> checkpoint_line_{0};
    std::atomic<int> event_count_{0};
    std::atomic<int> timeout_count_{0};
    std::atomic<int> activity_{IDLE};
    std::atomic<unsigned char> debug_level_{0};
};

class Diner_info_list : public module_man {
public:
    // Created on first use; at process exit it terminates the Diners that
    // are still running and waits for them.
    static Diner_info_list* get();

    void add(Diner_info& info);
    void remove(Diner_info& info);
    int count();
    void print(bool to_debug, bool full_paths);
    void test_lock();
    void set_debug_level(int index, unsigned char level);

    // What process exit does: terminate every listed Diner, then wait
    // until each has ended, complaining from the 16th 100 ms pass on.
    void terminate_all();

private:
    Diner_info_list() = default;
    ~Diner_info_list() override = default;

    Mutex mutex_;
    c_sl_list<Diner_info> list_;
};
