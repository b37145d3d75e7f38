#include "platform/tc/TC_stack_session.h"

namespace TC {

Stack_session::Stack_session(Object_pool& pool, JIN_smart_stack& stack,
                             const JIN_name::RAWNAME& own_name)
    : Stack_host(stack, own_name), pool_(pool), engine_(pool, *this)
{
    unsigned char name[8];
    uint64_t v = own_name.value_le();
    for (int i = 0; i < 8; ++i)
        name[i] = static_cast<unsigned char>(v >> (8 * i));
    engine_.set_own_name(name);
}

Stack_session::~Stack_session()
{
    stop_host();
    if (pool_.get_session() == this)
        pool_.set_session(nullptr);
}

bool Stack_session::init(module_man& mm)
{
    // No task controller sends a client more than 8 bytes.
    if (!open_host(mm, "TCC0", {PGN_PROCESS_DATA, PGN_ACKNOWLEDGEMENT, PGN_ADDRESS_CLAIMED},
                   TICK_MS, 64, {PGN_WORKING_SET_MASTER, PGN_ADDRESS_CLAIMED}))
        return false;
    Diner::Protection lock(*this);
    pool_.set_session(this);
    engine_.set_enabled(pool_.is_enabled(), now_ms());
    engine_.set_tx_state(pool_.get_tx_state(), now_ms());
    return true;
}

Client_engine::state_t Stack_session::session_state()
{
    Diner::Protection lock(*this);
    return engine_.get_state();
}

Client_engine::Tc_info Stack_session::get_tc()
{
    Diner::Protection lock(*this);
    return engine_.tc();
}

int Stack_session::pool_size()
{
    Diner::Protection lock(*this);
    return engine_.pool_size();
}

void Stack_session::pool_enabled(bool enabled)
{
    Diner::Protection lock(*this);
    engine_.set_enabled(enabled, now_ms());
}

void Stack_session::pool_tx_state(int state)
{
    Diner::Protection lock(*this);
    engine_.set_tx_state(Object_pool::tx_state_t(state), now_ms());
}

bool Stack_session::pool_send(unsigned short element, ddi_t ddi, int32_t value)
{
    Diner::Protection lock(*this);
    // Not from an address the session has not joined the TC from.
    engine_.set_own_address(own_address(), now_ms());
    return engine_.send_process_data(element, ddi, value);
}

bool Stack_session::pool_acknowledge(unsigned short element, ddi_t ddi, unsigned char errors)
{
    Diner::Protection lock(*this);
    engine_.set_own_address(own_address(), now_ms());
    return engine_.acknowledge(element, ddi, errors);
}

bool Stack_session::pool_start() { return Diner::start() == 0; }

void Stack_session::on_message(const JIN_header& h, const unsigned char* data, int64_t now)
{
    engine_.set_own_address(own_address(), now);
    engine_.handle_message(h.pgn, h.src, h.dest, data, int(h.length), now);
}

void Stack_session::on_address_change(int64_t now) { engine_.set_own_address(own_address(), now); }

void Stack_session::on_transfer_result(int tag, bool ok, int64_t now)
{
    engine_.handle_transfer_result(tag, ok, now);
}

void Stack_session::on_tick(int64_t now)
{
    engine_.set_own_address(own_address(), now);
    engine_.handle_time(now);
}

} // namespace TC
