#include "platform/can/Bus_select.h"
#include "platform/can/Loop_bus.h"
#include "tests/platform/can/Bus_wakeup.h"
#include "tests/support/Socketcand_client.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<CAN_bus> open(const char* spec)
{
    std::string error;
    std::unique_ptr<CAN_bus> bus(Bus_select::start(spec, error));
    EXPECT_NE(bus, nullptr) << error;
    return bus;
}

TEST(Loop_bus, ReachesEveryOtherNodeOfTheSameNameOnly)
{
    auto a = open("loop,name=reach"), b = open("loop,name=reach"), c = open("loop,name=reach");
    auto elsewhere = open("loop,name=elsewhere");
    Bus_wakeup wb, wc, we;
    ASSERT_TRUE(wb.attach_to(*b));
    ASSERT_TRUE(wc.attach_to(*c));
    ASSERT_TRUE(we.attach_to(*elsewhere));

    const CAN_packet sent[] = {make_frame(0x18EAFF1C, true, {0, 0xEE, 0}),
                               make_frame(0x35A, false, {1, 2, 3, 4, 5, 6, 7, 8})};
    for (const auto& f : sent) EXPECT_GT(a->write(f, 6), 0);

    EXPECT_TRUE(wb.woken());
    EXPECT_TRUE(wc.woken());
    for (auto* node : {&*b, &*c}) {
        CAN_packet got[4];
        ASSERT_EQ(node->read(got, 4), 2);
        EXPECT_TRUE(same_frame(got[0], sent[0]));
        EXPECT_TRUE(same_frame(got[1], sent[1]));
    }
    CAN_packet none[4];
    EXPECT_EQ(a->read(none, 4), 0);
    EXPECT_EQ(elsewhere->read(none, 4), 0);
    EXPECT_FALSE(we.woken(0));
}

TEST(Loop_bus, WakesOncePerBatchAndNeverMissesAFrame)
{
    auto a = open("loop,name=wake"), b = open("loop,name=wake");
    Bus_wakeup w;
    ASSERT_TRUE(w.attach_to(*b));

    for (int i = 0; i < 100; ++i) a->write(make_frame(0x100, false, {uint8_t(i)}), 3);
    ASSERT_TRUE(w.woken());
    EXPECT_FALSE(w.woken(0)) << "100 frames should wake the reader once";
    auto got = Bus_wakeup::collect(*b, w, 100);
    ASSERT_EQ(got.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(got[size_t(i)].data[0], i);

    // After reading to the end, the next frame wakes it again.
    CAN_packet buf[16];
    EXPECT_EQ(b->read(buf, 16), 0);
    a->write(make_frame(0x101, false, {}), 3);
    EXPECT_TRUE(w.woken());
    EXPECT_EQ(b->detach(&w.waiter), 0);
    EXPECT_EQ(b->detach(&w.waiter), -1);
}

TEST(Loop_bus, CountsFramesLostToAFullReceiveQueue)
{
    auto a = open("loop,name=full"), b = open("loop,name=full");
    for (int i = 0; i < Queued_bus::RX_CAPACITY + 10; ++i)
        a->write(make_frame(0x200, false, {uint8_t(i)}), 7);
    testing::internal::CaptureStderr();
    EXPECT_EQ(b->error_check(), 0);  // frames were lost but the bus still works
    std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("10 received frames lost"), std::string::npos) << report;
    int total = 0;
    CAN_packet buf[16];
    for (int n; (n = b->read(buf, 16)) > 0;) total += n;
    EXPECT_EQ(total, Queued_bus::RX_CAPACITY);
}

TEST(Loop_bus, NodesMayComeAndGo)
{
    auto a = open("loop,name=churn");
    for (int round = 0; round < 3; ++round) {
        auto b = open("loop,name=churn");
        a->write(make_frame(0x300, false, {uint8_t(round)}), 0);
        CAN_packet got;
        ASSERT_EQ(b->read(&got, 1), 1);
        EXPECT_EQ(got.data[0], round);
    }
    // With the others gone, writing reaches nobody and is still accepted.
    EXPECT_GT(a->write(make_frame(0x300, false, {}), 0), 0);
    EXPECT_EQ(a->tx_space(0), Loop_bus::TX_SPACE);
}

}  // namespace
