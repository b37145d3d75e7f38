#include "can/JIN_claim_engine.h"

#include "util/Bugger.h"
#include "util/Debug_base.h"

namespace JIN_name {

namespace {

void dump_if_tracing(const RAWNAME& name)
{
    if (JDB::enabled(_JDB::CAN_41))
        name.dump(false);
}

} // namespace

Claim_engine::Claim_engine(Claim_port& port) : port_(port)
{
    local_.create(&Name_slot::compare);
    remote_.create(&Name_slot::compare);
    for (int a = 0; a < NUM_SLOTS; ++a) {
        slots_[a].address = static_cast<unsigned char>(a);
        slots_[a].search_start = static_cast<unsigned char>(a);
        slots_[a].tim.owner = &slots_[a];
    }
}

void Claim_engine::seed() { random_.init(); }

void Claim_engine::seed(uint32_t value) { random_.init(value); }

RAWNAME Claim_engine::name_from_bytes(const unsigned char* bytes)
{
    unsigned long long v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | bytes[i];
    return RAWNAME(v);
}

// ------------------------------------------------------------------- table

Name_slot* Claim_engine::find_in(const Slot_tree& tree, const RAWNAME& name) const
{
    Name_slot key;
    key.name = name;
    return tree.find(&key, BSTREE_EQUAL);
}

Name_slot* Claim_engine::own_slot_at(unsigned char address)
{
    if (address >= NUM_SLOTS || !is_local(slots_[address].state))
        return nullptr;
    return &slots_[address];
}

void Claim_engine::add(const RAWNAME& name, unsigned char address, list_t state)
{
    if (state != LOCAL && state != REMOTE_CHALLENGER)
        Bugger::report_bug("Name_manager: _Add to a list other than LOCAL or REMOTE_CHALLENGER");
    Slot_tree& tree = state == LOCAL ? local_ : remote_;
    if (Name_slot* there = find_in(tree, name))
        remove(*there);
    Name_slot& target = slots_[address];
    if (target.state != NO_ENTRY)
        remove(target);
    target.name = name;
    target.search_start = address;
    move_to(target, state);
}

void Claim_engine::move_to(Name_slot& s, list_t state)
{
    s.state = state;
    switch (state) {
    case LOCAL_CHALLENGER:
        s.tim.type = LOCAL_TIMEOUT;
        port_.arm(s.tim, port_.now() + CONTEST_MS);
        if (!s.in_tree())
            local_.insert(&s);
        break;
    case LOCAL_CHAMPION:
        port_.address_won(s.address);
        break;
    case REMOTE_CHALLENGER:
        s.tim.type = REMOTE_TIMEOUT;
        port_.arm(s.tim, port_.now() + CONTEST_MS);
        if (!s.in_tree())
            remote_.insert(&s);
        break;
    case REMOTE_CHAMPION:
        if (!s.in_tree())
            remote_.insert(&s);
        break;
    case LOCAL:
        s.tim.type = INITIALISE_TIMEOUT;
        port_.arm(s.tim, port_.now() + random_delay());
        if (!s.in_tree())
            local_.insert(&s);
        break;
    default:
        Bugger::report_bug("Name_manager: move to a selector state");
    }
}

void Claim_engine::remove(Name_slot& s)
{
    switch (s.state) {
    case LOCAL:
    case LOCAL_CHALLENGER:
    case REMOTE_CHALLENGER:
        port_.cancel(s.tim);
        break;
    case LOCAL_CHAMPION:
        port_.address_lost(s.address);
        break;
    default:
        break;
    }
    if (is_local(s.state))
        local_.remove(&s);
    else if (is_remote(s.state))
        remote_.remove(&s);
    s.state = NO_ENTRY;
    s.tim.type = NO_TIMEOUT;
}

void Claim_engine::claim(Name_slot& s, unsigned char address, bool keep_search)
{
    RAWNAME name = s.name;
    unsigned char start = keep_search ? s.search_start : address;
    remove(s);
    Name_slot& target = slots_[address];
    if (&target != &s && target.state != NO_ENTRY)
        remove(target);
    target.name = name;
    move_to(target, LOCAL_CHALLENGER);
    target.search_start = start;
    send_claim(target);
}

void Claim_engine::send_claim(const Name_slot& s)
{
    if (s.address >= NUM_SLOTS)
        Bugger::report_bug("Name_manager: Address Claimed from 254");
    JDB::print(_JDB::CAN_41, "Send addr for %i\n", s.address);
    port_.send_address_claimed(s.address, s.name);
}

void Claim_engine::declare_dead(const RAWNAME& name)
{
    RAWNAME_node* n = own_dead_.add(name, port_);
    port_.arm(n->tim, port_.now() + random_delay());
}

// ------------------------------------------------------- public operations

bool Claim_engine::add_local_name(const RAWNAME& name, unsigned char preferred)
{
    JDB::print(_JDB::CAN_41, "Add local name for %i\n", preferred);
    dump_if_tracing(name);
    if (preferred >= NUM_SLOTS)
        return false;
    // A fresh attempt: the NAME stops announcing that it could not claim.
    own_dead_.remove(name, port_);
    add(name, preferred, LOCAL);
    return true;
}

bool Claim_engine::del_local_name(const RAWNAME& name)
{
    resolvers_.Remove(name, port_);
    bool was_dead = own_dead_.remove(name, port_);
    Name_slot* s = find_in(local_, name);
    if (!s)
        return was_dead;
    remove(*s);
    return true;
}

bool Claim_engine::del_remote_name(const RAWNAME& name)
{
    resolvers_.Remove(name, port_);
    Name_slot* s = find_in(remote_, name);
    if (!s)
        return false;
    remove(*s);
    return true;
}

unsigned char Claim_engine::gethostbyname(const RAWNAME& name, bool request)
{
    if (Name_slot* s = find_in(remote_, name); s && s->state == REMOTE_CHAMPION)
        return s->address;
    if (Name_slot* s = find_in(local_, name); s && s->state == LOCAL_CHAMPION)
        return s->address;
    bool global = &name == &RAWNAME::GLOBAL_NAME;
    if (!request && !global)
        return GLOBAL_ADDRESS;
    if (resolvers_.InProgress(name) || own_dead_.contains(name) || remote_dead_.contains(name))
        return GLOBAL_ADDRESS;
    if (!global && !resolvers_.Add(name, port_)) {
        // Every look-up slot is busy: the request would go out unlimited.
        JDB::print(_JDB::CAN_41, "No free resolver!\n");
        return GLOBAL_ADDRESS;
    }
    send_request(GLOBAL_ADDRESS);
    return GLOBAL_ADDRESS;
}

int Claim_engine::gethostsbyname(const NAME& pattern, unsigned char* out, int max,
                                 bool local) const
{
    if (!out || max <= 0)
        return 0;
    int n = 0;
    if (local) {
        for (Name_slot* s = local_.first(); s && n < max; s = local_.next(s))
            if (s->state == LOCAL_CHAMPION && pattern.match(s->name))
                out[n++] = s->address;
    }
    for (Name_slot* s = remote_.first(); s && n < max; s = remote_.next(s))
        if (s->state == REMOTE_CHAMPION && pattern.match(s->name))
            out[n++] = s->address;
    return n;
}

bool Claim_engine::getlocalbyaddr(unsigned char address, RAWNAME& out) const
{
    if (address < NUM_SLOTS && slots_[address].state == LOCAL_CHAMPION) {
        out = slots_[address].name;
        return true;
    }
    out.reset();
    return false;
}

bool Claim_engine::gethostbyaddr(unsigned char address, RAWNAME& out) const
{
    if (address < NUM_SLOTS) {
        list_t s = slots_[address].state;
        if (s == LOCAL_CHAMPION || s == REMOTE_CHAMPION) {
            out = slots_[address].name;
            return true;
        }
    }
    out.reset();
    return false;
}

bool Claim_engine::send_commanded_address(const RAWNAME& target, unsigned char address)
{
    if (address >= NUM_SLOTS)
        return false;
    for (Name_slot* s = local_.first(); s; s = local_.next(s)) {
        if (s->state == LOCAL_CHAMPION) {
            port_.send_commanded_address(s->address, target, address);
            return true;
        }
    }
    return false;
}

void Claim_engine::send_request(unsigned char dest)
{
    unsigned char src = NULL_ADDRESS;
    for (Name_slot* s = local_.first(); s; s = local_.next(s)) {
        if (s->state == LOCAL_CHAMPION) {
            src = s->address;
            break;
        }
    }
    port_.send_request(src, dest);
    // The bus does not bring our own request back: answer it ourselves.
    answer_request(dest);
}

int Claim_engine::get_dead_names(RAWNAME* out, int max) const
{
    if (!out || max <= 0)
        return 0;
    int n = own_dead_.get(out, max);
    return n + remote_dead_.get(out + n, max - n);
}

list_t Claim_engine::state_at(unsigned char address) const
{
    return address < NUM_SLOTS ? slots_[address].state : NO_ENTRY;
}

const RAWNAME* Claim_engine::name_at(unsigned char address) const
{
    if (address >= NUM_SLOTS || slots_[address].state == NO_ENTRY)
        return nullptr;
    return &slots_[address].name;
}

// --------------------------------------------------------------- receiving

void Claim_engine::on_request(unsigned char src, unsigned char dest, const unsigned char* data,
                              int len)
{
    (void)src;
    if (!data || len < 3 || data[0] != 0x00 || data[1] != 0xEE || data[2] != 0x00)
        return;
    JDB::print(_JDB::CAN_41, "Recv address claim request\n");
    answer_request(dest);
}

void Claim_engine::answer_request(unsigned char dest)
{
    if (dest == GLOBAL_ADDRESS) {
        for (Name_slot* s = local_.first(); s; s = local_.next(s))
            if (s->state == LOCAL_CHALLENGER || s->state == LOCAL_CHAMPION)
                send_claim(*s);
        RAWNAME dead[Dead_names::SIZE];
        int n = own_dead_.get(dead, Dead_names::SIZE);
        for (int i = 0; i < n; ++i)
            declare_dead(dead[i]);
        return;
    }
    if (dest == NULL_ADDRESS)
        return;
    if (Name_slot* s = own_slot_at(dest))
        send_claim(*s);
}

void Claim_engine::on_address_claimed(unsigned char src, unsigned char dest,
                                      const unsigned char* data, int len)
{
    if (!data || len != 8 || dest != GLOBAL_ADDRESS)
        return;
    JDB::print(_JDB::CAN_41, "Recv address claim\n");
    RAWNAME name = name_from_bytes(data);

    if (src == NULL_ADDRESS) {
        JDB::print(_JDB::CAN_41, "Received name claim failure\n");
        if (own_dead_.contains(name))
            return;
        del_remote_name(name);
        port_.signal(name);
        remote_dead_.add(name, port_);
        return;
    }
    if (src >= NUM_SLOTS) // 255 is no source address
        return;

    JDB::print(_JDB::CAN_41, "Read address claimed from %i\n", src);
    dump_if_tracing(name);
    Name_slot* own = own_slot_at(src);
    if (!own) {
        JDB::print(_JDB::CAN_41, "No address clash\n");
        own = find_in(local_, name);
        if (!own) {
            JDB::print(_JDB::CAN_41, "No name clash\n");
            Name_slot& there = slots_[src];
            if (there.state == REMOTE_CHAMPION && there.name == name)
                port_.signal(name);
            else
                add(name, src, REMOTE_CHALLENGER);
            return;
        }
    }

    int c = RAWNAME::compare(&own->name, &name);
    if (c == 0) {
        JDB::print(_JDB::CAN_41, "Recv our own claim\n");
        return;
    }
    if (c < 0) {
        JDB::print(_JDB::CAN_41, "Clashed, higher priority\n");
        del_remote_name(name);
        send_claim(*own);
        return;
    }
    JDB::print(_JDB::CAN_41, "Clashed, lower priority\n");
    lost_contest(*own, name, src);
}

void Claim_engine::lost_contest(Name_slot& own, const RAWNAME& winner, unsigned char address)
{
    if (own.name.get_is_self_configurable()) {
        const unsigned char next = free_self_configurable_address(own.address);
        if (next != NULL_ADDRESS) {
            JDB::print(_JDB::CAN_41, "Now trying %i\n", next);
            claim(own, next, true);
            add(winner, address, REMOTE_CHALLENGER);
            return;
        }
    }
    JDB::print(_JDB::CAN_41, "%i is dead\n", address);
    declare_dead(own.name);
    // Entering the winner removes the own NAME from the address.
    add(winner, address, REMOTE_CHALLENGER);
}

// A NAME that lost its address moves into the self-configurable range,
// beginning after the address it lost when that lies in the range, and takes
// the first address nobody (no other node, no own NAME) holds.
unsigned char Claim_engine::free_self_configurable_address(unsigned char lost) const
{
    constexpr int range = SELF_CONFIG_LAST - SELF_CONFIG_FIRST + 1;
    const int first = lost >= SELF_CONFIG_FIRST && lost <= SELF_CONFIG_LAST
                          ? lost - SELF_CONFIG_FIRST + 1
                          : 0;
    for (int i = 0; i < range; ++i) {
        const int a = SELF_CONFIG_FIRST + (first + i) % range;
        if (a != lost && slots_[a].state == NO_ENTRY)
            return static_cast<unsigned char>(a);
    }
    return NULL_ADDRESS;
}

void Claim_engine::on_commanded_address(unsigned char src, unsigned char dest,
                                        const unsigned char* data, int len)
{
    (void)src;
    (void)dest;
    if (!data || len != 9)
        return;
    JDB::print(_JDB::CAN_41, "Recv commanded address\n");
    unsigned char address = data[8];
    // 254 and 255 are no addresses to claim: such a command is dropped.
    if (address >= NUM_SLOTS)
        return;
    Name_slot* own = find_in(local_, name_from_bytes(data));
    if (!own)
        return;
    // An address that another own NAME holds is not taken from it: that
    // NAME would leave the table without a claim or a Cannot Claim.
    if (Name_slot* there = own_slot_at(address); there && there != own) {
        JDB::print(_JDB::CAN_41, "Commanded address %i is held by an own NAME\n", address);
        return;
    }
    claim(*own, address, false);
}

void Claim_engine::on_timeout(const Name_timeout* t)
{
    switch (t->type) {
    case LOCAL_TIMEOUT: {
        auto* s = static_cast<Name_slot*>(t->owner);
        if (s->state != LOCAL_CHALLENGER)
            return;
        move_to(*s, LOCAL_CHAMPION);
        port_.signal(s->name);
        return;
    }
    case REMOTE_TIMEOUT: {
        auto* s = static_cast<Name_slot*>(t->owner);
        if (s->state != REMOTE_CHALLENGER)
            return;
        move_to(*s, REMOTE_CHAMPION);
        port_.signal(s->name);
        return;
    }
    case INITIALISE_TIMEOUT: {
        auto* s = static_cast<Name_slot*>(t->owner);
        if (s->state != LOCAL)
            return;
        claim(*s, s->address, true);
        return;
    }
    case DEAD_NAME_TIMEOUT: {
        auto* n = static_cast<RAWNAME_node*>(t->owner);
        if (!n->in_tree() || !own_dead_.contains(n->name))
            return;
        JDB::print(_JDB::CAN_41, "Could not claim address\n");
        dump_if_tracing(n->name);
        port_.send_address_claimed(NULL_ADDRESS, n->name);
        port_.signal(n->name);
        return;
    }
    case HOST_LOOKUP_TIMEOUT: {
        auto* n = static_cast<Resolve_node*>(t->owner);
        RAWNAME name = n->name;
        resolvers_.Release(n);
        port_.signal(name);
        return;
    }
    default:
        Bugger::report_bug("Name_manager: timer record without a kind");
    }
}

} // namespace JIN_name
