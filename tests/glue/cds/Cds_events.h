// A receiver for CDS change events and a drain of what it got.
#pragma once

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "util/Atime.h"

#include <vector>

struct Received {
    short module_id;
    intptr_t code;
    bool operator==(const Received& o) const { return module_id == o.module_id && code == o.code; }
};

inline std::vector<Received> drain(waiter_descriptor& waiter)
{
    std::vector<Received> got;
    waiter_event event;
    while (waiter.get_event(&event, Atime::now()) == 0)
        got.push_back({event.module_id, event.code});
    return got;
}
