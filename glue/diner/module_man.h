// The process-wide module registry and the fixed pool of event nodes.
#pragma once

#include "glue/diner/Mutex.h"
#include "glue/diner/waiter_event.h"
#include "util/sl_list.h"

// One pool node: a list link and the record.
struct waiter_event_node : sll_node {
    waiter_event event;
};

class module_man {
public:
    static constexpr int POOL_SIZE = 1000;
    static constexpr short FIRST_PLAIN_ID = 1026;
    // What a receiver gets when it was woken without a queued record.
    static const waiter_event EVENT_ANONYMOUS;

    module_man();
    virtual ~module_man();
    module_man(const module_man&) = delete;
    module_man& operator=(const module_man&) = delete;

    // Writes n fresh ids: plain ones count up from 1026, extended ones down
    // from -1; ids are never reused. 0, or -1 (nothing written) when the
    // 16-bit ids of that kind would run out.
    int init_module_array(short* ids, int n, bool extended);
    int init_module(short* id, bool extended) { return init_module_array(id, 1, extended); }

    // A node off the free list, null when the pool is empty.
    waiter_event_node* get_blank_event();
    // Back to the tail of the free list; ignored once destruction started.
    void return_used_event(waiter_event_node* node);
    int num_free_events();

private:
    bool initialised_ = false;
    Mutex mutex_;
    int last_plain_id_ = FIRST_PLAIN_ID - 1;
    int extended_count_ = 0;
    c_sl_list<waiter_event_node> free_;
    waiter_event_node pool_[POOL_SIZE];
};
