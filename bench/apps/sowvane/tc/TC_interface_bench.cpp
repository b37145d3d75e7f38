// The implement's TC client: one process-data command routed to its variable
// among all of the implement's, and the default-data request over all of them.
#include "tests/support/tc_implement.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct Implement : test_support::Tc_implement {
    Implement()
    {
        params.system.tc_enabled.set(true);
        load();
        // The build's report lines are not part of the figures.
        std::fflush(stdout);
        int saved = ::dup(1);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        tci->init(&pool, &params, false);
        std::fflush(stdout);
        ::dup2(saved, 1);
        ::close(null);
        ::close(saved);
    }
};

void BM_TcSetValueToChannelRate(benchmark::State& state)
{
    Implement imp;
    int v = 0;
    for (auto _ : state) {
        waiter_event e = imp.command_event(TC::Object_pool::PD_SET_VALUE, 105, 6, ++v);
        imp.tci->handle_event(e);
        imp.tci->get_waiter().flush_events();
    }
}
BENCHMARK(BM_TcSetValueToChannelRate);

void BM_TcDefaultDataRequest(benchmark::State& state)
{
    Implement imp;
    for (auto _ : state) {
        waiter_event e = imp.command_event(TC::Object_pool::PD_REQUEST_VALUE, 0, 0xDFFF, 0);
        imp.tci->handle_event(e);
        benchmark::DoNotOptimize(imp.pool.take());
    }
    state.counters["variables"] = imp.tci->pd_count();
}
BENCHMARK(BM_TcDefaultDataRequest)->Unit(benchmark::kMicrosecond);

} // namespace
