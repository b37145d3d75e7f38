#include "platform/vt/Vt_client.h"

#include "platform/vt/Object_pool.h"

#include "can/JIN_PGN.h"
#include "can/JIN_smart_stack.h"

#include <cstdlib>

namespace VT {

namespace {
// Largest message the VT sends the working set (a string value of 255
// characters, or an ETP message of a later version of the standard).
constexpr int MAX_RX = 2048;
constexpr unsigned char NULL_ADDRESS = 254;
constexpr unsigned PGN_ADDRESS_CLAIMED = Vt_session::PGN_ADDRESS_CLAIMED;
// The messages of the bus the session reads besides the VT's own: the
// acknowledgements and the address claims, whose requests too.
constexpr unsigned BUS_PGNS[] = {Vt_session::PGN_ACKNOWLEDGEMENT, PGN_ADDRESS_CLAIMED};
} // namespace

Vt_client::Vt_client(Object_pool& pool) : pool_(pool), buffer_(MAX_RX) {}

Vt_client::~Vt_client()
{
    close();
}

int64_t Vt_client::now_ms()
{
    Atime t = Atime::now();
    return int64_t(t.time) * 1000 + t.millitm;
}

int Vt_client::open(module_man& mm, JIN_smart_stack& stack, const JIN_name::RAWNAME& own,
                    const Vt_session::Config& config)
{
    if (open_)
        return -1;
    stack_ = &stack;
    own_ = own;
    session_.reset(new Vt_session(pool_, *this, config));
    init(mm, nullptr, Descriptor("VTC0", 0), 40, 65536, true, true);
    open_ = true;
    bool registered = stack.register_pgn(Vt_session::PGN_VT_TO_ECU, &get_waiter(), &rx_event_) == 1 &&
                      stack.register_pgn(Vt_session::PGN_LANGUAGE, &get_waiter(), &rx_event_) == 1;
    for (unsigned pgn : BUS_PGNS)
        registered = registered && stack.register_pgn(pgn, &get_waiter(), &rx_event_) == 1;
    registered = registered &&
                 stack.register_pgn(PGN_ADDRESS_CLAIMED, &get_waiter(), &request_event_, JIN_PGN::REQUEST) == 1;
    if (!registered) {
        close();
        return -1;
    }
    return 0;
}

void Vt_client::begin()
{
    if (!open_)
        return;
    Protection lock(*this);
    session_->start(now_ms());
    submit_timeout(tick_, TICK_MS);
}

void Vt_client::close()
{
    if (!open_)
        return;
    open_ = false;
    terminate(true);
    stack_->deregister_pgn(Vt_session::PGN_VT_TO_ECU, &get_waiter());
    stack_->deregister_pgn(Vt_session::PGN_LANGUAGE, &get_waiter());
    for (unsigned pgn : BUS_PGNS)
        stack_->deregister_pgn(pgn, &get_waiter());
    stack_->deregister_pgn(PGN_ADDRESS_CLAIMED, &get_waiter(), JIN_PGN::REQUEST);
    // A pool transfer still under way must not tell a client that is gone.
    stack_->forget_waiter(&get_waiter());
}

int Vt_client::get_next_vt()
{
    Protection lock(*this);
    return session_ ? session_->get_next_vt() : 0;
}

int Vt_client::switch_next_vt()
{
    Protection lock(*this);
    return session_ ? session_->switch_next_vt(now_ms()) : -2;
}

void Vt_client::set_enabled(bool enabled)
{
    Protection lock(*this);
    if (session_)
        session_->set_enabled(enabled, now_ms());
}

Vt_session::State Vt_client::state()
{
    Protection lock(*this);
    return session_ ? session_->state() : Vt_session::DISABLED;
}

bool Vt_client::send(uint8_t dest, uint32_t pgn, uint8_t prio, const uint8_t* data, uint32_t len, int tag)
{
    const unsigned char src = own_address();
    if (src >= NULL_ADDRESS)
        return false;
    return stack_->write(src, dest, pgn, prio, len, data, int(len), &get_waiter(), tag) == 0;
}

uint8_t Vt_client::own_address()
{
    return stack_ ? stack_->name_manager().gethostbyname(own_, false) : NULL_ADDRESS;
}

bool Vt_client::name_of(uint8_t address, JIN_name::RAWNAME& name)
{
    if (!stack_)
        return false;
    if (stack_->name_manager().gethostbyaddr(address, name))
        return true;
    // A node that claimed before we listened: ask it to claim again, at
    // most once a second.
    const int64_t now = now_ms();
    const unsigned char own = own_address();
    if (own < NULL_ADDRESS && now - last_claim_request_ >= 1000) {
        last_claim_request_ = now;
        stack_->request(own, address, PGN_ADDRESS_CLAIMED, nullptr, 0);
        // The claim that answers it is no sign of a VT that started again.
        const uint8_t requested[3] = {uint8_t(PGN_ADDRESS_CLAIMED), uint8_t(PGN_ADDRESS_CLAIMED >> 8),
                                      uint8_t(PGN_ADDRESS_CLAIMED >> 16)};
        session_->on_request(address, requested, 3, now);
    }
    return false;
}

void Vt_client::read_messages(unsigned pgn)
{
    JIN_header h;
    while (stack_->read(pgn, h, buffer_.data(), MAX_RX, MAX_RX, &get_waiter()) == 0) {
        switch (pgn) {
        case Vt_session::PGN_LANGUAGE:
            session_->on_language(h.src, buffer_.data(), h.length);
            break;
        case Vt_session::PGN_ACKNOWLEDGEMENT:
            session_->on_acknowledgement(h.src, h.dest, buffer_.data(), h.length, now_ms());
            break;
        case PGN_ADDRESS_CLAIMED:
            session_->on_address_claimed(h.src, now_ms());
            break;
        default: {
            const unsigned char own = own_address();
            if (h.dest == own || h.dest == 255)
                session_->on_vt_message(h.src, buffer_.data(), h.length, now_ms());
            break;
        }
        }
    }
}

void Vt_client::read_claim_requests()
{
    JIN_header h;
    while (stack_->read(PGN_ADDRESS_CLAIMED, h, buffer_.data(), MAX_RX, MAX_RX, &get_waiter(), JIN_PGN::REQUEST) ==
           0)
        session_->on_request(h.dest, buffer_.data(), h.length, now_ms());
}

void Vt_client::handle_event(waiter_event& event)
{
    if (!session_)
        return;
    const JIN_stack::Event_ids& ids = stack_->event_ids();
    if (event.module_id == rx_event_ && rx_event_ != 0) {
        read_messages(event.data);
    } else if (event.module_id == request_event_ && request_event_ != 0) {
        read_claim_requests();
    } else if (event.module_id == ids.tx_finished) {
        long code = long(event.code);
        session_->on_sent(int(std::labs(code)), code > 0, now_ms());
    }
    // Anything else (a change queued in the pool) only wakes the session.
    session_->tick(now_ms());
}

void Vt_client::handle_timeout(Timeout& timeout)
{
    if (&timeout != &tick_ || !session_)
        return;
    session_->tick(now_ms());
    submit_timeout(tick_, TICK_MS);
}

} // namespace VT
