// The working set's pool upload of about 80 kB through the CAN hub to the
// project's terminal side: the time against the pure bus time of the same
// frames at 250 kbit/s (bus_share, the aim is below 1.1), and the CPU time of
// this process per uploaded kB.
#ifdef SOWVANE_BENCH_HAS_TEST_SUPPORT

#include "bench/Hub_launcher.h"

#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"

#include "can/JIN_smart_stack.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "tests/support/vt_object_model/Bus_vt.h"
#include "tests/platform/vt/Vt_test_images.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

namespace {

const JIN_name::RAWNAME OUR_NAME(J1939::IND_CODE_AG_OR_FORESTRY, 0, J1939::DEV_CODE_PLANTER,
                                 J1939::FUNC_CODE_PLANTER_SEED_RATE_CONTROL, 0, 0,
                                 J1939::MAN_CODE_VORMEK_POSITIONING_SYSTEMS, 78, true);

// Bits of one extended data frame with 8 bytes, without stuffing.
constexpr double FRAME_BITS = 128.0;
constexpr double BUS_BITS_PER_S = 250000.0;

double cpu_seconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void BM_vt_pool_upload_through_hub(benchmark::State& state)
{
    Hub_launcher hub;
    if (hub.port() <= 0) {
        state.SkipWithError("no hub");
        return;
    }
    const std::string spec = "tcp,addr=127.0.0.1,port=" + std::to_string(hub.port());
    module_man mm;
    Bus_vt vt;
    if (!vt.open(spec, mm, 1, 0x26)) {
        state.SkipWithError("no VT");
        return;
    }
    std::string error;
    std::unique_ptr<CAN_bus> bus(Bus_select::start(spec.c_str(), error));
    JIN_smart_stack stack;
    waiter_descriptor waiter;
    waiter.init(&mm);
    if (!bus || stack.open(*bus, &mm) != 0 || stack.start() != 0 ||
        !stack.name_manager().add_local_name(OUR_NAME, 28) || stack.wait_for_name(&waiter, OUR_NAME, true) != 28) {
        state.SkipWithError("no stack");
        return;
    }
    const std::vector<uint8_t> image = vt_test::make_image(600);
    double bytes = 0, seconds = 0, cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto pool = std::make_unique<VT::Object_pool>(&mm);
        VT::DOM_xerces_spec_man loader(pool.get());
        loader.init();
        loader.load(vt_test::spec_path().c_str());
        VT::Object_deserial d;
        d.init(pool.get());
        d.run(image.data(), uint32_t(image.size()));
        std::vector<uint8_t> stream;
        pool->serialise_pool(stream);
        pool->init(&stack, OUR_NAME, &stack.name_manager(), nullptr, nullptr, JIN_name::RAWNAME(), 0);
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        const double cpu_start = cpu_seconds();
        pool->start();
        pool->start_diner();
        while (pool->get_connection_state() != VT::CONN_ACTIVE) {
            if (pool->get_connection_state() == VT::CONN_UPLOAD_FAILED ||
                std::chrono::steady_clock::now() - start > std::chrono::seconds(120)) {
                state.SkipWithError("upload failed");
                return;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += cpu_seconds() - cpu_start;
        bytes += double(stream.size());

        state.PauseTiming();
        pool.reset();  // ends the session before the next one
        state.ResumeTiming();
    }
    // Pure bus time: one frame per 7 bytes of the stream (ETP data packets).
    const double bus_seconds = bytes / 7.0 * FRAME_BITS / BUS_BITS_PER_S;
    state.counters["bus_share"] = seconds / bus_seconds;
    state.counters["cpu_ms_per_kB"] = cpu * 1000.0 / (bytes / 1024.0);
    state.counters["pool_kB"] = bytes / 1024.0 / double(state.iterations());
    state.SetBytesProcessed(int64_t(bytes));
    vt.close();
}
BENCHMARK(BM_vt_pool_upload_through_hub)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

#endif
