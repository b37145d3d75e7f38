// Interleavings of outside calls with a Diner's own work, placed exactly
// (through the Diner's lock hooks or its own handlers) instead of raced.
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_info.h"
#include "glue/diner/Diner_protection.h"

#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <QSemaphore>

#include <atomic>
#include <functional>
#include <mutex>
#include <memory>
#include <thread>
#include <vector>

using test_support::wait_until;

namespace {

// A protected Diner that runs one action on a chosen thread right after
// that thread lets go of the lock: where another caller could step in.
class Steppable : public Diner_protection<Diner> {
public:
    ~Steppable() override { terminate(true); }

    void after_next_unlock(std::function<void()> step)
    {
        std::lock_guard<std::mutex> g(hook_mutex_);
        step_ = std::move(step);
        step_thread_ = std::this_thread::get_id();
    }
    void unlock() const override
    {
        Diner_protection<Diner>::unlock();
        std::function<void()> step;
        {
            std::lock_guard<std::mutex> g(hook_mutex_);
            if (step_thread_ == std::this_thread::get_id()) {
                step.swap(step_);
                step_thread_ = std::thread::id();
            }
        }
        if (step)
            step();
    }

    void diner_start() override { ++starts; }
    void diner_stop() override { ++stops; }
    void handle_event(waiter_event&) override {}
    void handle_timeout(Timeout&) override {}

    std::atomic<int> starts{0};
    std::atomic<int> stops{0};

private:
    mutable std::mutex hook_mutex_;
    mutable std::function<void()> step_;
    mutable std::thread::id step_thread_;
};

TEST(DinerInterleaving, StopBetweenTheStartAndTheOpenGateIsTaken)
{
    module_man mm;
    Steppable d;
    d.init(mm, nullptr, Diner::Descriptor("RESTART", 0), 30, 0, false, true);
    ASSERT_EQ(d.start(), 0);
    ASSERT_EQ(d.stop(), 0);
    ASSERT_TRUE(wait_until([&] { return d.get_state() == Diner::STOPPED; }));

    // The second start lets go of the lock before it runs its hook and
    // opens the gate; a stop lands right there.
    int stopped = 1;
    int queued = -1;
    d.after_next_unlock([&] {
        stopped = d.stop();
        queued = d.get_waiter().num_pending(); // the thread is parked
    });
    ASSERT_EQ(d.start(), 0);
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(queued, 1) << "the stop request was dropped";

    // The request is taken: the Diner parks and can be started again.
    ASSERT_TRUE(wait_until([&] { return d.get_state() == Diner::STOPPED; },
                           std::chrono::seconds(20)));
    EXPECT_EQ(d.start(), 0);
    EXPECT_EQ(d.stop(), 0);
    EXPECT_EQ(d.starts, 3);
    EXPECT_EQ(d.stops, 3);
}

} // namespace

namespace {

// Its handler sends it the next event before it returns, so its receiver
// never runs dry until the feed ends.
class SelfFeeding : public Diner_protection<Diner> {
public:
    static constexpr short FEED = 1030;
    static constexpr int FEED_EVENTS = 500;

    ~SelfFeeding() override { terminate(true); }

    void handle_event(waiter_event& e) override
    {
        if (e.module_id != FEED)
            return;
        if (++fed < FEED_EVENTS)
            send_event(waiter_event(FEED, 0, fed));
    }
    void handle_timeout(Timeout&) override
    {
        fed_before_timeout = fed.load();
        ++timeouts;
    }

    std::atomic<int> fed{0};
    std::atomic<int> fed_before_timeout{-1};
    std::atomic<int> timeouts{0};
};

TEST(DinerInterleaving, DueTimeoutRunsWhileTheReceiverNeverRunsDry)
{
    module_man mm;
    SelfFeeding d;
    d.init(mm, nullptr, Diner::Descriptor("BUSY", 0), 30, 0, false, false);
    Timeout t;
    ASSERT_EQ(d.submit_timeout(t, 0), 0);
    ASSERT_EQ(d.send_event(waiter_event(SelfFeeding::FEED, 0, 0)), 0);
    ASSERT_EQ(d.start(), 0);
    ASSERT_TRUE(wait_until([&] { return d.fed == SelfFeeding::FEED_EVENTS && d.timeouts == 1; }));
    EXPECT_LT(d.fed_before_timeout, SelfFeeding::FEED_EVENTS)
        << "the timeout only ran once the receiver ran dry";
    d.terminate(true);
    EXPECT_EQ(mm.num_free_events(), module_man::POOL_SIZE);
}

} // namespace

namespace {

// A protected Diner whose lock() makes one chosen thread stop at a gate
// first; that thread may hold a pin on the Diner's status record there.
class GatedLock : public Diner_protection<Diner> {
public:
    static constexpr short BLOCK = 2000;

    ~GatedLock() override { terminate(true); }

    bool lock(int ticks) const override
    {
        if (gated_thread.load() == std::this_thread::get_id()) {
            at_gate.release();
            gate.acquire();
        }
        return Diner_protection<Diner>::lock(ticks);
    }
    void handle_event(waiter_event&) override {}
    void handle_timeout(Timeout&) override {}

    std::atomic<std::thread::id> gated_thread{};
    mutable QSemaphore at_gate;
    mutable QSemaphore gate;
};

// Leaves the Diner's thread in its last steps, out of the status list but
// kept from ending by a status-list walker that pins its record.
class EndingDiner : public ::testing::Test {
protected:
    void SetUp() override
    {
        d.init(mm, nullptr, Diner::Descriptor("ENDING", 0), 30, 0, false, true);
        ASSERT_EQ(d.start(), 0);
        listed = Diner_info_list::get()->count();
        walker = std::thread([this] {
            d.gated_thread = std::this_thread::get_id();
            Diner_info_list::get()->test_lock();
        });
        d.at_gate.acquire();
        d.terminate(false);
        ASSERT_TRUE(wait_until([&] { return Diner_info_list::get()->count() == listed - 1; }));
    }
    void TearDown() override
    {
        if (walker.joinable())
            walker.join();
    }

    module_man mm;
    GatedLock d;
    int listed = 0;
    std::thread walker;
};

TEST_F(EndingDiner, TerminateThatWaitsStillWaitsWhenAnotherCallerAskedFirst)
{
    std::thread release([&] { d.gate.release(); });
    d.terminate(true);
    EXPECT_EQ(d.get_state(), Diner::ENDED) << "terminate(true) returned before the thread ended";
    release.join();
}

TEST_F(EndingDiner, TerminatingAllWaitsForDinersThatAlreadyLeftTheList)
{
    std::atomic<bool> ended_at_return{false};
    std::thread exiting([&] {
        Diner_info_list::get()->terminate_all();
        ended_at_return = d.terminated();
    });
    d.gate.release();
    exiting.join();
    EXPECT_TRUE(ended_at_return) << "terminate_all() returned before the thread ended";
}

} // namespace

namespace {

class Firing : public Diner_protection<Diner> {
public:
    ~Firing() override { terminate(true); }
    void handle_event(waiter_event&) override {}
    void handle_timeout(Timeout&) override { ++fired; }
    std::atomic<int> fired{0};
};

TEST(DinerInterleaving, OwnersDestroyTheirTimeoutsWhileTheDinerFiresThem)
{
    // The Diner's thread moves due Timeouts between its trees while their
    // owners destroy them: a destroyed Timeout must never stay linked.
    module_man mm;
    Firing d;
    d.init(mm, nullptr, Diner::Descriptor("FIRING", 0), 30, 0, false, false);
    ASSERT_EQ(d.start(), 0);
    constexpr int OWNERS = 2;
    constexpr int ROUNDS = 3000;
    std::vector<std::thread> owners;
    for (int o = 0; o < OWNERS; ++o) {
        owners.emplace_back([&] {
            for (int i = 0; i < ROUNDS; ++i) {
                auto t = std::make_unique<Timeout>();
                t->set_period(1);
                ASSERT_EQ(d.submit_timeout(*t, 0), 0);
                if (i % 2)
                    std::this_thread::yield();
            }
        });
    }
    for (auto& t : owners)
        t.join();
    Diner::Protection guard(d);
    EXPECT_EQ(d.get_state(), Diner::RUNNING);
}

TEST(DinerInterleaving, TimeoutOutlivingAnUnstartedDinerLeavesItAlone)
{
    auto t = std::make_unique<Timeout>();
    {
        Firing d; // never initialised: no terminate needed, no thread
        ASSERT_EQ(d.submit_timeout(*t, 60000), 0);
        EXPECT_EQ(t->get_diner(), &d);
    }
    EXPECT_EQ(t->get_diner(), nullptr);
    EXPECT_FALSE(t->in_tree());
    t.reset();
}

} // namespace

namespace {

// Its own deadline never clears: it is due at every look.
class AlwaysDue : public Diner_protection<Diner> {
public:
    ~AlwaysDue() override { terminate(true); }
    int next_timeout(Atime& deadline) override
    {
        deadline = Atime::now() - 10;
        return 0;
    }
    void handle_timeout() override { ++passes; }
    void handle_timeout(Timeout&) override {}
    void handle_event(waiter_event& e) override
    {
        if (e.module_id == 1030)
            ++events;
    }
    std::atomic<int> passes{0};
    std::atomic<int> events{0};
};

TEST(DinerInterleaving, DeadlineThatStaysDueLeavesRoomForEventsAndTheStop)
{
    module_man mm;
    AlwaysDue d;
    d.init(mm, nullptr, Diner::Descriptor("DUE", 0), 30, 0, false, false);
    ASSERT_EQ(d.start(), 0);
    ASSERT_EQ(d.send_event(waiter_event(1030, 0, 0)), 0);
    ASSERT_TRUE(wait_until([&] { return d.events == 1; }, std::chrono::seconds(20)));
    ASSERT_EQ(d.stop(), 0);
    ASSERT_TRUE(wait_until([&] { return d.get_state() == Diner::STOPPED; },
                           std::chrono::seconds(20)));
    EXPECT_GT(d.passes, 0);
}

} // namespace
