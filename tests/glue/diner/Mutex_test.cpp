#include "glue/diner/Mutex.h"

#include "util/Debug_base.h"
#include "util/Debug_print.h"

#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <QSemaphore>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string read_file(const std::string& path)
{
    std::fflush(Debug_print::get_debug_file());
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(Mutex, StatusTellsFreeMineAndOthers)
{
    Mutex m;
    EXPECT_EQ(m.status(Mutex::ANY), Mutex::FREE);
    m.lock();
    EXPECT_EQ(m.status(Mutex::MINE), Mutex::MINE);
    int seen = -1;
    bool got = true;
    std::thread other([&] {
        seen = m.status(Mutex::ANY);
        got = m.try_lock();
    });
    other.join();
    EXPECT_EQ(seen, Mutex::OTHERS);
    EXPECT_FALSE(got);
    m.unlock();
    EXPECT_TRUE(m.try_lock(0));
    m.unlock();
}

TEST(Mutex, LongWaitIsReportedAndThenAvoided)
{
    // The holder lets go only once the waiter has reported a suspected
    // deadlock, so the test needs no timing.
    std::string path = test_support::temp_path("mutex_deadlock_test.txt");
    Debug_print::set_debug_file(path.c_str());
    Mutex m;
    QSemaphore held;
    std::thread holder([&] {
        m.lock();
        held.release();
        while (read_file(path).find("Deadlock assumed") == std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        m.unlock();
    });
    held.acquire();
    m.lock();
    EXPECT_EQ(m.status(Mutex::ANY), Mutex::MINE);
    m.unlock();
    holder.join();
    std::string out = read_file(path);
    Debug_print::set_debug_file(nullptr);
    std::remove(path.c_str());
    EXPECT_NE(out.find("Deadlock assumed"), std::string::npos) << out;
    EXPECT_NE(out.find(" 0 (owner "), std::string::npos) << out;
    EXPECT_NE(out.find("Deadlock avoided"), std::string::npos) << out;
}

TEST(Mutex, ProtectionHoldsForItsScope)
{
    Mutex m;
    {
        Mutex::Protection guard(&m);
        EXPECT_EQ(m.status(Mutex::ANY), Mutex::MINE);
    }
    EXPECT_EQ(m.status(Mutex::ANY), Mutex::FREE);
}

TEST(MutexDeath, BadStatusAbortsUnlessFiltered)
{
    EXPECT_DEATH(
        {
            Mutex m;
            m.status(Mutex::MINE);
        },
        "Bad mutex status: 0, wanted: 1");
    JDB::add_filter(_JDB::MUTEX_NO_ABORT);
    Mutex m;
    EXPECT_EQ(m.status(Mutex::MINE), Mutex::FREE);
    JDB::set_filters("00");
}

} // namespace
