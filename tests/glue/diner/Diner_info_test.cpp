#include "glue/diner/Buffered_logger.h"
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_info.h"
#include "glue/diner/Diner_protection.h"
#include "util/Debug_print.h"

#include "tests/support/wait_until.h"

#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <QSemaphore>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

using test_support::wait_until;

namespace {

struct Quiet : Diner_protection<Diner> {
    ~Quiet() override { terminate(true); }
    void handle_event(waiter_event&) override {}
    void handle_timeout(Timeout&) override {}
};

class DebugCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = test_support::temp_path("diner_info_test_") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
        Debug_print::set_debug_file(path_.c_str());
    }
    void TearDown() override
    {
        Debug_print::set_debug_file(nullptr);
        std::remove(path_.c_str());
    }
    std::string written()
    {
        std::fflush(Debug_print::get_debug_file());
        std::ifstream in(path_);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string path_;
    module_man mm;
};

TEST_F(DebugCapture, StatusLinesNameEveryDiner)
{
    Quiet a, b;
    a.init(mm, nullptr, Diner::Descriptor("ALPHA", 0), 30, 0, false, true);
    b.init(mm, nullptr, Diner::Descriptor("BETA", 0), 30, 0, false, true);
    a.start();
    Diner_info_list::get()->print(true, false);
    std::string out = written();
    EXPECT_NE(out.find("Id      Name State Run   EventCnt ToutCnt Checkpoint"), std::string::npos);
    EXPECT_NE(out.find("    ALPHA "), std::string::npos) << out;
    EXPECT_NE(out.find("     BETA  Stop-0 Idl"), std::string::npos) << out;
    EXPECT_NE(out.find("Diner.cpp:"), std::string::npos) << out;
    EXPECT_EQ(out.find("/Diner.cpp"), std::string::npos) << out;

    Diner_info_list::get()->test_lock();
    out = written();
    EXPECT_NE(out.find("Testing     ALPHA.. Ok"), std::string::npos) << out;
    EXPECT_NE(out.find("Testing      BETA.. Ok"), std::string::npos) << out;
}

TEST_F(DebugCapture, EventTraceFollowsTheDebugLevel)
{
    Quiet a;
    a.init(mm, nullptr, Diner::Descriptor("TRACE", 0), 30, 0, false, true);
    a.start();
    a.get_info().set_debug_level(10);
    a.send_event(waiter_event(1500, 0, 9));
    ASSERT_TRUE(wait_until([&] { return a.get_info().event_count() == 1; }));
    EXPECT_NE(written().find("Evt{TRACE,1500,9}"), std::string::npos);
}

TEST(DinerInfoList, TerminatingAllEndsEveryListedDiner)
{
    module_man mm;
    auto a = std::make_unique<Quiet>();
    auto b = std::make_unique<Quiet>();
    a->init(mm, nullptr, Diner::Descriptor("EXIT_A", 0), 30, 0, false, true);
    b->init(mm, nullptr, Diner::Descriptor("EXIT_B", 0), 30, 0, false, true);
    a->start();
    Diner_info_list::get()->terminate_all();
    EXPECT_TRUE(a->terminated());
    EXPECT_TRUE(b->terminated());
    EXPECT_EQ(Diner_info_list::get()->count(), 0);
}

TEST(DinerInfoList, LockTestsWhileDinersEndDoNotDeadlock)
{
    // Diner threads leave the list while another thread walks it and takes
    // their locks: the lock order keeps the two apart.
    module_man mm;
    std::atomic<bool> done{false};
    std::string path = test_support::temp_path("lock_order_test.txt");
    Debug_print::set_debug_file(path.c_str());
    std::thread tester([&] {
        while (!done)
            Diner_info_list::get()->test_lock();
    });
    for (int i = 0; i < 30; ++i) {
        Quiet d;
        d.init(mm, nullptr, Diner::Descriptor("CHURN", i), 30, 0, false, true);
        if (i % 2)
            d.start();
        d.terminate(true);
    }
    done = true;
    tester.join();
    Debug_print::set_debug_file(nullptr);
    std::remove(path.c_str());
    EXPECT_EQ(Diner_info_list::get()->count(), 0);
}

// Starts a child Diner from inside its handler, while holding its own lock.
struct Parent : Diner_protection<Diner> {
    ~Parent() override { terminate(true); }
    void handle_event(waiter_event&) override
    {
        entered.release();
        leave.acquire();
        child.init(*get_module_man(), nullptr, Diner::Descriptor("CHILD", 0), 30, 0, false, true);
    }
    void handle_timeout(Timeout&) override {}
    Quiet child;
    QSemaphore entered, leave;
};

TEST_F(DebugCapture, LockTestWaitingForABusyDinerDoesNotBlockTheList)
{
    // The lock test waits for the parent's lock while the parent's handler,
    // holding that lock, adds its child to the list.
    auto parent = std::make_unique<Parent>();
    parent->init(mm, nullptr, Diner::Descriptor("PARENT", 0), 30, 0, false, true);
    parent->start();
    parent->send_event(waiter_event(1500, 0, 0));
    parent->entered.acquire();
    std::thread tester([] { Diner_info_list::get()->test_lock(); });
    ASSERT_TRUE(wait_until([&] { return written().find("Testing    PARENT") != std::string::npos; }));
    parent->leave.release();
    tester.join();
    EXPECT_NE(written().find("Testing    PARENT.. Ok"), std::string::npos);
    ASSERT_TRUE(wait_until([&] { return parent->child.get_state() == Diner::STOPPED; }));
    parent->child.terminate(true);
}

// Logger ---------------------------------------------------------------------

TEST_F(DebugCapture, LoggerKeepsWhatFitsAndReportsTheRest)
{
    // Not started: the test drains the ring by hand.
    Buffered_logger logger;
    std::string text(Buffered_logger::RING_SIZE + 100, 'a');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = char('a' + i % 26);
    logger.append(text.c_str());
    EXPECT_EQ(written(), "**100 CHARS DROPPED**");
    waiter_event e;
    logger.handle_event(e);
    EXPECT_EQ(written(), "**100 CHARS DROPPED**" + text.substr(0, Buffered_logger::RING_SIZE));
    logger.append("tail");
    logger.handle_event(e);
    EXPECT_EQ(written().substr(written().size() - 4), "tail");
}

TEST_F(DebugCapture, LoggerWritesOnItsOwnThread)
{
    Buffered_logger logger;
    logger.init(mm);
    Buffered_logger::log("hello from a caller\n");
    ASSERT_TRUE(wait_until([&] { return written().find("hello from a caller\n") != std::string::npos; }));
}

// Once the logger is gone, log() has no instance to write to: the text goes
// nowhere (and nothing touches the destroyed logger).
TEST_F(DebugCapture, LogAfterTheLoggerIsGoneWritesNothing)
{
    {
        Buffered_logger logger;
        logger.init(mm);
        Buffered_logger::log("while it runs\n");
        ASSERT_TRUE(wait_until([&] { return written().find("while it runs\n") != std::string::npos; }));
    }
    const std::string before = written();
    Buffered_logger::log("nobody listens");
    Buffered_logger idle; // never started: not the instance log() writes to
    waiter_event e;
    idle.handle_event(e);
    EXPECT_EQ(written(), before);
}

} // namespace
