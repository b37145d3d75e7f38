// Events between two Diners: throughput, and latency from the send to the
// start of the receiving handler.
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"

#include <benchmark/benchmark.h>

#include <QSemaphore>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

constexpr short GO = 2001;     // to the sender: send a burst (data = count)
constexpr short ITEM = 2002;   // to the receiver: one item
constexpr short STAMP = 2003;  // to the sender: send one stamped item
constexpr short STAMPED = 2004;

int64_t now_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class Receiver : public Diner_protection<Diner> {
public:
    ~Receiver() override { terminate(true); }
    void handle_event(waiter_event& e) override
    {
        if (e.module_id == ITEM) {
            if (++received == expected)
                done.release();
        } else if (e.module_id == STAMPED) {
            latencies.push_back(now_ns() - int64_t(e.code));
            done.release();
        }
    }
    void handle_timeout(Timeout&) override {}

    int64_t expected = 0;
    int64_t received = 0;
    std::vector<int64_t> latencies;
    QSemaphore done;
};

class Sender : public Diner_protection<Diner> {
public:
    ~Sender() override { terminate(true); }
    void handle_event(waiter_event& e) override
    {
        if (e.module_id == GO) {
            waiter_event item(ITEM, 0, 0);
            for (uint32_t i = 0; i < e.data; ++i) {
                item.data = i;
                // A full pool refuses: let the receiver catch up.
                while (to->send_event(item) != 0)
                    std::this_thread::yield();
            }
        } else if (e.module_id == STAMP) {
            to->send_event(waiter_event(STAMPED, 0, intptr_t(now_ns())));
        }
    }
    void handle_timeout(Timeout&) override {}

    Receiver* to = nullptr;
};

struct Pair {
    module_man mm;
    Receiver rx;
    Sender tx;
    Pair()
    {
        rx.init(mm, nullptr, Diner::Descriptor("BRX", 0), 30, 0, false, false);
        tx.init(mm, nullptr, Diner::Descriptor("BTX", 0), 30, 0, false, false);
        tx.to = &rx;
        rx.start();
        tx.start();
    }
};

void BM_EventsBetweenTwoDiners(benchmark::State& state)
{
    Pair p;
    const int64_t burst = state.range(0);
    int64_t total = 0;
    for (auto _ : state) {
        {
            Diner::Protection guard(p.rx);
            p.rx.expected = p.rx.received + burst;
        }
        p.tx.send_event(waiter_event(GO, uint32_t(burst), 0));
        p.rx.done.acquire();
        total += burst;
    }
    state.SetItemsProcessed(total);
}
BENCHMARK(BM_EventsBetweenTwoDiners)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_SendToHandlerLatency(benchmark::State& state)
{
    Pair p;
    p.rx.latencies.reserve(1 << 20);
    for (auto _ : state) {
        p.tx.send_event(waiter_event(STAMP, 0, 0));
        p.rx.done.acquire();
    }
    std::vector<int64_t> l;
    {
        Diner::Protection guard(p.rx);
        l = p.rx.latencies;
    }
    if (l.empty())
        return;
    std::sort(l.begin(), l.end());
    state.counters["median_us"] = double(l[l.size() / 2]) / 1000.0;
    state.counters["p99_us"] = double(l[std::min(l.size() - 1, l.size() * 99 / 100)]) / 1000.0;
    state.counters["samples"] = double(l.size());
}
BENCHMARK(BM_SendToHandlerLatency)->Iterations(20000)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

namespace {

// A module's timer armed and cancelled from another thread, as the stack and
// the screens do for each transfer and each key: the cost of the Diner's
// lock, its timeout lock and the wake-up of its thread.
void BM_TimeoutSubmitAndRemove(benchmark::State& state)
{
    module_man mm;
    Receiver d;
    d.init(mm, nullptr, Diner::Descriptor("TIMBENCH", 0), 30, 0, false, false);
    d.start();
    Timeout t;
    for (auto _ : state) {
        d.submit_timeout(t, 60000);
        d.remove_timeout(t);
    }
}
BENCHMARK(BM_TimeoutSubmitAndRemove)->Unit(benchmark::kNanosecond);

} // namespace
