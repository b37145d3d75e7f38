// The implement's TC client on its own thread's work: routing one process-data
// command to its variable among the whole implement's, the default-data
// request over all of them, and encode / decode of one value.
#include "apps/sowvane/tc/TC_interface.h"
#include "tc_client/TC_DOM_xerces_spec_man.h"
#include "tests/support/item_id_scope.h"
#include "tests/support/tc_client_harness.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

struct Implement {
    Implement()
    {
        params.system.tc_enabled.set(true);
        TC::DOM_xerces_spec_man reader(&pool);
        reader.init(nullptr);
        reader.load((std::string(SOWVANE_SOURCE_DIR) + "/data/tcspec/tc_pool.xml").c_str());
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
    waiter_event command(TC::Object_pool::pd_event_kind_t kind, unsigned short element,
                         TC::ddi_t ddi, int value)
    {
        return waiter_event(short(pool.get_first_pd_event_id() - kind),
                            uint32_t(element) | uint32_t(ddi) << 16, value);
    }

    Item_id_scope ids{1};
    module_man mm;
    NV_kelsu::parameters_t params{&mm, 0, "PS"};
    Data_store store{&mm};
    test_support::Recording_pool pool{&mm};
    std::unique_ptr<TC_interface> tci = std::make_unique<TC_interface>(&mm, store);
};

void BM_TcSetValueToChannelRate(benchmark::State& state)
{
    Implement imp;
    int v = 0;
    for (auto _ : state) {
        waiter_event e = imp.command(TC::Object_pool::PD_SET_VALUE, 105, 6, ++v);
        imp.tci->handle_event(e);
        imp.tci->get_waiter().flush_events();
    }
}
BENCHMARK(BM_TcSetValueToChannelRate);

void BM_TcDefaultDataRequest(benchmark::State& state)
{
    Implement imp;
    for (auto _ : state) {
        waiter_event e = imp.command(TC::Object_pool::PD_REQUEST_VALUE, 0, 0xDFFF, 0);
        imp.tci->handle_event(e);
        benchmark::DoNotOptimize(imp.pool.take());
    }
    state.counters["variables"] = imp.tci->pd_count();
}
BENCHMARK(BM_TcDefaultDataRequest)->Unit(benchmark::kMicrosecond);

} // namespace
