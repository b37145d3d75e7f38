// CPU cost of the transport engine: reassembly and building of TP, ETP and
// fast-packet transfers per frame, and a 100,000-byte ETP transfer between
// two engines with no bus delay.
#include "tests/can/Trans_link.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr unsigned char US = 0x1C;
constexpr unsigned char PEER = 0x26;

struct Recorded {
    JIN_header header;
    std::vector<unsigned char> data;
    std::vector<Sent_frame> log;
    bool fast = false;
};

// One complete exchange, recorded frame by frame.
Recorded record(unsigned len, JIN_trans_type_t type, unsigned char dest, unsigned pgn)
{
    Recorded rec;
    rec.fast = type == JIN_TRANS_TX_FAST;
    rec.header = JIN_header(US, dest, pgn, 3, type, len);
    rec.data.resize(len);
    for (unsigned i = 0; i < len; ++i)
        rec.data[i] = static_cast<unsigned char>(i * 13);
    Trans_link link;
    link.end[1].fast_rx = rec.fast;
    link.send(rec.header, rec.data.data(), len);
    link.run();
    if (link.end[1].group != JIN_GROUP_RX_COMPLETE)
        std::abort();
    rec.log = link.log;
    return rec;
}

// Feeds the sender's frames into a receiver, answering its own requests.
void reassemble(benchmark::State& state, const Recorded& rec)
{
    size_t frames = 0;
    for (auto _ : state) {
        JIN_trans rx;
        JIN_packet out[10];
        for (const Sent_frame& s : rec.log) {
            if (s.from != 0)
                continue;
            JIN_msg_ret r = rx.put_packet(s.frame, rec.fast);
            ++frames;
            if (r.get_transmit_requested() == JIN_TX_WANTED_LAST) {
                int count = 255;
                rx.get_packets(out, 10, count);
            }
        }
        if (rx.get_state() != JIN_trans::STATE_RX_COMPLETE)
            state.SkipWithError("reassembly did not complete");
        benchmark::DoNotOptimize(rx.get_data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(frames));
}

// Builds the sender's frames, feeding it the receiver's recorded answers.
void build(benchmark::State& state, const Recorded& rec)
{
    NMEA2000_fast_sid_manager sids;
    size_t frames = 0;
    for (auto _ : state) {
        JIN_trans tx;
        JIN_packet out[10];
        tx.write(rec.header, rec.data.data(), static_cast<unsigned>(rec.data.size()));
        JIN_msg_ret r = tx.commence_tx(sids);
        size_t next_answer = 0;
        while (!tx.is_idle()) {
            if (tx.get_state() == JIN_trans::STATE_TX_WAIT_BCAST_TIMEOUT) {
                r = tx.timeout_notify();
                continue;
            }
            if (tx.get_state() == JIN_trans::STATE_TX_WAIT_CTS) {
                while (next_answer < rec.log.size() && rec.log[next_answer].from != 1)
                    ++next_answer;
                if (next_answer == rec.log.size())
                    break;
                r = tx.put_packet(rec.log[next_answer++].frame, false);
                continue;
            }
            int count = 255;
            r = tx.get_packets(out, 10, count);
            frames += static_cast<size_t>(count);
            benchmark::DoNotOptimize(out[0].data[1]);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(frames));
}

const Recorded& tp() { static Recorded r = record(1785, JIN_TRANS_TX_TP, PEER, 0xEF00); return r; }
const Recorded& etp() { static Recorded r = record(20000, JIN_TRANS_TX_ETP, PEER, 0xEF00); return r; }
const Recorded& fast() { static Recorded r = record(223, JIN_TRANS_TX_FAST, 255, 129029); return r; }

void BM_TP_reassembly(benchmark::State& s) { reassemble(s, tp()); }
void BM_ETP_reassembly(benchmark::State& s) { reassemble(s, etp()); }
void BM_fast_packet_reassembly(benchmark::State& s) { reassemble(s, fast()); }
void BM_TP_build(benchmark::State& s) { build(s, tp()); }
void BM_ETP_build(benchmark::State& s) { build(s, etp()); }
void BM_fast_packet_build(benchmark::State& s) { build(s, fast()); }

// A 100,000-byte message moved between two engines back to back.
void BM_ETP_100000_bytes_between_engines(benchmark::State& state)
{
    std::vector<unsigned char> data(100000);
    for (unsigned i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i);
    for (auto _ : state) {
        Trans_link link;
        link.keep_log = false;
        link.end[0].keep_timeouts = link.end[1].keep_timeouts = false;
        link.send(JIN_header(US, PEER, 0xEF00, 3, JIN_TRANS_TX_ETP, 100000), data.data(), 100000);
        link.run();
        if (link.end[1].group != JIN_GROUP_RX_COMPLETE)
            state.SkipWithError("transfer did not complete");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 100000);
}

BENCHMARK(BM_TP_reassembly);
BENCHMARK(BM_ETP_reassembly);
BENCHMARK(BM_fast_packet_reassembly);
BENCHMARK(BM_TP_build);
BENCHMARK(BM_ETP_build);
BENCHMARK(BM_fast_packet_build);
BENCHMARK(BM_ETP_100000_bytes_between_engines)->Unit(benchmark::kMillisecond);

} // namespace
