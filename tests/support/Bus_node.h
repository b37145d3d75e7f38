// A CAN stack on a bus of its own (the loop bus or the hub), opened and
// started; the bus outlives the stack.
#pragma once

#include "platform/can/Bus_select.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

class module_man;

namespace test_support {

template <class Stack> struct Bus_node {
    std::unique_ptr<CAN_bus> bus;
    Stack stack;

    // `before_start` may set the stack up (an address, say) before its thread runs.
    bool open(const std::string& spec, module_man& mm,
              const std::function<void(Stack&)>& before_start = {})
    {
        std::string error;
        bus.reset(Bus_select::start(spec.c_str(), error));
        if (!bus) {
            ADD_FAILURE() << error;
            return false;
        }
        stack.open(*bus, &mm);
        if (before_start)
            before_start(stack);
        return stack.start() == 0;
    }
};

} // namespace test_support
