#include "can/JIN_name_manager.h"

#include "can/JIN_stack.h"
#include "util/Debug_base.h"

#include <atomic>
#include <cstdio>

namespace JIN_name {

namespace {
std::atomic<int> managers_opened{0};
} // namespace

Name_manager::Name_manager(JIN_stack& stack) : stack_(stack) {}

Name_manager::Name_manager(JIN_stack& stack, module_man* man) : stack_(stack) { open(man); }

Name_manager::~Name_manager()
{
    close();
    if (get_state() != UNINIT)
        terminate(true);
}

int Name_manager::open(module_man* man)
{
    if (opened_ || !man)
        return -1;
    engine_.seed();
    man->init_module(&module_id_, false);
    char name[Diner::Descriptor::NAME_SIZE];
    // The thread name keeps at most four characters.
    std::snprintf(name, 5, "NMN%d", managers_opened++);
    init(*man, nullptr, Diner::Descriptor(name, 0), 32, 20480, true, false);
    short ignored = 0;
    stack_.register_pgn(Claim_engine::PGN_ADDRESS_CLAIMED, &get_waiter(), &ignored,
                        JIN_PGN::REQUEST);
    stack_.register_pgn(Claim_engine::PGN_ADDRESS_CLAIMED, &get_waiter(), &ignored,
                        JIN_PGN::NORMAL);
    stack_.register_pgn(Claim_engine::PGN_COMMANDED_ADDRESS, &get_waiter(), &ignored,
                        JIN_PGN::NORMAL);
    opened_ = true;
    return 0;
}

void Name_manager::close()
{
    if (!opened_)
        return;
    opened_ = false;
    stack_.deregister_pgn(Claim_engine::PGN_ADDRESS_CLAIMED, &get_waiter(), JIN_PGN::REQUEST);
    stack_.deregister_pgn(Claim_engine::PGN_ADDRESS_CLAIMED, &get_waiter(), JIN_PGN::NORMAL);
    stack_.deregister_pgn(Claim_engine::PGN_COMMANDED_ADDRESS, &get_waiter(), JIN_PGN::NORMAL);
    if (get_state() == RUNNING)
        stop();
}

// ------------------------------------------------------- public operations

bool Name_manager::add_local_name(const RAWNAME& name, unsigned char preferred)
{
    Protection p(*this);
    return engine_.add_local_name(name, preferred);
}

bool Name_manager::del_local_name(const RAWNAME& name)
{
    Protection p(*this);
    return engine_.del_local_name(name);
}

bool Name_manager::del_remote_name(const RAWNAME& name)
{
    Protection p(*this);
    return engine_.del_remote_name(name);
}

unsigned char Name_manager::gethostbyname(const RAWNAME& name, bool request)
{
    Protection p(*this);
    return engine_.gethostbyname(name, request);
}

int Name_manager::gethostsbyname(const NAME& pattern, unsigned char* out, int max, bool local)
{
    Protection p(*this);
    return engine_.gethostsbyname(pattern, out, max, local);
}

bool Name_manager::getlocalbyaddr(const unsigned char& address, RAWNAME& out)
{
    Protection p(*this);
    return engine_.getlocalbyaddr(address, out);
}

bool Name_manager::gethostbyaddr(const unsigned char& address, RAWNAME& out)
{
    Protection p(*this);
    return engine_.gethostbyaddr(address, out);
}

bool Name_manager::_send_commanded_address(const RAWNAME& target, unsigned char address)
{
    Protection p(*this);
    return engine_.send_commanded_address(target, address);
}

int Name_manager::get_dead_names(RAWNAME* out, int max)
{
    // The rings change on the manager's thread: read them under its lock.
    Protection p(*this);
    return engine_.get_dead_names(out, max);
}

NAME Name_manager::get_event_name(const Listen_node* node)
{
    if (!node || !node->owner)
        return NAME();
    return node->owner->pattern_of(node);
}

// ---------------------------------------------------------------- handlers

void Name_manager::handle_event(waiter_event& event)
{
    const JIN_stack::Event_ids& ids = stack_.event_ids();
    if (event.module_id == ids.request && event.data == Claim_engine::PGN_ADDRESS_CLAIMED)
        read_requests();
    else if (event.module_id == ids.rx)
        read_messages();
}

// Reads every message of the PGN waiting for the manager. A message longer
// than the buffer is skipped by the stack with the same -1 as "none left",
// so reading ends only after two misses in a row.
template <class F>
static void read_all(JIN_stack& stack, unsigned pgn, JIN_PGN::type_t kind,
                     waiter_descriptor* w, F handle)
{
    JIN_header h;
    unsigned char buf[16];
    for (int misses = 0; misses < 2;) {
        if (stack.read(pgn, h, buf, sizeof buf, sizeof buf, w, kind) != 0) {
            ++misses;
            continue;
        }
        misses = 0;
        handle(h, buf);
    }
}

void Name_manager::read_requests()
{
    read_all(stack_, Claim_engine::PGN_ADDRESS_CLAIMED, JIN_PGN::REQUEST, &get_waiter(),
             [this](const JIN_header& h, const unsigned char* buf) {
                 engine_.on_request(h.src, h.dest, buf, static_cast<int>(h.length));
             });
}

void Name_manager::read_messages()
{
    read_all(stack_, Claim_engine::PGN_ADDRESS_CLAIMED, JIN_PGN::NORMAL, &get_waiter(),
             [this](const JIN_header& h, const unsigned char* buf) {
                 engine_.on_address_claimed(h.src, h.dest, buf, static_cast<int>(h.length));
             });
    read_all(stack_, Claim_engine::PGN_COMMANDED_ADDRESS, JIN_PGN::NORMAL, &get_waiter(),
             [this](const JIN_header& h, const unsigned char* buf) {
                 engine_.on_commanded_address(h.src, h.dest, buf, static_cast<int>(h.length));
             });
}

void Name_manager::handle_timeout(const Tim* tim)
{
    engine_.on_timeout(static_cast<const Name_timeout*>(tim));
}

// ---------------------------------------------------------- through the stack

void Name_manager::send_address_claimed(unsigned char src, const RAWNAME& name)
{
    stack_.write(src, Claim_engine::GLOBAL_ADDRESS, Claim_engine::PGN_ADDRESS_CLAIMED,
                 Claim_engine::PRIORITY, 8, name.bytes(), 8, nullptr, 1);
}

void Name_manager::send_request(unsigned char src, unsigned char dest)
{
    stack_.request(src, dest, Claim_engine::PGN_ADDRESS_CLAIMED, nullptr, 1);
}

void Name_manager::send_commanded_address(unsigned char src, const RAWNAME& target,
                                          unsigned char address)
{
    unsigned char data[9];
    for (int i = 0; i < 8; ++i)
        data[i] = target.bytes()[i];
    data[8] = address;
    stack_.write(src, Claim_engine::GLOBAL_ADDRESS, Claim_engine::PGN_COMMANDED_ADDRESS,
                 Claim_engine::PRIORITY, 9, data, 9, nullptr, 1);
}

void Name_manager::address_won(unsigned char address) { stack_.register_address(address); }

void Name_manager::address_lost(unsigned char address) { stack_.deregister_address(address); }

void Name_manager::signal(const RAWNAME& name) { listeners_.Signal(name, module_id_); }

} // namespace JIN_name
