// The CAN bridge of the remote data-store service: registers the service's
// PGN (0x1EF00, fast packet) on up to three CAN stacks, hands each request
// that carries the service marker 0xF1 0xF1 to the server with a backend
// that answers the sender, passes the stacks' transmit-done reports to the
// server and, while a peer is subscribed to an item, ticks it every 30 ms
// (an idle bridge sleeps until a message comes). Everything runs on the
// module's own thread "QCAN".
//
// On a stack with a name manager (JIN_smart_stack) the bridge remembers the
// NAME behind each requesting address; a peer whose NAME loses its address,
// or whose address another NAME claims, has left: the server drops its
// subscriptions.
#pragma once

#include "can/JIN_header.h"
#include "can/JIN_name.h"
#include "glue/diner/Diner.h"
#include "glue/message/Binary_message.h"
#include "messaging/cds/CDS_Remote_Backend.h"

#include <atomic>
#include <vector>

class JIN_stack;
class JIN_smart_stack;

namespace CDS {
namespace Remote {
class Server;
}
} // namespace CDS

namespace Can_quor {

constexpr unsigned PGN_REMOTE_DATA = 0x1EF00;
constexpr unsigned char MARKER = 0xF1;
constexpr int MARKER_LENGTH = 2;
constexpr unsigned REPLY_PRIORITY = 6;

// The way back to one peer over one stack.
class CDS_backend : public CDS::Remote::Backend {
public:
    CDS_backend(const JIN_header& header, JIN_stack* stack, waiter_descriptor* waiter)
        : header_(header), stack_(stack), waiter_(waiter)
    {
    }

    unsigned char* get_tx_buffer(unsigned char* buffer, int& length) override;
    int send(unsigned char* buffer, int length, bool notify, int code) override;
    bool equals(const CDS::Remote::Backend& other) const override;
    CDS::Remote::Backend* clone() const override;

    const JIN_header& header() const { return header_; }

private:
    JIN_header header_;
    JIN_stack* stack_;
    waiter_descriptor* waiter_;
};

// A view over a received payload whose first two bytes are overwritten with
// 0xF0 0xF0, so that a handled request is never taken for a new one.
class Msg_can_quor : public Binary_message {
public:
    Msg_can_quor(unsigned char* buffer, int length);
};

class Can_quor : public Diner {
public:
    static constexpr int MAX_STACKS = 3;
    static constexpr int TICK_MS = 30;
    static constexpr int MAX_FRAME = 105;

    Can_quor();
    ~Can_quor() override;

    // 1 when the stack took a free slot, 0 when all three are taken.
    int add_stack(JIN_stack* stack);
    // Keeps the server and starts the module's thread; 1.
    int init(module_man& mm, CDS::Remote::Server* server);

    void diner_start() override;
    void diner_stop() override;
    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout& timeout) override;

    // Peers whose NAME the bridge watches (for tests and status).
    int watched_peer_count() const { return int(peers_.size()); }
    // Whether the 30 ms tick runs.
    bool ticking() const { return ticking_; }

private:
    // A requesting address on a stack with a name manager, and its NAME.
    struct Peer {
        int stack;
        unsigned char address;
        unsigned char own_address;
        JIN_name::RAWNAME name;
    };

    void read_message(int index);
    JIN_smart_stack* smart(int index) const;
    CDS_backend backend_to(int index, unsigned char own_address, unsigned char peer);
    // Notes who sent a request; a different NAME at a known address means
    // the old peer is gone.
    void note_peer(int index, unsigned char own_address, unsigned char address);
    // After a change of NAMEs on a stack: drops the peers that left.
    void check_peers(int index);
    void drop_peer(size_t i);
    // Runs the tick while the server has subscriptions, stops it otherwise.
    void update_tick();

    Timeout tick_;
    JIN_stack* stacks_[MAX_STACKS] = {nullptr, nullptr, nullptr};
    short registration_ids_[MAX_STACKS] = {0, 0, 0};
    const void* name_listeners_[MAX_STACKS] = {nullptr, nullptr, nullptr};
    CDS::Remote::Server* server_ = nullptr;
    std::vector<Peer> peers_;
    std::atomic<bool> ticking_{false};
};

} // namespace Can_quor
