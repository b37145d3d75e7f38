// Bytes per second through a loop-back stream pair: one thread writes, the
// other reads and drops, in blocks of the given size.
#include "glue/data_stream/Virtual_pair_data_stream.h"
#include "glue/diner/module_man.h"

#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

namespace {

void BM_Virtual_pair_throughput(benchmark::State& state)
{
    const unsigned block = static_cast<unsigned>(state.range(0));
    constexpr unsigned TOTAL = 1 << 20; // bytes per iteration
    module_man mm;
    Virtual_pair_data_stream pair(&mm);
    std::vector<unsigned char> data(block, 0x5A);
    for (auto _ : state) {
        std::thread writer([&] {
            for (unsigned sent = 0; sent < TOTAL; sent += block) {
                pair.a().__write(data.data(), block);
            }
        });
        unsigned got = 0;
        while (got < TOTAL) {
            unsigned n = block < TOTAL - got ? block : TOTAL - got;
            if (!pair.b().bytes_avail(n)) {
                state.SkipWithError("read timed out");
                break;
            }
            pair.b().drop(n);
            got += n;
        }
        writer.join();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * TOTAL);
}

} // namespace

BENCHMARK(BM_Virtual_pair_throughput)->Arg(16)->Arg(128)->Arg(1024)->UseRealTime()->Unit(benchmark::kMillisecond);
