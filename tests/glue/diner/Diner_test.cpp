#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"
#include "glue/diner/Diner_selector.h"
#include "glue/diner/Tim_diner.h"

#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <QSemaphore>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using test_support::wait_until;

namespace {

// Records what its handlers see; a handler can be made to block until the
// test lets it go.
template <class Base>
class Recorder : public Base {
public:
    ~Recorder() override { this->terminate(true); }

    void diner_start() override { ++starts; }
    void diner_stop() override { ++stops; }
    void handle_event(waiter_event& e) override
    {
        {
            std::lock_guard<std::mutex> g(m);
            events.push_back(e.module_id);
            codes.push_back(e.code);
        }
        if (e.module_id == BLOCK) {
            entered.release();
            leave.acquire();
        }
        ++handled;
    }
    void handle_timeout(Timeout& t) override
    {
        ++timeouts;
        if (t.get_uid() == SLOW)
            Atime::delay(t.get_period() + 20);
    }

    std::vector<short> seen()
    {
        std::lock_guard<std::mutex> g(m);
        return events;
    }

    static constexpr short BLOCK = 2000;
    static constexpr int SLOW = 77;
    std::mutex m;
    std::vector<short> events;
    std::vector<intptr_t> codes;
    std::atomic<int> handled{0};
    std::atomic<int> timeouts{0};
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    QSemaphore entered;
    QSemaphore leave;
};

using Plain = Recorder<Diner>;
using Protected = Recorder<Diner_protection<Diner>>;

class Diners : public ::testing::Test {
protected:
    template <class D>
    void init(D& d, const char* name, bool anonymous = true)
    {
        d.init(mm, nullptr, Diner::Descriptor(name, 0), 30, 16384, false, anonymous);
    }
    module_man mm;
};

TEST_F(Diners, StartTwiceIsRefused)
{
    Protected d;
    init(d, "TWICE");
    EXPECT_EQ(d.get_state(), Diner::STOPPED);
    EXPECT_EQ(d.start(), 0);
    EXPECT_EQ(d.start(), -1);
    EXPECT_EQ(d.starts, 1);
    EXPECT_EQ(d.get_state(), Diner::RUNNING);
}

TEST_F(Diners, StartBeforeTheStopIsTakenIsRefused)
{
    Plain d;
    init(d, "STOPSTART");
    ASSERT_EQ(d.start(), 0);
    ASSERT_EQ(d.send_event(waiter_event(Plain::BLOCK, 0, 0)), 0);
    d.entered.acquire(); // the thread is busy in the handler
    EXPECT_EQ(d.stop(), 0);
    EXPECT_EQ(d.get_state(), Diner::STOPPING);
    EXPECT_EQ(d.start(), -1);
    EXPECT_EQ(d.stop(), -1);
    d.leave.release();
    ASSERT_TRUE(wait_until([&] { return d.get_state() == Diner::STOPPED; }));
    EXPECT_EQ(d.start(), 0);
    EXPECT_EQ(d.starts, 2);
    EXPECT_EQ(d.stops, 1);
}

TEST_F(Diners, TerminateOfANeverStartedDinerEndsItsThread)
{
    Protected d;
    init(d, "NEVER");
    d.terminate(true);
    EXPECT_EQ(d.get_state(), Diner::ENDED);
    EXPECT_TRUE(d.terminated());
    EXPECT_EQ(d.starts, 0);
}

TEST_F(Diners, TerminateOfARunningDinerEndsItsThread)
{
    Protected d;
    init(d, "RUNNING");
    d.start();
    d.send_event(waiter_event(1030, 0, 1));
    d.terminate(true);
    EXPECT_TRUE(d.terminated());
    EXPECT_EQ(d.stops, 1);
}

TEST_F(Diners, StopDropsTheTimeouts)
{
    Protected d;
    init(d, "DROP");
    d.start();
    Timeout t;
    t.set_period(50);
    ASSERT_EQ(d.submit_timeout(t, 3600 * 1000), 0);
    EXPECT_TRUE(t.submitted());
    ASSERT_EQ(d.stop(), 0);
    ASSERT_TRUE(wait_until([&] { return d.get_state() == Diner::STOPPED; }));
    EXPECT_FALSE(t.submitted());
    EXPECT_FALSE(t.in_tree());
    EXPECT_EQ(t.get_diner(), nullptr);
}

TEST_F(Diners, EventsArriveInOrderAndTimeoutsFire)
{
    Protected d;
    init(d, "ORDER", false);
    d.start();
    for (short id = 1030; id < 1040; ++id)
        ASSERT_EQ(d.send_event(waiter_event(id, 0, id)), 0);
    Timeout t;
    ASSERT_EQ(d.submit_timeout(t, 0), 0);
    ASSERT_TRUE(wait_until([&] { return d.handled == 10 && d.timeouts == 1; }));
    std::vector<short> want;
    for (short id = 1030; id < 1040; ++id)
        want.push_back(id);
    // Without anonymous delivery the wake-up of the submission never shows.
    EXPECT_EQ(d.seen(), want);
    EXPECT_FALSE(t.submitted());
}

TEST_F(Diners, AnonymousDeliveryShowsTheWakeUpOfASubmission)
{
    Protected d;
    init(d, "ANON", true);
    d.start();
    Timeout t;
    ASSERT_EQ(d.submit_timeout(t, 3600 * 1000), 0);
    ASSERT_TRUE(wait_until([&] { return d.handled == 1; }));
    EXPECT_EQ(d.seen(), std::vector<short>{1});
    d.remove_timeout(t);
}

TEST_F(Diners, ProtectedDinerBlocksOutsideCallersWhileAHandlerRuns)
{
    Protected d;
    init(d, "BLOCKS");
    d.start();
    ASSERT_EQ(d.send_event(waiter_event(Protected::BLOCK, 0, 0)), 0);
    d.entered.acquire();
    EXPECT_FALSE(d.is_locked());
    EXPECT_FALSE(d.lock(0));
    EXPECT_FALSE(d.lock(1));
    std::atomic<bool> got{false};
    std::thread caller([&] {
        Diner::Protection guard(d);
        EXPECT_TRUE(d.is_locked());
        got = true;
    });
    d.leave.release();
    caller.join();
    EXPECT_TRUE(got);
    EXPECT_TRUE(d.lock(0));
    d.unlock();
}

TEST_F(Diners, PeriodicTimeoutThatOverranAPeriodSkipsTheMissedOnes)
{
    // Driven by hand: no thread, the handler pass is called directly. The
    // handler takes longer than the period (at least period + 20 ms).
    Plain d;
    Timeout t;
    t.set_period(30);
    t.set_uid(Plain::SLOW);
    Atime start = Atime::now();
    ASSERT_EQ(d.submit_timeout(t, start - 20), 0);
    static_cast<Diner&>(d).handle_timeout();
    // Once, and the next run lies one period after the handler ended: the
    // pass ends instead of running the Timeout again and again.
    EXPECT_EQ(d.timeouts, 1);
    EXPECT_TRUE(t.submitted());
    EXPECT_GE(t.get_deadline(), start + 50 + 30);
    d.remove_timeout(t);
}

TEST_F(Diners, DescriptorKeepsNineCharacters)
{
    Diner::Descriptor d("ABCDEFGHIJKL", 3);
    EXPECT_STREQ(d.name, "ABCDEFGHI");
    Diner::Descriptor def;
    EXPECT_STREQ(def.name, "ANON_DNR");
    EXPECT_EQ(def.id, 0);
    EXPECT_TRUE(def == Diner::DESCRIPTOR_DEFAULT);
}

TEST_F(Diners, ThreadIsNamedAfterTheDescriptor)
{
    struct Namer : Diner_protection<Diner> {
        ~Namer() override { terminate(true); }
        void handle_event(waiter_event&) override
        {
            char buf[16] = {};
            pthread_getname_np(pthread_self(), buf, sizeof buf);
            std::lock_guard<std::mutex> g(m);
            name = buf;
        }
        void handle_timeout(Timeout&) override {}
        std::mutex m;
        std::string name;
    } d;
    d.init(mm, nullptr, Diner::Descriptor("NAMED", 1), 30, 0, false, true);
    d.start();
    d.send_event(waiter_event(1030, 0, 0));
    ASSERT_TRUE(wait_until([&] {
        std::lock_guard<std::mutex> g(d.m);
        return !d.name.empty();
    }));
    EXPECT_EQ(d.name, "kor.NAMED");
}

class Ticker : public Tim_diner<Diner> {
public:
    void handle_event(waiter_event&) override {}
    void handle_timeout(const Tim* t) override { order.push_back(t); }
    void arm(Tim& t, const Atime& when) { arm_tim(t, when); }
    void cancel(Tim& t) { cancel_tim(t); }
    std::vector<const Tim*> order;
};

TEST(TimDiner, RunsDueRecordsInDeadlineOrder)
{
    Ticker d;
    Tim a, b, c, later;
    Atime now = Atime::now();
    d.arm(b, now - 5);
    d.arm(a, now - 10);
    d.arm(c, now - 1);
    d.arm(later, Atime::from_now(60000));
    Atime next;
    ASSERT_EQ(d.next_timeout(next), 0);
    EXPECT_EQ(next, a.deadline);
    static_cast<Diner&>(d).handle_timeout();
    EXPECT_EQ(d.order, (std::vector<const Tim*>{&a, &b, &c}));
    ASSERT_EQ(d.next_timeout(next), 0);
    EXPECT_EQ(next, later.deadline);
    d.cancel(later);
    EXPECT_EQ(d.next_timeout(next), -1);
}

void destroy_unterminated_diner()
{
    module_man mm;
    struct Careless : Diner {
        void handle_event(waiter_event&) override {}
        void handle_timeout(Timeout&) override {}
    } d;
    d.init(mm, nullptr, Diner::Descriptor("CARELESS", 0), 30, 0, false, true);
}

void init_twice()
{
    static module_man mm;
    static Plain d;
    d.init(mm, nullptr, Diner::Descriptor("TWICE", 0), 30, 0, false, true);
    d.init(mm, nullptr, Diner::Descriptor("TWICE", 0), 30, 0, false, true);
}

void timeout_to_tim_diner()
{
    Ticker d;
    Timeout t;
    static_cast<Diner&>(d).handle_timeout(t);
}

TEST(DinerDeath, FatalEndings)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(destroy_unterminated_diner(), "Need to call terminate");
    EXPECT_EXIT(init_twice(), ::testing::ExitedWithCode(-139 & 0xff), "Init called with valid task");
    EXPECT_DEATH(timeout_to_tim_diner(), "Tim_diner::handle_timeout WHY");
}

// Selector ------------------------------------------------------------------

// The most derived class ends the thread itself, before its handlers and
// the lock of its bases are taken apart under the running thread.
class Selectable : public Recorder<Diner_protection<Diner>> {
public:
    ~Selectable() override { terminate(true); }
};

TEST(DinerSelector, KeepsOneDinerRunning)
{
    module_man mm;
    Diner_selector sel;
    Selectable a, b;
    a.init(mm, &sel, Diner::Descriptor("BBB", 1), 30, 0, false, true);
    b.init(mm, &sel, Diner::Descriptor("AAA", 1), 30, 0, false, true);
    ASSERT_EQ(sel.num_diners(), 2);
    // Same id: ordered by name.
    EXPECT_EQ(sel[0], &b);
    EXPECT_EQ(sel[1], &a);
    Diner::Descriptor out[4];
    ASSERT_EQ(sel.get_descriptors(out, 4), 2);
    EXPECT_STREQ(out[0].name, "AAA");

    EXPECT_EQ(sel.select_diner(0), 0);
    EXPECT_EQ(sel.get_selected(), &b);
    EXPECT_EQ(b.get_state(), Diner::RUNNING);
    EXPECT_EQ(sel.select_diner(0), 0); // already selected: nothing changes
    EXPECT_EQ(b.starts, 1);
    EXPECT_EQ(sel.select_diner(5), -1);
    EXPECT_EQ(sel.get_selected(), &b);

    EXPECT_EQ(sel.select_diner(Diner::Descriptor("BBB", 1)), 0);
    EXPECT_EQ(sel.get_selected(), &a);
    EXPECT_EQ(b.stops, 1);
    EXPECT_EQ(sel.select_diner(Diner::Descriptor("CCC", 1)), -1);

    // A Diner that leaves is never left selected.
    a.set_selector(nullptr);
    EXPECT_EQ(sel.get_selected(), nullptr);
    EXPECT_EQ(sel.num_diners(), 1);
}

TEST(DinerSelector, DinersMayOutliveTheirSelector)
{
    module_man mm;
    Selectable a;
    {
        Diner_selector sel;
        a.init(mm, &sel, Diner::Descriptor("OUTLIVE", 1), 30, 0, false, true);
        EXPECT_EQ(a.get_selector(), &sel);
    }
    EXPECT_EQ(a.get_selector(), nullptr);
}

} // namespace

namespace {

// Stress ---------------------------------------------------------------------

// Bounces every event back to its peer until the count runs out; outside
// threads add events of their own.
class Bouncer : public Diner_protection<Diner> {
public:
    ~Bouncer() override { terminate(true); }
    void handle_event(waiter_event& e) override
    {
        if (e.module_id == BALL) {
            ++balls;
            if (e.data > 0) {
                waiter_event back(BALL, e.data - 1, e.code);
                while (peer->send_event(back) != 0)
                    std::this_thread::yield();
            } else {
                ++finished;
            }
        } else if (e.module_id == EXTRA) {
            ++extras;
        }
    }
    void handle_timeout(Timeout&) override { ++timeouts; }

    static constexpr short BALL = 3000;
    static constexpr short EXTRA = 3001;
    Bouncer* peer = nullptr;
    std::atomic<int> balls{0}, extras{0}, finished{0}, timeouts{0};
};

TEST(DinerStress, TwoDinersAndOutsideSendersLoseNothing)
{
    module_man mm;
    Bouncer a, b;
    a.init(mm, nullptr, Diner::Descriptor("PING", 0), 30, 0, false, false);
    b.init(mm, nullptr, Diner::Descriptor("PONG", 0), 30, 0, false, false);
    a.peer = &b;
    b.peer = &a;
    a.start();
    b.start();

    constexpr int BALLS = 20;
    constexpr int BOUNCES = 500;
    constexpr int SENDERS = 3;
    constexpr int EXTRAS = 2000;
    for (int i = 0; i < BALLS; ++i)
        ASSERT_EQ(a.send_event(waiter_event(Bouncer::BALL, BOUNCES, i)), 0);

    // The outside senders keep at most 200 of their events in flight, so
    // that the bouncers, which must not drop a ball, are never refused.
    std::vector<std::thread> senders;
    std::vector<Timeout> timeouts(SENDERS);
    std::atomic<int> sent{0};
    for (int s = 0; s < SENDERS; ++s) {
        senders.emplace_back([&, s] {
            Bouncer& to = s % 2 ? a : b;
            for (int i = 0; i < EXTRAS; ++i) {
                while (sent - (a.extras + b.extras) >= 200)
                    std::this_thread::yield();
                ++sent;
                ASSERT_EQ(to.send_event(waiter_event(Bouncer::EXTRA, 0, i)), 0);
                if (i % 100 == 0)
                    to.submit_timeout(timeouts[s], 0); // from outside, moving it
            }
        });
    }
    for (auto& t : senders)
        t.join();
    ASSERT_TRUE(wait_until([&] {
        return a.finished + b.finished == BALLS && a.extras + b.extras == SENDERS * EXTRAS;
    }));
    EXPECT_EQ(a.balls + b.balls, BALLS * (BOUNCES + 1));
    a.terminate(true);
    b.terminate(true);
    EXPECT_EQ(mm.num_free_events(), module_man::POOL_SIZE);
}

// More fatal endings ----------------------------------------------------------

void terminate_a_diner_locked_elsewhere()
{
    static module_man mm;
    static Protected d;
    d.init(mm, nullptr, Diner::Descriptor("LOCKED", 0), 30, 0, false, true);
    QSemaphore held;
    std::thread([&] {
        d.lock(-1);
        held.release();
        for (;;)
            Atime::delay(1000);
    }).detach();
    held.acquire();
    d.terminate(true);
}

void terminate_a_diner_whose_handler_never_returns()
{
    static module_man mm;
    static Plain d;
    d.init(mm, nullptr, Diner::Descriptor("STUCK", 0), 30, 0, false, true);
    d.start();
    d.send_event(waiter_event(Plain::BLOCK, 0, 0));
    d.entered.acquire();
    d.terminate(true);
}

void lock_a_mutex_held_for_ever()
{
    static Mutex m;
    QSemaphore held;
    std::thread([&] {
        m.lock();
        held.release();
        for (;;)
            Atime::delay(1000);
    }).detach();
    held.acquire();
    m.lock();
}

// A handler that ends the process (a fatal check inside it, say) exits on its
// Diner's own thread: the exit path ends the other Diners but cannot wait for
// the one it runs on, and the process ends with the code that was asked for.
template <class Base>
class Exiting : public Base {
public:
    ~Exiting() override { this->terminate(true); }
    void handle_event(waiter_event& e) override
    {
        if (e.module_id == EXIT)
            std::exit(int(e.code));
    }
    void handle_timeout(Timeout&) override {}
    static constexpr short EXIT = 2100;
};

template <class D>
void exit_from_a_handler()
{
    module_man mm;
    // Static, as a program's modules are: their destructors run at exit too.
    static D other;
    static D exiting;
    other.init(mm, nullptr, Diner::Descriptor("OTHER", 0), 30, 0, false, true);
    exiting.init(mm, nullptr, Diner::Descriptor("EXITING", 0), 30, 0, false, true);
    other.start();
    exiting.start();
    exiting.send_event(waiter_event(D::EXIT, 0, 42));
    for (int i = 0; i < 100; ++i)
        Atime::delay(100);
    std::fprintf(stderr, "the handler did not end the process\n");
    std::abort();
}

TEST(DinerDeath, ExitFromAHandlerEndsWithItsCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exit_from_a_handler<Exiting<Diner>>(), ::testing::ExitedWithCode(42), "");
    EXPECT_EXIT(exit_from_a_handler<Exiting<Diner_protection<Diner>>>(), ::testing::ExitedWithCode(42),
                "");
}

TEST(DinerDeath, StuckDinersAndLocksEndTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(terminate_a_diner_locked_elsewhere(), "No terminate, are we locked");
    EXPECT_DEATH(terminate_a_diner_whose_handler_never_returns(),
                 "No terminate, did we call delete ourself");
    EXPECT_DEATH(lock_a_mutex_held_for_ever(), "Deadlock assumed .* 20 ");
}

} // namespace
