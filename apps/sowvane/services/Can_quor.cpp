#include "apps/sowvane/services/Can_quor.h"

#include "can/JIN_smart_stack.h"
#include "can/JIN_stack.h"
#include "messaging/cds/CDS_Remote_Server.h"
#include "util/Debug_base.h"

#include <cstdint>

namespace Can_quor {

namespace {
template <typename... Args> void trace(const char* format, Args... args)
{
    JDB::print(_JDB::CAN_BRIDGE, format, args...);
}
} // namespace

// --- CDS_backend ----------------------------------------------------------------------

unsigned char* CDS_backend::get_tx_buffer(unsigned char* buffer, int& length)
{
    if (!buffer || length < MARKER_LENGTH)
        return nullptr;
    buffer[0] = MARKER;
    buffer[1] = MARKER;
    length -= MARKER_LENGTH;
    return buffer + MARKER_LENGTH;
}

int CDS_backend::send(unsigned char* buffer, int length, bool notify, int code)
{
    if (!stack_ || !buffer || length < 0)
        return 0;
    header_.length = unsigned(length + MARKER_LENGTH);
    const bool report = notify && waiter_;
    stack_->lock(-1);
    const int rc = stack_->__write(header_, buffer, length + MARKER_LENGTH, report ? waiter_ : nullptr,
                                   report ? code : 1);
    stack_->unlock();
    // The stack's thread runs the transmission; wake it.
    stack_->send_anonymous_event();
    return rc == 0 ? 1 : 0;
}

bool CDS_backend::equals(const CDS::Remote::Backend& other) const
{
    const auto* b = dynamic_cast<const CDS_backend*>(&other);
    return b && b->stack_ == stack_ && b->waiter_ == waiter_ && b->header_.src == header_.src &&
           b->header_.dest == header_.dest && b->header_.pgn == header_.pgn &&
           b->header_.prio == header_.prio;
}

CDS::Remote::Backend* CDS_backend::clone() const { return new CDS_backend(header_, stack_, waiter_); }

Msg_can_quor::Msg_can_quor(unsigned char* buffer, int length)
    : Binary_message(buffer, unsigned(length > 0 ? length : 0), unsigned(length > 0 ? length : 0))
{
    set_uint16_le(0, 0xF0F0);
}

// --- Can_quor -------------------------------------------------------------------------

Can_quor::Can_quor() = default;

Can_quor::~Can_quor()
{
    // A bridge that never ran sent nothing (its stacks may be gone).
    if (get_state() == Diner::UNINIT)
        return;
    if (!terminated())
        terminate(true);
    // Replies still under way must not tell a bridge that is gone.
    for (JIN_stack* stack : stacks_)
        if (stack)
            stack->forget_waiter(&get_waiter());
}

int Can_quor::add_stack(JIN_stack* stack)
{
    for (auto& slot : stacks_) {
        if (!slot) {
            slot = stack;
            return 1;
        }
    }
    return 0;
}

int Can_quor::init(module_man& mm, CDS::Remote::Server* server)
{
    server_ = server;
    Diner::init(mm, nullptr, Diner::Descriptor("QCAN", 0), 100, 3072, true, false);
    start();
    return 1;
}

JIN_smart_stack* Can_quor::smart(int index) const
{
    return dynamic_cast<JIN_smart_stack*>(stacks_[index]);
}

void Can_quor::diner_start()
{
    trace("QOC Started\n");
    for (int i = 0; i < MAX_STACKS && stacks_[i]; ++i) {
        stacks_[i]->register_pgn(PGN_REMOTE_DATA, &get_waiter(), &registration_ids_[i], JIN_PGN::FAST);
        trace("QOC Reg %d -> %d\n", i, int(registration_ids_[i]));
        // Every change of any NAME on the bus is a chance that a peer left.
        if (JIN_smart_stack* s = smart(i))
            name_listeners_[i] = s->name_manager().listeners().Add(JIN_name::NAME(), &get_waiter());
    }
    tick_.set_period(TICK_MS);
    update_tick();
}

void Can_quor::diner_stop()
{
    trace("QOC Stopped\n");
    for (int i = 0; i < MAX_STACKS && stacks_[i]; ++i) {
        stacks_[i]->deregister_pgn(PGN_REMOTE_DATA, &get_waiter(), JIN_PGN::FAST);
        if (JIN_smart_stack* s = smart(i)) {
            if (name_listeners_[i])
                s->name_manager().listeners().Remove(
                    static_cast<const JIN_name::Listen_node*>(name_listeners_[i]));
            name_listeners_[i] = nullptr;
        }
    }
    remove_timeout(tick_);
    ticking_ = false;
}

void Can_quor::update_tick()
{
    const bool wanted = server_ && server_->has_subscriptions();
    if (wanted == ticking_)
        return;
    if (wanted)
        submit_timeout(tick_, TICK_MS);
    else
        remove_timeout(tick_);
    ticking_ = wanted;
}

void Can_quor::handle_event(waiter_event& event)
{
    trace("QOC Got event %x %x\n", unsigned(event.module_id), unsigned(event.data));
    for (int i = 0; i < MAX_STACKS && stacks_[i]; ++i) {
        JIN_stack* stack = stacks_[i];
        stack->lock(-1);
        const short tx_id = stack->event_ids().tx_finished;
        stack->unlock();
        if (server_ && event.module_id == tx_id)
            server_->handle_tx_event(int(int32_t(event.data)));
        if (event.module_id == registration_ids_[i]) {
            read_message(i);
            break;
        }
        JIN_smart_stack* s = smart(i);
        if (s && event.module_id == s->name_manager().module_id())
            check_peers(i);
    }
    update_tick();
}

void Can_quor::handle_timeout(Timeout& timeout)
{
    if (&timeout == &tick_ && server_)
        server_->handle_tx_event(CDS::Remote::Server::CODE_TICK);
    update_tick();
}

void Can_quor::read_message(int index)
{
    JIN_stack* stack = stacks_[index];
    JIN_header h;
    unsigned char buffer[MAX_FRAME];
    const int rc = stack->read(PGN_REMOTE_DATA, h, buffer, MAX_FRAME, MAX_FRAME, &get_waiter(),
                               JIN_PGN::FAST);
    if (rc < 0) {
        trace("COQ Could not read %d %d\n", rc, MAX_FRAME);
        return;
    }
    const int length = int(h.length);
    if (server_ && length > 1 && buffer[0] == MARKER && buffer[1] == MARKER) {
        note_peer(index, h.dest, h.src);
        CDS_backend backend = backend_to(index, h.dest, h.src);
        server_->dispatch(backend, buffer + MARKER_LENGTH, length - MARKER_LENGTH);
        Msg_can_quor handled(buffer, length);
    }
    trace("COQ Addr check %d %d\n", int(h.src), int(h.dest));
}

CDS_backend Can_quor::backend_to(int index, unsigned char own_address, unsigned char peer)
{
    const JIN_header reply(own_address, peer, PGN_REMOTE_DATA, REPLY_PRIORITY, JIN_TRANS_TX_FAST, 0);
    return CDS_backend(reply, stacks_[index], &get_waiter());
}

// --- Peers leaving the bus --------------------------------------------------------------

void Can_quor::note_peer(int index, unsigned char own_address, unsigned char address)
{
    JIN_smart_stack* s = smart(index);
    if (!s)
        return;
    JIN_name::RAWNAME name;
    const bool named = s->name_manager().gethostbyaddr(address, name);
    for (size_t i = 0; i < peers_.size(); ++i) {
        const Peer& p = peers_[i];
        if (p.stack != index || p.address != address || p.own_address != own_address)
            continue;
        if (named && p.name == name)
            return;
        drop_peer(i);
        break;
    }
    if (named)
        peers_.push_back(Peer{index, address, own_address, name});
}

void Can_quor::check_peers(int index)
{
    JIN_smart_stack* s = smart(index);
    for (size_t i = peers_.size(); i-- > 0;) {
        const Peer& p = peers_[i];
        if (p.stack != index)
            continue;
        JIN_name::RAWNAME name;
        if (!s->name_manager().gethostbyaddr(p.address, name) || !(name == p.name))
            drop_peer(i);
    }
}

void Can_quor::drop_peer(size_t i)
{
    const Peer p = peers_[i];
    peers_.erase(peers_.begin() + long(i));
    trace("QOC Peer %d left\n", int(p.address));
    if (server_)
        server_->drop_client(backend_to(p.stack, p.own_address, p.address));
}

} // namespace Can_quor
