// A service tool beside the program on the bus: a plain stack at 0xF9 that
// listens for the PGNs it is given and reads the program's messages of them.
#pragma once

#include "can/JIN_stack.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class module_man;

namespace test_support {

class Service_tool {
public:
    static constexpr unsigned char ADDRESS = 0xF9;

    // Opens its own connection to the bus and listens for `pgns`; adds a
    // test failure and returns false when it cannot.
    bool open(const std::string& bus_spec, module_man& mm, std::initializer_list<unsigned> pgns);
    // The next message of `pgn` from `src` within `wait_ms`, empty when none
    // came; messages of other PGNs or nodes meanwhile are passed over.
    std::vector<unsigned char> next_from(unsigned char src, unsigned pgn, int wait_ms);

    JIN_stack& stack() { return stack_; }

private:
    std::unique_ptr<CAN_bus> bus_;
    JIN_stack stack_;
    waiter_descriptor waiter_;
};

} // namespace test_support
