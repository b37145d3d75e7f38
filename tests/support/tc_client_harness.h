// A task-controller client core driven by hand: its Diner is never started,
// the test delivers the queued events itself (pump) and fires timers by
// handing them to the core, as the Diner's thread would when they expire.
// The pool records what would go to the task controller.
#pragma once

#include "glue/diner/module_man.h"
#include "platform/tc/TC_object_pool.h"
#include "tc_client/TC_interface_base.h"
#include "util/Atime.h"

#include <mutex>
#include <ostream>
#include <vector>

namespace test_support {

struct Sent_pd {
    unsigned short element;
    unsigned short ddi;
    int value;
    bool operator==(const Sent_pd& o) const
    {
        return element == o.element && ddi == o.ddi && value == o.value;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Sent_pd& s)
{
    return out << "{element " << s.element << ", ddi 0x" << std::hex << s.ddi << std::dec
               << ", value " << s.value << "}";
}

class Recording_pool : public TC::Object_pool {
public:
    explicit Recording_pool(module_man* mm) : TC::Object_pool(mm, nullptr, 0) {}

    bool send_process_data(unsigned short element, TC::ddi_t ddi, int value) override
    {
        std::lock_guard<std::mutex> g(m_);
        sent_.push_back({element, ddi, value});
        return true;
    }
    void set_tx_state(tx_state_t state) override
    {
        std::lock_guard<std::mutex> g(m_);
        tx_states_.push_back(state);
        TC::Object_pool::set_tx_state(state);
    }
    // What was sent since the last take.
    std::vector<Sent_pd> take()
    {
        std::lock_guard<std::mutex> g(m_);
        std::vector<Sent_pd> out;
        out.swap(sent_);
        return out;
    }
    std::vector<tx_state_t> tx_states()
    {
        std::lock_guard<std::mutex> g(m_);
        return tx_states_;
    }

private:
    std::mutex m_;
    std::vector<Sent_pd> sent_;
    std::vector<tx_state_t> tx_states_;
};

// Delivers every event queued for the module, in order; how many.
template <class Module> int pump(Module& module)
{
    int n = 0;
    waiter_event e;
    while (module.get_waiter().get_event(&e, Atime::now()) == 0) {
        if (e.module_id == 1) // the anonymous wake-up
            continue;
        module.handle_event(e);
        ++n;
    }
    return n;
}

// Deadline of a submitted timer in milliseconds from now.
inline int ms_until(const Timeout& t) { return t.get_deadline().get_ms_from_now(); }

} // namespace test_support
