// A CAN bus for driving one stack by hand: frames are injected, what the
// stack writes is collected, and the transmit space is set by the test.
#pragma once

#include "can/JIN_packet.h"
#include "can/JIN_stack.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/CAN_bus.h"

#include <deque>
#include <initializer_list>
#include <vector>

class Stack_test_bus : public CAN_bus {
public:
    Stack_test_bus() : CAN_bus("test") {}

    int read(CAN_packet* frames, int max) override
    {
        int n = 0;
        for (; n < max && !rx.empty(); ++n) {
            frames[n] = rx.front();
            rx.pop_front();
        }
        return n;
    }
    int attach(waiter_descriptor* w) override { return (waiter = w) ? 0 : -1; }
    int detach(waiter_descriptor* w) override
    {
        if (w != waiter) return -1;
        waiter = nullptr;
        return 0;
    }
    int tx_space(int) override { return space; }
    bool one_batch_per_pass() override { return false; }

    // The frames written since the last call.
    std::vector<JIN_packet> take_sent()
    {
        std::vector<JIN_packet> out;
        out.swap(sent);
        return out;
    }

    std::deque<CAN_packet> rx;
    std::vector<JIN_packet> sent;
    int space = 16;
    waiter_descriptor* waiter = nullptr;

protected:
    int send_frame(const CAN_packet& frame, int) override
    {
        sent.push_back(JIN_packet(frame));
        return 1;
    }
    int check_errors() override { return 0; }
};

// A 29-bit frame from src to dest (dest ignored for PDU2 PGNs).
inline JIN_packet j1939_frame(unsigned prio, unsigned pgn, unsigned char dest, unsigned char src,
                             std::initializer_list<unsigned char> data)
{
    JIN_packet f;
    f.set_extended(true);
    f.set_extended_id(prio, pgn, dest, src);
    for (unsigned char b : data) f.data[f.length++] = b;
    return f;
}

// A stack opened on a Stack_test_bus (its Diner is not started: the test
// runs its handlers), and a receiver for the events it sends.
struct Stack_rig {
    module_man mm;
    Stack_test_bus bus;
    JIN_stack stack;
    waiter_descriptor module[3];

    explicit Stack_rig(unsigned char own_address)
    {
        for (auto& w : module) w.init(&mm);
        stack.open(bus, &mm);
        stack.register_address(own_address);
    }

    // Delivers frames to the stack as its bus would.
    void inject(std::initializer_list<JIN_packet> frames)
    {
        for (const auto& f : frames) bus.rx.push_back(f);
        pump();
    }
    void pump()
    {
        waiter_event wake(1, 0, 1);
        Diner::Protection p(stack);
        stack.handle_event(wake);
    }
    // Runs the stack's timeouts that are due once ms have passed (a test
    // shortens the one it needs; the stack's Diner is not running, so
    // nothing fires unless the test runs it).
    void run_timeouts_after(int ms)
    {
        Atime::delay(ms);
        Diner::Protection p(stack);
        stack.Diner::handle_timeout();
    }
    // The next event queued for a module receiver, or module id 0.
    static waiter_event next_event(waiter_descriptor& w)
    {
        waiter_event ev;
        if (w.get_event(&ev, Atime::now()) != 0) ev.module_id = 0;
        return ev;
    }
};
