// A fixed list of receivers that all get the same events, sent with the
// list's own module id. The list takes no lock: its owner guards it.
#pragma once

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "glue/diner/waiter_event.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace JIN {

template <int N>
class Waiter_list {
public:
    // Exit code of the process when no module id can be had.
    static constexpr int NO_MODULE_ID_EXIT = -132;

    // False when N receivers are registered already.
    bool add(waiter_descriptor* waiter)
    {
        if (count_ >= N)
            return false;
        waiters_[count_++] = waiter;
        return true;
    }

    // Removes the first occurrence; the rest keep their order. False when
    // the receiver is not registered.
    bool remove(waiter_descriptor* waiter)
    {
        // count_ never exceeds N; bounding the loops by both keeps every
        // index visibly inside the array.
        const int count = count_ < N ? count_ : N;
        for (int i = 0; i < count; i++) {
            if (waiters_[i] != waiter)
                continue;
            for (int j = i + 1; j < count; j++)
                waiters_[j - 1] = waiters_[j];
            waiters_[count - 1] = nullptr;
            count_ = count - 1;
            return true;
        }
        return false;
    }

    void clear()
    {
        for (int i = 0; i < count_; i++)
            waiters_[i] = nullptr;
        count_ = 0;
    }

    // Takes a plain module id for the list's events; ends the process when
    // none can be had.
    void assign_module_id(module_man& mm)
    {
        if (mm.init_module(&module_id_, false) != 0) {
            fprintf(stderr, "No module id left for a waiter list\n");
            exit(NO_MODULE_ID_EXIT);
        }
    }

    // Sends every registered receiver an event with the list's module id.
    void send(uint32_t data, intptr_t code = 0)
    {
        waiter_event event(module_id_, data, code);
        for (int i = 0; i < count_; i++)
            waiters_[i]->send_event(event, true, false);
    }

    short get_module_id() const { return module_id_; }
    int get_count() const { return count_; }
    waiter_descriptor* get(int i) const { return i >= 0 && i < count_ ? waiters_[i] : nullptr; }

private:
    waiter_descriptor* waiters_[N] = {};
    int count_ = 0;
    short module_id_ = 1;
};

} // namespace JIN
