#include "platform/rtos/Task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <pthread.h>

namespace {

struct Probe {
    Task* task = nullptr;
    std::atomic<int> passes{0};
    char name[16] = {};
};

void* gated_entry(void* arg)
{
    auto* probe = static_cast<Probe*>(arg);
    pthread_getname_np(pthread_self(), probe->name, sizeof probe->name);
    probe->task->wait_gate();
    probe->passes++;
    return nullptr;
}

} // namespace

TEST(Task, ThreadIsNamedAndWaitsAtTheGate)
{
    Probe probe;
    {
        Task task("STK0", 6144, false, 0);
        task.set_name("kor.STK0");
        probe.task = &task;
        ASSERT_EQ(0, task.start(32, &gated_entry, &probe));
        EXPECT_EQ(-1, task.start(32, &gated_entry, &probe)) << "a task starts once";
        task.open_gate();
    } // the destructor joins the thread
    EXPECT_EQ(1, probe.passes.load());
    EXPECT_STREQ("kor.STK0", probe.name);
}

// Opening an open gate adds no second pass: after one wait the gate is shut.
TEST(Task, GateHoldsAtMostOnePass)
{
    struct Gate : TaskImp {
        Gate() : TaskImp("GATE", 0, false, 0) {}
        bool is_open()
        {
            std::lock_guard<std::mutex> g(mutex_);
            return gate_open_;
        }
    } gate;
    EXPECT_FALSE(gate.is_open());
    gate.open_gate();
    gate.open_gate();
    EXPECT_TRUE(gate.is_open());
    gate.wait_gate(); // the one pass
    EXPECT_FALSE(gate.is_open()) << "a second open gave a second pass";
    gate.open_gate();
    gate.wait_gate();
    EXPECT_FALSE(gate.is_open());
}

TEST(Task, LongNamesAreCutToTheLinuxLimit)
{
    Probe probe;
    {
        Task task("X", 0, false, 0);
        task.set_name("kor.ABCDEFGHIJKLMNOP");
        probe.task = &task;
        ASSERT_EQ(0, task.start(99, &gated_entry, &probe));
        task.open_gate();
    }
    EXPECT_STREQ("kor.ABCDEFGHIJK", probe.name);
}
