// Allocations and frees per second from one memory space, against the
// process heap, with 1 and 4 threads.
#include "util/Mspace.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

alignas(16) unsigned char bench_region[1 << 20];
Mspace& bench_space()
{
    static Mspace space(bench_region, sizeof bench_region, "bench");
    return space;
}

// Each iteration allocates a mixed batch of CAN-like sizes (9..1785 bytes)
// and frees it in a different order: 32 allocations and 32 frees.
constexpr int BATCH = 32;

size_t size_for(int i)
{
    static const size_t sizes[] = {9, 16, 24, 64, 100, 223, 512, 1785};
    return sizes[i % 8];
}

template <class Alloc, class Free>
void run_batches(benchmark::State& state, Alloc alloc, Free release)
{
    void* blocks[BATCH];
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i) {
            blocks[i] = alloc(size_for(i + state.thread_index()));
            benchmark::DoNotOptimize(blocks[i]);
        }
        for (int i = 0; i < BATCH; i += 2) {
            release(blocks[i]);
        }
        for (int i = 1; i < BATCH; i += 2) {
            release(blocks[i]);
        }
    }
    state.SetItemsProcessed(state.iterations() * BATCH * 2);
}

void BM_Mspace_alloc_free(benchmark::State& state)
{
    Mspace& space = bench_space();
    run_batches(
        state, [&](size_t n) { return space.malloc(static_cast<uint32_t>(n)); },
        [&](void* p) { space.free(p); });
}

void BM_Heap_alloc_free(benchmark::State& state)
{
    run_batches(
        state, [](size_t n) { return std::malloc(n); }, [](void* p) { std::free(p); });
}

} // namespace

BENCHMARK(BM_Mspace_alloc_free)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_Heap_alloc_free)->Threads(1)->Threads(4)->UseRealTime();
