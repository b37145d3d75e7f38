// A registry that keeps at most one Diner of a set running.
#pragma once

#include "glue/diner/Diner.h"
#include "glue/diner/Mutex.h"
#include "util/c_bstree.h"

class Diner_selector {
public:
    Diner_selector();
    ~Diner_selector();
    Diner_selector(const Diner_selector&) = delete;
    Diner_selector& operator=(const Diner_selector&) = delete;

    // Tree insert and remove; their results are passed on.
    int register_diner(Diner* d);
    int deregister_diner(const Diner* d);
    // The Diner at that place in descriptor order, or null.
    Diner* operator[](int index);
    int num_diners();
    // Copies up to max descriptors in order; returns the count.
    int get_descriptors(Diner::Descriptor* out, int max);
    Diner* get_selected();
    // Stops the selected Diner and starts the chosen one: 0, or -1 when
    // there is no such Diner (the selection stays as it was).
    int select_diner(int index);
    int select_diner(const Diner::Descriptor& descriptor);

    // By id, then by name.
    static int descriptor_compare(const Diner* a, const Diner* b);

    // A search key: only its descriptor is used.
    class Dummy_diner : public Diner {
    public:
        void handle_event(waiter_event&) override {}
        void handle_timeout(Timeout&) override {}
        void set_key(const Diner::Descriptor& d) { set_descriptor(d); }
    };

private:
    int select_locked(Diner* d);

    Mutex mutex_;
    Dummy_diner key_;
    c_bstree<avl_bstree, Diner> diners_;
    Diner* selected_ = nullptr;
};
