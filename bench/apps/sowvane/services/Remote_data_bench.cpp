// The remote data-store service serving the application's data model: values
// per second the server answers (by itself, and over the CAN hub with a
// window of requests in flight) and the time a peer takes to fetch the whole
// structure over the hub.
#include "apps/sowvane/data_model.h"
#include "apps/sowvane/services/Can_quor.h"
#include "apps/sowvane/services/Can_quor_client.h"
#include "bench/Hub_launcher.h"
#include "can/JIN_stack.h"
#include "glue/diner/waiter_descriptor.h"
#include "messaging/cds/CDS_Remote_Msg.h"
#include "messaging/cds/CDS_Remote_Server.h"
#include "platform/can/Bus_select.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr unsigned char SERVER = 0x1C, PEER = 0x80;
constexpr int WINDOW = 8; // requests in flight over the hub

// Served tree over the application's data model, made once per process.
CDS::Remote::Server& served()
{
    static CDS::Remote::Server* server = [] {
        auto* s = new CDS::Remote::Server;
        s->add_cds_item(sowvane_data_store_lookup);
        s->add_nv_item(sowvane_parameters);
        s->prepare_ids();
        return s;
    }();
    return *server;
}

unsigned short read_id()
{
    return sowvane_data_store_lookup.find_item("system.hardware_id", '.')->get_id();
}

// A backend that drops every message.
class Null_backend : public CDS::Remote::Backend {
public:
    unsigned char* get_tx_buffer(unsigned char* buffer, int& length) override
    {
        length -= 2;
        return buffer + 2;
    }
    int send(unsigned char*, int, bool, int) override { return 1; }
    bool equals(const Backend& other) const override { return dynamic_cast<const Null_backend*>(&other); }
    Backend* clone() const override { return new Null_backend; }
};

void BM_ServerAnswersValueReads(benchmark::State& state)
{
    CDS::Remote::Server& server = served();
    Null_backend backend;
    unsigned char request[5];
    CDS::Remote::Msg_request_value::build(request, CDS::Remote::KIND_REQUEST_VALUE, read_id(), 0);
    for (auto _ : state) {
        server.dispatch(backend, request, sizeof request);
        server.handle_tx_event(CDS::Remote::Server::CODE_SENT);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ServerAnswersValueReads);

// The implement on the hub (the server and the bridge on a stack at 0x1C)
// and a peer's stack at 0x80 on a bus of its own.
struct Hub_implement {
    Hub_launcher hub;
    std::unique_ptr<CAN_bus> bus;
    JIN_stack stack;
    Can_quor::Can_quor bridge;
    std::unique_ptr<CAN_bus> peer_bus;
    JIN_stack peer;

    bool open(std::unique_ptr<CAN_bus>& on, JIN_stack& node, unsigned char address)
    {
        std::string error;
        on.reset(Bus_select::start(("tcp,addr=127.0.0.1,port=" + std::to_string(hub.port())).c_str(), error));
        if (!on)
            return false;
        node.open(*on, &sowvane_module_man);
        node.register_address(address);
        return node.start() == 0;
    }
    bool start()
    {
        if (hub.port() <= 0 || !open(bus, stack, SERVER) || !open(peer_bus, peer, PEER))
            return false;
        bridge.add_stack(&stack);
        bridge.init(sowvane_module_man, &served());
        return true;
    }
};

void BM_ServerAnswersValueReadsOverTheHub(benchmark::State& state)
{
    Hub_implement implement;
    if (!implement.start()) {
        state.SkipWithError("no hub");
        return;
    }
    JIN_stack& peer = implement.peer;
    waiter_descriptor waiter;
    waiter.init(&sowvane_module_man);
    peer.register_pgn(Can_quor::PGN_REMOTE_DATA, &waiter, nullptr, JIN_PGN::FAST);
    unsigned char frame[7] = {0xF1, 0xF1};
    CDS::Remote::Msg_request_value::build(frame + 2, CDS::Remote::KIND_REQUEST_VALUE, read_id(), 0);
    const JIN_header h(PEER, SERVER, Can_quor::PGN_REMOTE_DATA, 6, JIN_TRANS_TX_FAST, sizeof frame);
    auto request = [&] {
        Diner::Protection p(peer);
        return peer.__write(h, frame, sizeof frame, nullptr, 1) == 0;
    };
    int in_flight = 0;
    for (auto _ : state) {
        while (in_flight < WINDOW && request())
            ++in_flight;
        peer.send_anonymous_event();
        waiter_event ev;
        if (waiter.get_event(&ev, Atime::from_now(5000)) != 0) {
            state.SkipWithError("no reply");
            break;
        }
        JIN_header got;
        unsigned char buffer[128];
        if (ev.module_id == peer.event_ids().rx &&
            peer.read(Can_quor::PGN_REMOTE_DATA, got, buffer, sizeof buffer, sizeof buffer, &waiter,
                      JIN_PGN::FAST) == 0)
            --in_flight;
    }
    state.SetItemsProcessed(state.iterations());
    peer.deregister_pgn(Can_quor::PGN_REMOTE_DATA, &waiter, JIN_PGN::FAST);
}
BENCHMARK(BM_ServerAnswersValueReadsOverTheHub)->UseRealTime()->MinTime(2.0);

class Ready_listener : public CDS::Remote::Client::Listener {
public:
    void value_changed(unsigned short) override {}
    void state(int code) override
    {
        if (code == CDS::Remote::Client::STATE_READY || code == CDS::Remote::Client::STATE_FAILED ||
            code == CDS::Remote::Client::STATE_BROKEN)
            done = code;
    }
    std::atomic<int> done{-1};
};

void BM_PeerFetchesTheWholeStructureOverTheHub(benchmark::State& state)
{
    Hub_implement implement;
    if (!implement.start()) {
        state.SkipWithError("no hub");
        return;
    }
    JIN_stack& peer = implement.peer;
    Ready_listener listener;
    Can_quor::Remote_client client(&listener, nullptr);
    client.init(sowvane_module_man, &peer, PEER, SERVER);
    for (auto _ : state) {
        listener.done = -1;
        client.start(false);
        const Atime end = Atime::from_now(60000);
        while (listener.done < 0 && Atime::now() < end)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (listener.done != CDS::Remote::Client::STATE_READY) {
            state.SkipWithError("structure transfer failed");
            break;
        }
    }
    state.counters["compressed_bytes"] = double(served().compressed_ids().size());
    state.counters["text_bytes"] = double(served().ids_text_length());
}
BENCHMARK(BM_PeerFetchesTheWholeStructureOverTheHub)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
