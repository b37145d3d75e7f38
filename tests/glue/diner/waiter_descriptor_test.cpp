#include "glue/diner/waiter_descriptor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class Receiver : public ::testing::Test {
protected:
    void SetUp() override { rx.init(&mm); }

    int take(waiter_event* out) { return rx.get_event(out, Atime::now()); }

    module_man mm;
    waiter_descriptor rx;
};

TEST_F(Receiver, MergedRepeatsUseOneNode)
{
    waiter_event e(1030, 7, 42);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(rx.send_event(e, true, false), 0);
    EXPECT_EQ(mm.num_free_events(), module_man::POOL_SIZE - 1);
    EXPECT_EQ(rx.num_pending(), 1);
    waiter_event out;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(take(&out), 0);
        EXPECT_EQ(out.module_id, 1030);
        EXPECT_EQ(out.code, 42);
        EXPECT_EQ(mm.num_free_events(), module_man::POOL_SIZE - (i < 4 ? 1 : 0));
    }
    EXPECT_EQ(take(&out), -1);
}

TEST_F(Receiver, DifferentCodesAreNeverMergedOrSkipped)
{
    ASSERT_EQ(rx.send_event(waiter_event(1030, 0, 1), true, true), 0);
    ASSERT_EQ(rx.send_event(waiter_event(1030, 0, 2), true, true), 0);
    EXPECT_EQ(rx.num_pending(), 2);
    // Same module id and code: a plain id is a duplicate whatever its data.
    ASSERT_EQ(rx.send_event(waiter_event(1030, 9, 2), false, true), 0);
    EXPECT_EQ(rx.num_pending(), 2);
    rx.flush_events();
    EXPECT_EQ(mm.num_free_events(), module_man::POOL_SIZE);
}

TEST_F(Receiver, ExtendedIdsAreQueuedEachTimeAndSkippedOnlyOnFullMatch)
{
    waiter_event e(-3, 5, 77);
    ASSERT_EQ(rx.send_event(e, true, false), 0);
    ASSERT_EQ(rx.send_event(e, true, false), 0);
    EXPECT_EQ(rx.num_pending(), 2);
    ASSERT_EQ(rx.send_event(waiter_event(-3, 6, 77), false, true), 0);
    EXPECT_EQ(rx.num_pending(), 3);
    ASSERT_EQ(rx.send_event(waiter_event(-3, 6, 77), false, true), 0);
    EXPECT_EQ(rx.num_pending(), 3);
    rx.flush_events();
}

TEST_F(Receiver, ExtendedDataTravelsWithTheRecord)
{
    waiter_event e(-1, 0, 1);
    const unsigned char bytes[] = {1, 2, 3};
    ASSERT_EQ(e.set_extended_data(bytes, 3), 1);
    waiter_event copy(e);
    ASSERT_NE(copy.extended_data, e.extended_data);
    EXPECT_EQ(copy.get_extended_data_len(), 3u);
    ASSERT_EQ(rx.send_event(e, false, false), 0);
    waiter_event out;
    ASSERT_EQ(take(&out), 0);
    ASSERT_EQ(out.get_extended_data_len(), 3u);
    EXPECT_EQ(out.get_extended_data()[2], 3);
    EXPECT_EQ(e.set_extended_data(nullptr, 4), 0);
    EXPECT_EQ(e.extended_data, nullptr);
}

TEST_F(Receiver, MergingExtendedDataIsRefused)
{
    waiter_event e(1030, 0, 1);
    const unsigned char b = 1;
    e.set_extended_data(&b, 1);
    EXPECT_EQ(rx.send_event(e, true, false), -1);
    EXPECT_EQ(rx.num_pending(), 0);
}

TEST_F(Receiver, AnonymousWakeUpUsesNoNode)
{
    rx.send_anonymous_event();
    waiter_event out(55, 1, 2);
    ASSERT_EQ(take(&out), 0);
    EXPECT_EQ(out.module_id, 1);
    EXPECT_EQ(out.code, 1);
    EXPECT_EQ(mm.num_free_events(), module_man::POOL_SIZE);
}

TEST_F(Receiver, PastDeadlineOnlyPolls)
{
    waiter_event out(9, 9, 9);
    EXPECT_EQ(rx.get_event(&out, Atime::now() - 1000), -1);
    EXPECT_EQ(out.module_id, 9);
}

TEST_F(Receiver, DisabledReceiverDropsEvents)
{
    rx.set_enabled(false);
    EXPECT_EQ(rx.send_event(waiter_event(1030, 0, 1), false, false), 0);
    EXPECT_EQ(rx.num_pending(), 0);
    rx.set_enabled(true);
    waiter_descriptor never_initialised;
    EXPECT_EQ(never_initialised.send_event(waiter_event(1030, 0, 1), false, false), 0);
}

TEST_F(Receiver, SendThatWouldTakeMoreThanHalfTheFreeNodesIsRefused)
{
    int accepted = 0;
    while (rx.send_event(waiter_event(-1, 0, accepted), false, false) == 0)
        ++accepted;
    // 334 pending leave 666 free: 334 > 333, so the 335th is refused.
    EXPECT_EQ(accepted, 334);
    // Merged repeats still go through: they take no node.
    waiter_event plain(1030, 0, 0);
    waiter_descriptor other;
    other.init(&mm);
    ASSERT_EQ(other.send_event(plain, true, false), 0);
    rx.flush_events();
    other.flush_events();
    EXPECT_EQ(mm.num_free_events(), module_man::POOL_SIZE);
}

TEST_F(Receiver, FlushDeliversEveryRepeatAndReturnsTheNode)
{
    waiter_event e(1030, 0, 5);
    for (int i = 0; i < 3; ++i)
        rx.send_event(e, true, false);
    rx.flush_events();
    EXPECT_EQ(rx.num_pending(), 0);
    EXPECT_EQ(mm.num_free_events(), module_man::POOL_SIZE);
    waiter_event out;
    EXPECT_EQ(take(&out), -1);
}

TEST(QtTarget, EverySendAndWakeUpPostsAnEvent)
{
    struct Counter : QObject {
        int seen = 0;
        bool event(QEvent* e) override
        {
            if (e->type() == QEvent::Type(QEvent::User + 7))
                ++seen;
            return true;
        }
    };
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Counter target;
    module_man mm;
    waiter_descriptor rx;
    rx.init(&mm, &target, QEvent::Type(QEvent::User + 7));
    rx.send_event(waiter_event(1030, 0, 1), true, false);
    rx.send_event(waiter_event(1030, 0, 1), true, false); // merged, posted too
    rx.send_anonymous_event();
    QCoreApplication::sendPostedEvents(&target);
    EXPECT_EQ(target.seen, 3);
    rx.deinit();
    rx.send_anonymous_event();
    QCoreApplication::sendPostedEvents(&target);
    EXPECT_EQ(target.seen, 3);
}

TEST(DeadlineWait, RoundsUpToWhole10msSteps)
{
    struct Case {
        int ms_left;
        int wait;
    } cases[] = {{-50, 0}, {0, 0}, {1, 10}, {9, 10}, {10, 10}, {11, 20}, {20, 20}, {95, 100}};
    for (const Case& c : cases)
        EXPECT_EQ(waiter_descriptor::wait_ms_for(c.ms_left), c.wait) << c.ms_left;
}

TEST(ModuleMan, HandsOutPlainAndExtendedIds)
{
    module_man mm;
    short plain[3];
    short ext[2];
    ASSERT_EQ(mm.init_module_array(plain, 3, false), 0);
    ASSERT_EQ(mm.init_module_array(ext, 2, true), 0);
    EXPECT_EQ(plain[0], 1026);
    EXPECT_EQ(plain[1], 1027);
    EXPECT_EQ(plain[2], 1028);
    EXPECT_EQ(ext[0], -1);
    EXPECT_EQ(ext[1], -2);
    short one;
    ASSERT_EQ(mm.init_module(&one, false), 0);
    EXPECT_EQ(one, 1029);
}

TEST(ModuleMan, RefusesIdsBeyondSixteenBits)
{
    module_man mm;
    std::vector<short> ids(40000);
    EXPECT_EQ(mm.init_module_array(ids.data(), 32767 - 1026 + 2, false), -1);
    EXPECT_EQ(mm.init_module_array(ids.data(), 32767 - 1026 + 1, false), 0);
    EXPECT_EQ(ids[32767 - 1026], 32767);
    short more;
    EXPECT_EQ(mm.init_module(&more, false), -1);
    EXPECT_EQ(mm.init_module_array(ids.data(), 32768, true), 0);
    EXPECT_EQ(ids[32767], -32768);
    EXPECT_EQ(mm.init_module(&more, true), -1);
}

TEST(EventStress, ManySendersOneReceiverLoseNothing)
{
    module_man mm;
    waiter_descriptor rx;
    rx.init(&mm);
    constexpr int SENDERS = 4;
    constexpr int PER_SENDER = 5000;
    std::atomic<int> refused{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < SENDERS; ++s) {
        senders.emplace_back([&, s] {
            for (int i = 0; i < PER_SENDER; ++i) {
                waiter_event e(short(-1 - s), uint32_t(i), s);
                while (rx.send_event(e, false, false) != 0) {
                    ++refused;
                    std::this_thread::yield();
                }
            }
        });
    }
    std::vector<int> next(SENDERS, 0);
    int received = 0;
    bool in_order = true;
    waiter_event out;
    while (received < SENDERS * PER_SENDER) {
        rx.get_event(&out);
        if (out.module_id == 1)
            continue;
        int s = -1 - out.module_id;
        in_order = in_order && s >= 0 && s < SENDERS && int(out.data) == next[s];
        if (s >= 0 && s < SENDERS)
            ++next[s];
        ++received;
    }
    for (auto& t : senders)
        t.join();
    EXPECT_TRUE(in_order);
    EXPECT_EQ(rx.num_pending(), 0);
    EXPECT_EQ(mm.num_free_events(), module_man::POOL_SIZE);
}

} // namespace
