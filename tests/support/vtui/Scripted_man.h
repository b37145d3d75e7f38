#pragma once
// A screen manager whose time line and timeouts the test drives, and a UI
// module that only records what the manager tells it.

#include "vtui/screen/Screen_man.h"

#include <map>
#include <string>
#include <vector>

class Recording_ui : public User_interface_base {
public:
    explicit Recording_ui(module_man* mm) : User_interface_base(mm) {}
    ~Recording_ui() override { terminate(true); }
    void handle_event(waiter_event&) override {}
    void handle_timeout(Timeout&) override {}
    void handle_mask_mismatch(bool) override { ++mismatches; }
    int mismatches = 0;
};

class Scripted_man : public Screen_man {
public:
    using Screen_man::Screen_man;
    Atime clock = Atime::now();

    // Moves time on and fires every timeout that falls due, in order.
    void advance(int ms)
    {
        Atime end = clock + ms;
        for (;;) {
            Timeout* due = nullptr;
            for (auto& p : pending)
                if (p.second <= end && (!due || p.second < pending[due]))
                    due = p.first;
            if (!due)
                break;
            clock = pending[due];
            if (due->get_period() > 0)
                pending[due] = clock + due->get_period();
            else
                pending.erase(due);
            send_timeout(*due);
        }
        clock = end;
    }
    std::map<Timeout*, Atime> pending;

protected:
    Atime now() const override { return clock; }
    int carry_timeout(Timeout& t, int ms) override
    {
        pending[&t] = clock + (ms < 0 ? t.get_period() : ms);
        return 0;
    }
    int drop_timeout(Timeout& t) override { return pending.erase(&t) ? 0 : -1; }
};
