#include "platform/tc/TC_stack_host.h"

#include "util/Atime.h"

namespace TC {

Stack_host::Stack_host(JIN_smart_stack& stack, const JIN_name::RAWNAME& name)
    : stack_(stack), name_(name)
{
}

Stack_host::~Stack_host()
{
    stop_host();
    for (unsigned pgn : pgns_)
        stack_.deregister_pgn(pgn, &get_waiter());
    // A transfer still under way must not tell a host that is gone.
    stack_.forget_waiter(&get_waiter());
}

void Stack_host::stop_host()
{
    if (get_state() != Diner::UNINIT && !terminated())
        terminate(true);
}

bool Stack_host::open_host(module_man& mm, const char* diner_name,
                           std::initializer_list<unsigned> pgns, int tick_ms, int max_message)
{
    Diner::init(mm, nullptr, Diner::Descriptor(diner_name, 0), 44, 10240, true, false);
    Diner::Protection lock(*this);
    buffer_.resize(size_t(max_message));
    for (unsigned pgn : pgns) {
        short id = 0;
        if (stack_.register_pgn(pgn, &get_waiter(), &id) != 1)
            return false;
        pgns_.push_back(pgn);
        rx_id_ = id;
    }
    tick_.set_period(tick_ms);
    submit_timeout(tick_, tick_ms);
    return true;
}

int64_t Stack_host::now_ms()
{
    Atime now = Atime::now();
    return int64_t(now.time) * 1000 + now.millitm;
}

unsigned char Stack_host::own_address()
{
    return stack_.name_manager().gethostbyname(name_, false);
}

void Stack_host::handle_event(waiter_event& event)
{
    if (event.module_id == rx_id_ && rx_id_ != 0) {
        JIN_header h;
        const int size = int(buffer_.size());
        for (unsigned pgn : pgns_)
            while (stack_.read(pgn, h, buffer_.data(), size, size, &get_waiter()) == 0)
                on_message(h, buffer_.data(), now_ms());
    } else if (event.module_id == stack_.event_ids().tx_finished) {
        auto value = static_cast<int32_t>(event.data);
        on_transfer_result(value < 0 ? -value : value, value > 0, now_ms());
    }
}

void Stack_host::handle_timeout(Timeout&) { on_tick(now_ms()); }

int Stack_host::send(unsigned pgn, unsigned char dest, int prio, const unsigned char* data,
                     int len, int tag)
{
    unsigned char src = own_address();
    if (src >= NO_ADDRESS)
        return -91;
    return stack_.write(src, dest, pgn, unsigned(prio), unsigned(len), data, len,
                        tag ? &get_waiter() : nullptr, tag);
}

} // namespace TC
