// Status of every Diner: one record per Diner, collected in the
// process-wide Diner_info_list.
//
// Lock order: a Diner's lock before the Diner_info_list mutex. The list
// never takes or waits for a Diner's lock while it holds its mutex: to test
// locks or to terminate Diners it pins the records, lets go of its mutex and
// then calls into the Diners; a Diner's destructor waits until its record
// is no longer pinned. So a Diner may add or remove its record whether or
// not it holds its own lock, and shutdown cannot deadlock on the two.
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
    // Pinned records are in use by the list outside its mutex.
    int pins() const { return pins_; }

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

    friend class Diner_info_list;
    Diner* diner_;
    std::atomic<int> pins_{0};
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
    // Diners whose threads left the list but have not ended yet count as
    // alive.
    void terminate_all();

private:
    friend class Diner;
    // A Diner's thread leaves the list when it starts to end and reports
    // when it has ended.
    void remove_ending(Diner_info& info);
    void ending_done();

    Diner_info_list() = default;
    ~Diner_info_list() override = default;
    // Calls fn for every listed record with the list's mutex released.
    template <class Fn>
    void for_each_pinned(Fn fn);

    Mutex mutex_;
    c_sl_list<Diner_info> list_;
    std::atomic<int> ending_{0};
};
