#include "tests/support/Service_tool.h"

#include "glue/diner/waiter_event.h"
#include "util/Atime.h"

#include <gtest/gtest.h>

namespace test_support {

bool Service_tool::open(const std::string& bus_spec, module_man& mm, std::initializer_list<unsigned> pgns)
{
    std::string error;
    bus_.reset(Bus_select::start(bus_spec.c_str(), error));
    if (!bus_) {
        ADD_FAILURE() << error;
        return false;
    }
    if (stack_.open(*bus_, &mm) != 0 || stack_.start() != 0) {
        ADD_FAILURE() << "the service tool's stack did not start";
        return false;
    }
    stack_.register_address(ADDRESS);
    waiter_.init(&mm);
    for (unsigned pgn : pgns)
        if (stack_.register_pgn(pgn, &waiter_, nullptr) != 1) {
            ADD_FAILURE() << "the service tool cannot listen for PGN " << pgn;
            return false;
        }
    return true;
}

std::vector<unsigned char> Service_tool::next_from(unsigned char src, unsigned pgn, int wait_ms)
{
    const Atime deadline = Atime::from_now(wait_ms);
    waiter_event e;
    while (waiter_.get_event(&e, deadline) == 0) {
        if (e.module_id != stack_.event_ids().rx)
            continue;
        JIN_header h;
        std::vector<unsigned char> data(2048);
        if (stack_.read(e.data, h, data.data(), 2048, 2048, &waiter_) != 0 || h.pgn != pgn || h.src != src)
            continue;
        data.resize(h.length);
        return data;
    }
    return {};
}

} // namespace test_support
