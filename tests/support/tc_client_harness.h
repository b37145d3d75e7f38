// A task-controller client core driven by hand: its Diner is never started,
// the test delivers the queued events itself (pump) and fires timers by
// handing them to the core, as the Diner's thread would when they expire.
// The pool records what would go to the task controller.
#pragma once

#include "glue/diner/module_man.h"
#include "platform/tc/TC_object_pool.h"
#include "tc_client/TC_interface_base.h"
#include "util/Atime.h"

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
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

struct Sent_ack {
    unsigned short element;
    unsigned short ddi;
    unsigned char errors;
    bool operator==(const Sent_ack& o) const
    {
        return element == o.element && ddi == o.ddi && errors == o.errors;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Sent_ack& a)
{
    return out << "{element " << a.element << ", ddi 0x" << std::hex << a.ddi << ", errors 0x"
               << int(a.errors) << std::dec << "}";
}

// Until a test activates the pool's upload as a task controller would, every
// datum counts as described.
class Recording_pool : public TC::Object_pool {
public:
    explicit Recording_pool(module_man* mm) : TC::Object_pool(mm, nullptr, 0) {}

    bool send_process_data(unsigned short element, TC::ddi_t ddi, int value) override
    {
        std::lock_guard<std::mutex> g(m_);
        sent_.push_back({element, ddi, value});
        return true;
    }
    bool acknowledge_set_value(unsigned short element, TC::ddi_t ddi,
                               unsigned char errors) override
    {
        std::lock_guard<std::mutex> g(m_);
        acks_.push_back({element, ddi, errors});
        return true;
    }
    bool is_described(unsigned short element, TC::ddi_t ddi) override
    {
        return everything_described_ || TC::Object_pool::is_described(element, ddi);
    }
    bool is_element_described(unsigned short element) override
    {
        return everything_described_ || TC::Object_pool::is_element_described(element);
    }
    bool is_in_default_set(unsigned short element, TC::ddi_t ddi) override
    {
        return everything_described_ || TC::Object_pool::is_in_default_set(element, ddi);
    }
    // The pool as it would be uploaded now becomes the active description
    // (false when it is not whole); `deactivate` ends it.
    bool activate_upload()
    {
        std::vector<Described_datum> data;
        std::string why;
        lock(-1);
        bool whole = describe_upload(data, why);
        unlock();
        everything_described_ = false;
        set_described(whole ? data : std::vector<Described_datum>());
        return whole;
    }
    void deactivate()
    {
        everything_described_ = false;
        set_described({});
    }
    std::vector<Sent_ack> take_acks()
    {
        std::lock_guard<std::mutex> g(m_);
        std::vector<Sent_ack> out;
        out.swap(acks_);
        return out;
    }
    // Records the state and the pool as it would be uploaded at that moment.
    void set_tx_state(tx_state_t state) override
    {
        std::vector<unsigned char> upload;
        std::string why;
        lock(-1);
        serialise_ddop(upload, why);
        unlock();
        {
            std::lock_guard<std::mutex> g(m_);
            tx_states_.push_back(state);
            offered_.push_back(upload);
        }
        TC::Object_pool::set_tx_state(state);
    }
    // The pool as it would have been uploaded at each transmit state set.
    std::vector<std::vector<unsigned char>> offered()
    {
        std::lock_guard<std::mutex> g(m_);
        return offered_;
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
    std::vector<Sent_ack> acks_;
    std::vector<tx_state_t> tx_states_;
    std::vector<std::vector<unsigned char>> offered_;
    std::atomic<bool> everything_described_{true};
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
