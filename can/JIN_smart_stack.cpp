#include "can/JIN_smart_stack.h"

#include <vector>

using JIN_name::Listen_node;
using JIN_name::NAME;
using JIN_name::RAWNAME;

namespace {
constexpr unsigned char NO_ADDRESS = 255;
} // namespace

JIN_smart_stack::JIN_smart_stack() = default;

JIN_smart_stack::~JIN_smart_stack()
{
    names_.close();
    // The stack's thread ends before the name manager goes: it must not
    // deliver to it, nor run while this object is taken apart.
    if (get_state() != UNINIT)
        terminate(true);
}

int JIN_smart_stack::open(CAN_bus& bus, module_man* man)
{
    int rc = JIN_stack::open(bus, man);
    names_.open(man);
    return rc;
}

void JIN_smart_stack::diner_start()
{
    JIN_stack::diner_start();
    names_.start();
}

// ------------------------------------------------------------- resolving

bool JIN_smart_stack::resolve_addresses(const RAWNAME& from, const RAWNAME& to,
                                        unsigned char& src, unsigned char& dest)
{
    src = names_.gethostbyname(from, false);
    if (src == NO_ADDRESS)
        return false;
    if (&to == &RAWNAME::GLOBAL_NAME) {
        dest = NO_ADDRESS;
        return true;
    }
    dest = names_.gethostbyname(to, false);
    return dest != NO_ADDRESS;
}

bool JIN_smart_stack::resolve_addresses(const JIN_NAME& from, const JIN_NAME& to,
                                        unsigned char& src, unsigned char& dest)
{
    if (names_.gethostsbyname(from.name, &src, 1, true) < 1) {
        src = NO_ADDRESS;
        return false;
    }
    if (static_cast<const RAWNAME&>(to.name) == RAWNAME::GLOBAL_NAME) {
        dest = NO_ADDRESS;
        return true;
    }
    if (names_.gethostsbyname(to.name, &dest, 1, true) < 1) {
        dest = NO_ADDRESS;
        return false;
    }
    return true;
}

// --------------------------------------------------------------- sending

int JIN_smart_stack::write(const RAWNAME& from, const RAWNAME& to, unsigned pgn, unsigned prio,
                           unsigned len, const unsigned char* data, int data_len,
                           waiter_descriptor* w, int tag)
{
    unsigned char src, dest;
    if (!resolve_addresses(from, to, src, dest))
        return ERR_UNRESOLVED;
    return JIN_stack::write(src, dest, pgn, prio, len, data, data_len, w, tag);
}

int JIN_smart_stack::write(const JIN_NAME& from, const JIN_NAME& to, unsigned pgn, unsigned prio,
                           unsigned len, const unsigned char* data, int data_len,
                           waiter_descriptor* w, int tag)
{
    unsigned char src, dest;
    if (!resolve_addresses(from, to, src, dest))
        return ERR_UNRESOLVED;
    return JIN_stack::write(src, dest, pgn, prio, len, data, data_len, w, tag);
}

int JIN_smart_stack::write_header(JIN_header& h, const unsigned char* data, int len,
                                  waiter_descriptor* w, int tag)
{
    int rc;
    {
        Diner::Protection p(*this);
        rc = __write(h, data, len, w, tag);
    }
    kick();
    return rc;
}

int JIN_smart_stack::write(const RAWNAME& from, const RAWNAME& to, JIN_header& h,
                           const unsigned char* data, int len, waiter_descriptor* w, int tag)
{
    if (!resolve_addresses(from, to, h.src, h.dest))
        return ERR_UNRESOLVED;
    return write_header(h, data, len, w, tag);
}

int JIN_smart_stack::write(const JIN_NAME& from, const JIN_NAME& to, JIN_header& h,
                           const unsigned char* data, int len, waiter_descriptor* w, int tag)
{
    if (!resolve_addresses(from, to, h.src, h.dest))
        return ERR_UNRESOLVED;
    return write_header(h, data, len, w, tag);
}

int JIN_smart_stack::request(unsigned pgn, const RAWNAME& from, const RAWNAME& to)
{
    unsigned char src, dest;
    if (!resolve_addresses(from, to, src, dest))
        return ERR_UNRESOLVED;
    return JIN_stack::request(src, dest, pgn, nullptr, 1);
}

int JIN_smart_stack::send_ack(const RAWNAME& from, unsigned long pgn, bool ack, const RAWNAME& to)
{
    unsigned char src = names_.gethostbyname(from, false);
    if (src == NO_ADDRESS)
        return ERR_UNRESOLVED;
    unsigned char dest = to == RAWNAME() ? NO_ADDRESS : names_.gethostbyname(to, false);
    int rc;
    {
        Diner::Protection p(*this);
        rc = __send_ack(src, static_cast<unsigned>(pgn), ack, dest);
    }
    kick();
    return rc;
}

// --------------------------------------------------------------- reading

int JIN_smart_stack::read(unsigned pgn, JIN_NAME& from, JIN_NAME& to, JIN_header& h,
                          unsigned char* buf, int buf_len, int max_len, waiter_descriptor* w,
                          JIN_PGN::type_t kind)
{
    int rc = JIN_stack::read(pgn, h, buf, buf_len, max_len, w, kind);
    if (rc < 0)
        return rc;
    bool no_listener = false;
    bool unknown = false;
    auto name_of = [&](unsigned char address, JIN_NAME& out) {
        out.listener = nullptr;
        if (address == NO_ADDRESS) {
            out.name = NAME(RAWNAME::GLOBAL_NAME);
            return;
        }
        RAWNAME holder;
        if (!names_.gethostbyaddr(address, holder)) {
            unknown = true;
            return;
        }
        out.name = NAME(holder);
        out.listener = names_.listeners().Add(out.name, w);
        if (!out.listener)
            no_listener = true;
    };
    name_of(h.src, from);
    name_of(h.dest, to);
    if (no_listener)
        return ERR_NO_LISTENER;
    return unknown ? ERR_UNRESOLVED : 0;
}

int JIN_smart_stack::add_listener(const NAME& pattern, waiter_descriptor* w,
                                  const Listen_node*& out)
{
    out = names_.listeners().Add(pattern, w);
    return out ? 0 : ERR_NO_LISTENER;
}

bool JIN_smart_stack::remove_listener(const Listen_node* node)
{
    return names_.listeners().Remove(node);
}

unsigned char JIN_smart_stack::wait_for_name(waiter_descriptor* w, const RAWNAME& name,
                                             bool resolve, const std::function<bool()>& give_up)
{
    // A registration the caller holds already for this NAME on w is the one
    // Add hands back: it stays when the wait ends.
    bool added = false;
    const Listen_node* node = names_.listeners().Add(NAME(name), w, &added);
    auto release = [&] {
        if (added)
            names_.listeners().Remove(node);
    };
    unsigned char a = names_.gethostbyname(name, false);
    if (a != NO_ADDRESS || !node) {
        release();
        return a;
    }
    // Whatever else arrives meanwhile is kept and handed back afterwards:
    // the caller's wake-ups (a signal handler's, for one) are not lost.
    std::vector<waiter_event> others;
    int anonymous = 0;
    bool given_up = false;
    for (;;) {
        waiter_event e;
        w->get_event(&e);
        if (e.module_id == names_.module_id() && e.code == reinterpret_cast<intptr_t>(node))
            break;
        if (e.module_id == module_man::EVENT_ANONYMOUS.module_id)
            ++anonymous;
        else
            others.push_back(e);
        if (give_up && give_up()) {
            given_up = true;
            break;
        }
    }
    release();
    for (const waiter_event& e : others)
        w->send_event(e, false, false);
    for (int i = 0; i < anonymous; ++i)
        w->send_anonymous_event();
    if (given_up || !resolve)
        return NO_ADDRESS;
    return names_.gethostbyname(name, false);
}
