#include "platform/tc/TC_stack_session.h"

#include "util/Atime.h"

namespace TC {

Stack_session::Stack_session(Object_pool& pool, JIN_smart_stack& stack,
                             const JIN_name::RAWNAME& own_name)
    : pool_(pool), stack_(stack), own_name_(own_name), engine_(pool, *this)
{
    unsigned char name[8];
    uint64_t v = own_name_.value_le();
    for (int i = 0; i < 8; ++i)
        name[i] = static_cast<unsigned char>(v >> (8 * i));
    engine_.set_own_name(name);
}

Stack_session::~Stack_session()
{
    if (get_state() != Diner::UNINIT && !terminated())
        terminate(true);
    if (pool_.get_session() == this)
        pool_.set_session(nullptr);
    if (registered_)
        stack_.deregister_pgn(PGN_PROCESS_DATA, &get_waiter());
}

bool Stack_session::init(module_man& mm)
{
    Diner::init(mm, nullptr, Diner::Descriptor("TCC0", 0), 44, 10240, true, false);
    Diner::Protection lock(*this);
    registered_ = stack_.register_pgn(PGN_PROCESS_DATA, &get_waiter(), &rx_id_) == 1;
    if (!registered_)
        return false;
    pool_.set_session(this);
    engine_.set_enabled(pool_.is_enabled(), now_ms());
    engine_.set_tx_state(pool_.get_tx_state(), now_ms());
    tick_.set_period(TICK_MS);
    submit_timeout(tick_, TICK_MS);
    return true;
}

int64_t Stack_session::now_ms()
{
    Atime now = Atime::now();
    return int64_t(now.time) * 1000 + now.millitm;
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
    return engine_.send_process_data(element, ddi, value);
}

bool Stack_session::pool_start() { return Diner::start() == 0; }

void Stack_session::refresh_address()
{
    engine_.set_own_address(stack_.name_manager().gethostbyname(own_name_, false));
}

void Stack_session::handle_event(waiter_event& event)
{
    if (event.module_id == rx_id_ && rx_id_ != 0) {
        refresh_address();
        JIN_header h;
        unsigned char buf[64];
        // Everything the stack holds for us; longer messages are not ours
        // to take (no TC sends the client more than 8 bytes).
        while (stack_.read(PGN_PROCESS_DATA, h, buf, sizeof buf, sizeof buf, &get_waiter()) == 0)
            engine_.handle_message(h.pgn, h.src, h.dest, buf, int(h.length), now_ms());
    } else if (event.module_id == stack_.event_ids().tx_finished) {
        auto value = static_cast<int32_t>(event.data);
        engine_.handle_transfer_result(value < 0 ? -value : value, value > 0, now_ms());
    }
}

void Stack_session::handle_timeout(Timeout& timeout)
{
    refresh_address();
    engine_.handle_time(now_ms());
}

int Stack_session::send(unsigned pgn, unsigned char dest, int prio, const unsigned char* data,
                        int len, int tag)
{
    unsigned char src = stack_.name_manager().gethostbyname(own_name_, false);
    if (src >= NO_ADDRESS)
        return -91;
    return stack_.write(src, dest, pgn, unsigned(prio), unsigned(len), data, len,
                        tag ? &get_waiter() : nullptr, tag);
}

} // namespace TC
