// CPU time per received frame from the bus layer to the module event (and
// the module's read), and the share of one core a full 250 kbit/s bus
// (about 1,900 frames per second) costs.
#include "bench/Hub_launcher.h"
#include "can/JIN_stack.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "platform/can/Socketcand_text.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <ctime>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>

namespace {

constexpr unsigned PGN = 0xFECA;
constexpr double FULL_BUS_FRAMES_PER_S = 1900.0;

double process_cpu_seconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

CAN_packet data_frame(int i)
{
    CAN_packet f;
    f.set_extended(true);
    f.id = 0x18000000 | PGN << 8 | 0x26;
    f.length = 8;
    for (int b = 0; b < 8; ++b) f.data[b] = uint8_t(i + b);
    return f;
}

void report(benchmark::State& state, double cpu_seconds, int64_t frames)
{
    const double per_frame = cpu_seconds / double(frames);
    state.counters["cpu_us_per_frame"] = per_frame * 1e6;
    state.counters["core_share_at_1900fps_pct"] = per_frame * FULL_BUS_FRAMES_PER_S * 100.0;
    state.SetItemsProcessed(frames);
}

// The stack's handlers run on the benchmark thread: the processing itself,
// frames read in batches of 16 as a busy bus delivers them.
void BM_stack_rx_processing(benchmark::State& state)
{
    module_man mm;
    waiter_descriptor module;
    module.init(&mm);
    std::unique_ptr<CAN_bus> injector(Bus_select::start("loop,name=bench_rx"));
    std::unique_ptr<CAN_bus> bus(Bus_select::start("loop,name=bench_rx"));
    JIN_stack stack;
    stack.open(*bus, &mm);
    stack.register_address(0x1C);
    stack.register_pgn(PGN, &module, nullptr);
    JIN_header h;
    unsigned char buf[8];
    waiter_event wake(1, 0, 1), ev;
    int64_t frames = 0;
    const double cpu0 = process_cpu_seconds();
    for (auto _ : state) {
        for (int i = 0; i < 16; ++i) injector->write(data_frame(i), 6);
        {
            Diner::Protection p(stack);
            stack.handle_event(wake);
        }
        while (module.get_event(&ev, Atime::now()) == 0)
            stack.read(PGN, h, buf, 8, 8, &module);
        frames += 16;
    }
    report(state, process_cpu_seconds() - cpu0, frames);
}
BENCHMARK(BM_stack_rx_processing);

// One frame at a time through the running stack's thread to a module on
// another thread, as frames come on a bus that is not saturated: every frame
// costs its wake-ups. kind 0: loop bus; kind 1: TCP to the CAN hub (the
// hub's own CPU time is not counted).
void BM_stack_rx_one_by_one(benchmark::State& state)
{
    const bool tcp = state.range(0) == 1;
    module_man mm;
    waiter_descriptor module;
    module.init(&mm);
    std::unique_ptr<Hub_launcher> hub;
    std::unique_ptr<CAN_bus> injector, bus;
    int client = -1;
    if (tcp) {
        hub = std::make_unique<Hub_launcher>();
        std::string spec = "tcp,addr=127.0.0.1,port=" + std::to_string(hub->port());
        bus.reset(Bus_select::start(spec.c_str()));
        injector.reset(Bus_select::start(spec.c_str()));
    } else {
        injector.reset(Bus_select::start("loop,name=bench_one"));
        bus.reset(Bus_select::start("loop,name=bench_one"));
    }
    if (!bus || !injector) {
        state.SkipWithError("no bus");
        return;
    }
    (void)client;
    JIN_stack stack;
    stack.open(*bus, &mm);
    stack.register_address(0x1C);
    stack.register_pgn(PGN, &module, nullptr);
    stack.start();
    JIN_header h;
    unsigned char buf[8];
    waiter_event ev;
    int64_t frames = 0;
    // The injecting side's own CPU is part of the process too; measure it
    // alone and take it out.
    double inject_cpu = 0;
    const double cpu0 = process_cpu_seconds();
    for (auto _ : state) {
        double t0 = process_cpu_seconds();
        injector->write(data_frame(int(frames)), 6);
        inject_cpu += process_cpu_seconds() - t0;
        if (module.get_event(&ev, Atime::from_now(5000)) != 0) {
            state.SkipWithError("no event");
            break;
        }
        stack.read(PGN, h, buf, 8, 8, &module);
        ++frames;
    }
    report(state, process_cpu_seconds() - cpu0 - inject_cpu, frames);
}
BENCHMARK(BM_stack_rx_one_by_one)->Arg(0)->Arg(1)->UseRealTime();

}  // namespace
