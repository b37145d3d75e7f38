// A module ended from another thread while its own thread works its
// timeouts: a periodic one being rescheduled, others submitted from the
// handler. Diners without a lock of their own have nothing but the Diner to
// order the two threads.
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"

#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <QSemaphore>

#include <array>
#include <atomic>
#include <memory>
#include <random>
#include <thread>

using test_support::wait_until;

namespace {

// A periodic 1 ms Timeout whose handler submits two one-shot others; the
// handler can be held until the test lets it go.
template <class Base>
class Busy : public Base {
public:
    Busy()
    {
        tick.set_period(1);
        tick.set_uid(TICK);
    }
    ~Busy() override { this->terminate(true); }

    void handle_event(waiter_event&) override {}
    void handle_timeout(Timeout& t) override
    {
        if (t.get_uid() != TICK)
            return;
        if (hold) {
            hold = false;
            entered.release();
            leave.acquire();
        }
        for (Timeout& other : others)
            refused += this->submit_timeout(other, 1) != 0;
    }

    // Whether any of its Timeouts is still tied to this Diner or linked in
    // a tree.
    bool any_linked() const
    {
        if (tick.get_diner() || tick.in_tree())
            return true;
        for (const Timeout& other : others)
            if (other.get_diner() || other.in_tree())
                return true;
        return false;
    }

    static constexpr int TICK = 1;
    Timeout tick;
    std::array<Timeout, 2> others;
    std::atomic<bool> hold{false};
    std::atomic<int> refused{0};
    QSemaphore entered;
    QSemaphore leave;
};

template <class D>
void start_ticking(D& d, module_man& mm)
{
    d.init(mm, nullptr, Diner::Descriptor("BUSY", 0), 30, 0, false, false);
    ASSERT_EQ(d.start(), 0);
    ASSERT_EQ(d.submit_timeout(d.tick, 0), 0);
}

TEST(DinerEnding, TimeoutsSubmittedByAHandlerThatRunsOnAfterTheEndAreRefused)
{
    // The end lands while the handler runs: what it submits afterwards, and
    // the periodic Timeout it runs for, must not be linked to the ended
    // Diner.
    module_man mm;
    Busy<Diner> d;
    d.hold = true;
    start_ticking(d, mm);
    d.entered.acquire();
    d.terminate(false);
    d.leave.release();
    d.wait_terminate();

    EXPECT_EQ(d.get_state(), Diner::ENDED);
    EXPECT_EQ(d.refused, 2);
    EXPECT_FALSE(d.any_linked());
}

TEST(DinerEnding, ASubmissionAfterTheEndIsRefused)
{
    module_man mm;
    Busy<Diner> d;
    start_ticking(d, mm);
    d.terminate(true);
    Timeout late;
    EXPECT_EQ(d.submit_timeout(late, 5), -1);
    EXPECT_EQ(late.get_diner(), nullptr);
    EXPECT_FALSE(d.any_linked());
}

TEST(DinerEnding, AStoppedDinerTakesTimeoutsAgainWhenStarted)
{
    // A stop drops the pending timeouts, but the Diner lives on: only its
    // end closes it to further ones.
    module_man mm;
    Busy<Diner_protection<Diner>> d;
    start_ticking(d, mm);
    ASSERT_EQ(d.stop(), 0);
    ASSERT_TRUE(wait_until([&] { return d.get_state() == Diner::STOPPED; }));
    EXPECT_FALSE(d.tick.submitted());
    ASSERT_EQ(d.start(), 0);
    EXPECT_EQ(d.submit_timeout(d.tick, 0), 0);
}

template <class D>
void end_at_random_moments(int rounds)
{
    std::minstd_rand random(20261211);
    std::uniform_int_distribution<int> moment_us(0, 3000);
    for (int i = 0; i < rounds; ++i) {
        module_man mm;
        auto d = std::make_unique<D>();
        start_ticking(*d, mm);
        std::this_thread::sleep_for(std::chrono::microseconds(moment_us(random)));
        d->terminate(true);
        ASSERT_EQ(d->get_state(), Diner::ENDED) << "round " << i;
        ASSERT_FALSE(d->any_linked()) << "round " << i;
        d.reset();
    }
}

TEST(DinerEnding, ModulesEndedAtRandomMomentsLeaveNoTimeoutLinked)
{
    // No crash, no hang in the trees, nothing linked: for Diners with and
    // without a lock of their own.
    end_at_random_moments<Busy<Diner>>(300);
    end_at_random_moments<Busy<Diner_protection<Diner>>>(100);
}

} // namespace
