// Start-up cost of the application's data model: building the live data
// store with its lookup tree "data_store" and building the parameter tree
// "PS" (time and heap), and saving and loading the whole "PS" tree with every
// setting away from its default.

#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/data_store/data_store_lookup.h"
#include "apps/sowvane/params/parameters.h"
#include "glue/NV_store/NV_iterator.h"
#include "glue/diner/module_man.h"
#include "tests/support/nv_tree_walk.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

size_t heap_in_use() { return mallinfo2().uordblks; }

void BM_build_data_store_and_lookup(benchmark::State& state)
{
    module_man mm;
    double heap = 0;
    for (auto _ : state) {
        const size_t before = heap_in_use();
        auto store = std::make_unique<Data_store>(&mm);
        auto lookup = std::make_unique<CDS::Lookup_data_store_body>(store->head, store->body);
        heap = double(heap_in_use() - before);
        benchmark::DoNotOptimize(lookup.get());
        state.PauseTiming();
        lookup.reset();
        store.reset();
        // Keep the process-wide item ids from running out over many rounds.
        Data_item::lookup_max_id = 1;
        state.ResumeTiming();
    }
    state.counters["heap_bytes"] = heap;
    state.counters["store_bytes"] = double(sizeof(Data_store));
    state.counters["lookup_bytes"] = double(sizeof(CDS::Lookup_data_store_body));
}
BENCHMARK(BM_build_data_store_and_lookup)->Unit(benchmark::kMicrosecond);

void BM_build_parameter_tree(benchmark::State& state)
{
    module_man mm;
    double heap = 0;
    for (auto _ : state) {
        const size_t before = heap_in_use();
        auto ps = std::make_unique<NV_kelsu::parameters_t>(&mm, 0, "PS");
        heap = double(heap_in_use() - before);
        benchmark::DoNotOptimize(ps.get());
        state.PauseTiming();
        ps.reset();
        Data_item::lookup_max_id = 1;
        state.ResumeTiming();
    }
    state.counters["heap_bytes"] = heap;
    state.counters["tree_bytes"] = double(sizeof(NV_kelsu::parameters_t));
}
BENCHMARK(BM_build_parameter_tree)->Unit(benchmark::kMicrosecond);

const char* const bench_file = "/tmp/sowvane_bench_params";

bool save(NV_kelsu::parameters_t& ps)
{
    NV_store::NV_file_iterator file(bench_file);
    file.set_mode(NV_store::NV_iterator::MODE_WRITE);
    const bool ok = ps.serialise(&file);
    file.set_mode(NV_store::NV_iterator::MODE_CLOSED);
    return ok;
}

void BM_save_parameter_tree(benchmark::State& state)
{
    module_man mm;
    auto ps = std::make_unique<NV_kelsu::parameters_t>(&mm, 0, "PS");
    state.counters["settings"] = double(nv_tree_walk::change_every_leaf(*ps));
    for (auto _ : state)
        benchmark::DoNotOptimize(save(*ps));
    std::remove(bench_file);
}
BENCHMARK(BM_save_parameter_tree)->Unit(benchmark::kMicrosecond);

void BM_load_parameter_tree(benchmark::State& state)
{
    module_man mm;
    auto ps = std::make_unique<NV_kelsu::parameters_t>(&mm, 0, "PS");
    state.counters["settings"] = double(nv_tree_walk::change_every_leaf(*ps));
    save(*ps);
    auto loaded = std::make_unique<NV_kelsu::parameters_t>(&mm, 0, "PS");
    for (auto _ : state) {
        NV_store::NV_file_iterator file(bench_file);
        file.set_mode(NV_store::NV_iterator::MODE_READ);
        benchmark::DoNotOptimize(loaded->deserialise(&file));
        file.set_mode(NV_store::NV_iterator::MODE_CLOSED);
    }
    std::remove(bench_file);
}
BENCHMARK(BM_load_parameter_tree)->Unit(benchmark::kMicrosecond);

}  // namespace
