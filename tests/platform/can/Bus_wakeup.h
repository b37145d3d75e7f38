// A receiver for bus wake-ups in tests.
#pragma once

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/CAN_bus.h"
#include "util/Atime.h"

#include <vector>

struct Bus_wakeup {
    module_man mm;
    waiter_descriptor waiter;

    Bus_wakeup() { waiter.init(&mm); }

    // True when a wake-up (anonymous event, module id 1) came in time. A
    // bus wakes its receiver again only after a read, as the stack reads
    // after every wake-up.
    bool woken(int timeout_ms = 10000)
    {
        waiter_event ev;
        return waiter.get_event(&ev, Atime::from_now(timeout_ms)) == 0 && ev.module_id == 1;
    }

    // Attaches to the bus and takes the first wake-up and the read after it.
    bool attach_to(CAN_bus& bus)
    {
        CAN_packet none[16];
        return bus.attach(&waiter) == 0 && woken() && bus.read(none, 16) == 0;
    }

    // Reads frames until count have come, waiting for wake-ups in between.
    static std::vector<CAN_packet> collect(CAN_bus& bus, Bus_wakeup& w, size_t count)
    {
        std::vector<CAN_packet> got;
        CAN_packet batch[16];
        while (got.size() < count) {
            int n = bus.read(batch, 16);
            if (n == 0 && !w.woken()) break;
            got.insert(got.end(), batch, batch + n);
        }
        return got;
    }
};
