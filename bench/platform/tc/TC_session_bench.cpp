// Time from the task controller's first status message to the activated
// pool, for an 80 kB pool through the CAN hub, against the pure bus time of
// that transfer at 250 kbit/s.
#include "bench/Hub_launcher.h"
#include "tests/platform/tc/Bus_session_rig.h"

#include <benchmark/benchmark.h>

namespace {

// Bits of one extended data frame with 8 data bytes, without stuffing, and
// the interframe space.
constexpr double FRAME_BITS = 131.0;
constexpr double BUS_BITS_PER_S = 250000.0;

double bus_seconds(int message_bytes)
{
    const int packets = (message_bytes + 6) / 7;
    // Data frames, one DPO and CTS per window of 255, the RTS and the EOMA.
    const int frames = packets + 2 * ((packets + 254) / 255) + 2;
    return frames * FRAME_BITS / BUS_BITS_PER_S;
}

int64_t now_ms()
{
    Atime now = Atime::now();
    return int64_t(now.time) * 1000 + now.millitm;
}

void BM_tc_activation_80k_through_hub(benchmark::State& state)
{
    Hub_launcher hub;
    if (hub.port() <= 0) {
        state.SkipWithError("no hub");
        return;
    }
    const std::string spec = "tcp,addr=127.0.0.1,port=" + std::to_string(hub.port());
    double share = 0;
    int pool_bytes = 0;
    for (auto _ : state) {
        bus_rig::Rig rig;
        if (!rig.open(spec, 1770) || !rig.start_client()) {
            state.SkipWithError("rig did not start");
            return;
        }
        waiter_event e;
        int64_t active_at = -1;
        while (active_at < 0 && rig.app.get_event(&e, Atime::from_now(120000)) == 0)
            if (e.module_id == rig.pool.get_event_id() && e.data == TC::Object_pool::STATUS_ACTIVE)
                active_at = now_ms();
        const int64_t first = rig.server->with_server([](auto& s) { return s.first_status_ms; });
        if (active_at < 0 || first < 0) {
            state.SkipWithError("no activation");
            return;
        }
        const double seconds = double(active_at - first) / 1000.0;
        pool_bytes = rig.session->pool_size();
        share = seconds / bus_seconds(pool_bytes + 1);
        state.SetIterationTime(seconds);
    }
    state.counters["pool_bytes"] = pool_bytes;
    state.counters["share_of_bus_time"] = share;
}
BENCHMARK(BM_tc_activation_80k_through_hub)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
