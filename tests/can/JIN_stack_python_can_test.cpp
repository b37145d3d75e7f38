// python-can (Debian's python3-can, socketcand interface) as an independent
// node on the hub, talking to a stack.
#include "can/JIN_stack.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "tests/support/Hub_process.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <unistd.h>

namespace {

TEST(Stack_python_can, ExchangesFramesWithAStackThroughTheHub)
{
    if (!Hub_process::python_can_available()) GTEST_SKIP() << "python3-can is not installed";
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    module_man mm;
    waiter_descriptor w;
    w.init(&mm);
    std::string error;
    std::unique_ptr<CAN_bus> bus(Bus_select::start(hub.bus_spec().c_str(), error));
    ASSERT_NE(bus, nullptr) << error;
    JIN_stack stack;
    stack.open(*bus, &mm);
    stack.register_address(0x1C);
    ASSERT_EQ(stack.register_pgn(0xFEDA, &w, nullptr), 1);
    ASSERT_EQ(stack.start(), 0);

    std::string out;
    int code = -1;
    std::thread python([&] {
        code = Hub_process::run_program(
            {"/usr/bin/python3", SOWVANE_SOURCE_DIR "/tests/can/python_can_node.py",
             std::to_string(hub.port())},
            out);
    });
    waiter_event ev;
    bool got = w.get_event(&ev, Atime::from_now(30000)) == 0 && ev.module_id == stack.event_ids().rx;
    JIN_header h;
    unsigned char data[8] = {};
    if (got) {
        EXPECT_EQ(stack.read(0xFEDA, h, data, 8, 8, &w), 0);
        const unsigned char answer[2] = {data[0], data[7]};
        EXPECT_EQ(stack.write(0x1C, 0xFF, 0xFF20, 6, 2, answer, 2, nullptr, 0), 0);
    }
    python.join();
    ASSERT_TRUE(got) << out;
    EXPECT_EQ(h.src, 0x26);
    EXPECT_EQ(code, 0) << out;
    EXPECT_EQ(out, "18E8261C:01FFFFFF26CAFE00\n"
                   "18FF201C:0108\n");
}

}  // namespace
