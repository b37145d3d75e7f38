// python-can's socketcand interface (Debian's python3-can) as an independent
// client of the hub.
#include "tests/support/Hub_process.h"
#include "tests/support/Socketcand_client.h"

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

namespace {

TEST(Python_can_interop, ExchangesFramesWithTheHub)
{
    if (!Hub_process::python_can_available()) GTEST_SKIP() << "python3-can is not installed";
    Hub_process hub;
    ASSERT_TRUE(hub.start()) << hub.error();
    Socketcand_client peer;
    ASSERT_TRUE(peer.join(hub.port()));

    CAN_packet first, second;
    bool got_both = false;
    std::thread answer([&] {
        got_both = peer.next_frame(first) && peer.next_frame(second);
        if (got_both) peer.send_frame(make_frame(0x18EF261C, true, {0x0A, 0x0B, 0x0C}));
    });
    std::string out;
    int code = Hub_process::run_program(
        {"/usr/bin/python3", SOWVANE_SOURCE_DIR "/tests/tools/can_hub/python_can_peer.py",
         std::to_string(hub.port())},
        out);
    answer.join();

    ASSERT_TRUE(got_both);
    EXPECT_TRUE(same_frame(first, make_frame(0x18EF1C26, true, {1, 2, 3})));
    EXPECT_TRUE(same_frame(second, make_frame(0x123, false, {0xAA})));
    EXPECT_EQ(code, 0) << out;
    EXPECT_EQ(out, "18EF261C:0A0B0C\n");
}

}  // namespace
