#include "glue/diner/Timeout_manager.h"

#include <gtest/gtest.h>

namespace {

TEST(TimeoutManager, EqualDeadlinesExpireInAddressOrder)
{
    Atime when = Atime::now() - 10;
    Timeout pair[2] = {Timeout(when), Timeout(when)};
    Timeout_manager tm;
    ASSERT_EQ(tm.submit_timeout(pair[1], nullptr), 0);
    ASSERT_EQ(tm.submit_timeout(pair[0], nullptr), 0);
    EXPECT_EQ(tm.next_timeout(), &pair[0]);
    EXPECT_EQ(tm.expired_timeout(), &pair[0]);
    EXPECT_FALSE(tm.reschedule_periodic_timeout(pair[0]));
    EXPECT_EQ(tm.expired_timeout(), &pair[1]);
    EXPECT_FALSE(tm.reschedule_periodic_timeout(pair[1]));
    EXPECT_EQ(tm.expired_timeout(), nullptr);
}

TEST(TimeoutManager, PeriodicTimeoutAPeriodBehindStartsAgainFromNow)
{
    Timeout late, slightly_late;
    late.set_period(100);
    slightly_late.set_period(100);
    Timeout_manager tm;

    Atime before = Atime::now();
    Atime far_behind = before - 250;
    ASSERT_EQ(tm.submit_timeout(late, &far_behind), 0);
    Atime after = Atime::now();
    EXPECT_GE(late.get_deadline(), before);
    EXPECT_LE(late.get_deadline(), after);

    // Less than a period behind: kept, so it fires at once and then keeps
    // its phase.
    Atime half_behind = Atime::now() - 50;
    ASSERT_EQ(tm.submit_timeout(slightly_late, &half_behind), 0);
    EXPECT_EQ(slightly_late.get_deadline(), half_behind);
    tm.remove_timeout(late);
    ASSERT_EQ(tm.expired_timeout(), &slightly_late);
    EXPECT_TRUE(tm.reschedule_periodic_timeout(slightly_late));
    EXPECT_EQ(slightly_late.get_deadline(), half_behind + 100);
    EXPECT_TRUE(tm.submitted(slightly_late));
}

TEST(TimeoutManager, RescheduleSkipsPeriodsThatWereMissed)
{
    Timeout t;
    t.set_period(100);
    Timeout_manager tm;
    Atime behind = Atime::now() - 90; // less than a period: kept
    tm.submit_timeout(t, &behind);
    ASSERT_EQ(tm.expired_timeout(), &t);
    // A handler that runs 110 ms or more misses a whole period.
    Atime before = Atime::now();
    Atime::delay(110);
    EXPECT_TRUE(tm.reschedule_periodic_timeout(t));
    EXPECT_GE(t.get_deadline(), before + 210);
}

TEST(TimeoutManager, OneShotStaysLinkedAfterExpiry)
{
    Timeout once(Atime::now() - 1);
    Timeout_manager tm;
    tm.submit_timeout(once, nullptr);
    ASSERT_EQ(tm.expired_timeout(), &once);
    EXPECT_FALSE(tm.reschedule_periodic_timeout(once));
    EXPECT_FALSE(tm.submitted(once));
    EXPECT_TRUE(once.in_tree());
    EXPECT_EQ(tm.num_expired(), 1);
    // Submitting again moves it; it is never in a tree twice.
    ASSERT_EQ(tm.submit_timeout(once, nullptr), 0);
    ASSERT_EQ(tm.submit_timeout(once, nullptr), 0);
    EXPECT_EQ(tm.num_pending(), 1);
    EXPECT_EQ(tm.num_expired(), 0);
}

TEST(TimeoutManager, HandlerThatResubmitsCancelsTheReschedule)
{
    Timeout t(Atime::now() - 1);
    t.set_period(1000);
    Timeout_manager tm;
    tm.submit_timeout(t, nullptr);
    ASSERT_EQ(tm.expired_timeout(), &t);
    Atime later = Atime::from_now(5000);
    tm.submit_timeout(t, &later); // as a handler would
    EXPECT_FALSE(tm.reschedule_periodic_timeout(t));
    EXPECT_EQ(t.get_deadline(), later);
}

TEST(TimeoutManager, TimeoutOfAnotherManagerIsNotTaken)
{
    Timeout t(Atime::from_now(1000));
    Timeout_manager one, two;
    ASSERT_EQ(one.submit_timeout(t, nullptr), 0);
    EXPECT_EQ(two.submit_timeout(t, nullptr), -1);
    EXPECT_EQ(two.remove_timeout(t), -1);
    EXPECT_TRUE(one.submitted(t));
    one.terminate();
    EXPECT_FALSE(t.in_tree());
}

TEST(TimeoutManager, FutureDeadlineIsNotExpired)
{
    Timeout t(Atime::from_now(60000));
    Timeout_manager tm;
    tm.submit_timeout(t, nullptr);
    EXPECT_EQ(tm.expired_timeout(), nullptr);
    EXPECT_EQ(tm.next_timeout(), &t);
}

void change_deadline_of_linked_timeout()
{
    Timeout t;
    Timeout_manager tm;
    tm.submit_timeout(t, nullptr);
    t = Atime::from_now(5);
}

void copy_over_linked_timeout()
{
    Timeout t, other;
    Timeout_manager tm;
    tm.submit_timeout(t, nullptr);
    t = other;
}

void reschedule_a_timeout_that_is_not_current()
{
    Timeout a(Atime::now() - 1), b(Atime::now() - 1);
    Timeout_manager tm;
    tm.submit_timeout(a, nullptr);
    tm.submit_timeout(b, nullptr);
    Timeout* first = tm.expired_timeout();
    tm.reschedule_periodic_timeout(first == &a ? b : a);
}

TEST(TimeoutManagerDeath, MisuseOfLinkedTimeoutsIsFatal)
{
    EXPECT_DEATH(change_deadline_of_linked_timeout(), "change timeout time while in a list");
    EXPECT_DEATH(copy_over_linked_timeout(), "copy over timeout while in a list");
    EXPECT_DEATH(reschedule_a_timeout_that_is_not_current(), "cur_expired_timeout");
}

} // namespace
