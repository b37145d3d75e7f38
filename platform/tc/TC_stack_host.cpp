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
    for (const Registration& r : registrations_)
        stack_.deregister_pgn(r.pgn, &get_waiter(), r.kind);
    if (listener_)
        stack_.remove_listener(listener_);
    // A transfer still under way must not tell a host that is gone.
    stack_.forget_waiter(&get_waiter());
}

void Stack_host::stop_host()
{
    if (get_state() != Diner::UNINIT && !terminated())
        terminate(true);
}

bool Stack_host::register_pgn(unsigned pgn, JIN_PGN::type_t kind)
{
    if (stack_.register_pgn(pgn, &get_waiter(), nullptr, kind) != 1)
        return false;
    registrations_.push_back({pgn, kind});
    return true;
}

bool Stack_host::open_host(module_man& mm, const char* diner_name,
                           std::initializer_list<unsigned> pgns, int tick_ms, int max_message,
                           std::initializer_list<unsigned> request_pgns)
{
    Diner::init(mm, nullptr, Diner::Descriptor(diner_name, 0), 44, 10240, true, false);
    Diner::Protection lock(*this);
    buffer_.resize(size_t(max_message));
    for (unsigned pgn : pgns)
        if (!register_pgn(pgn, JIN_PGN::NORMAL))
            return false;
    for (unsigned pgn : request_pgns)
        if (!register_pgn(pgn, JIN_PGN::REQUEST))
            return false;
    if (stack_.add_listener(JIN_name::NAME(name_), &get_waiter(), listener_) != 0)
        return false;
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

void Stack_host::read_messages(JIN_PGN::type_t kind)
{
    JIN_header h;
    const int size = int(buffer_.size());
    for (const Registration& r : registrations_)
        if (r.kind == kind)
            while (stack_.read(r.pgn, h, buffer_.data(), size, size, &get_waiter(), kind) == 0)
                on_message(h, buffer_.data(), now_ms());
}

void Stack_host::handle_event(waiter_event& event)
{
    const JIN_stack::Event_ids& ids = stack_.event_ids();
    if (event.module_id == ids.rx) {
        read_messages(JIN_PGN::NORMAL);
    } else if (event.module_id == ids.request) {
        read_messages(JIN_PGN::REQUEST);
    } else if (event.module_id == ids.tx_finished) {
        auto value = static_cast<int32_t>(event.data);
        on_transfer_result(value < 0 ? -value : value, value > 0, now_ms());
    } else if (event.module_id == stack_.name_manager().module_id()) {
        on_address_change(now_ms());
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
