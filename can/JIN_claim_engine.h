// The ISO 11783-5 address claim and the table of who holds which source
// address: claims and contests by NAME, Cannot Claim, Request for Address
// Claimed and Commanded Address. The engine has no thread and no clock of its
// own: received messages and expired timers are handed to it, and what it
// sends, the timers it arms and the addresses it wins or loses go out through
// its Claim_port. The name manager runs it on its own thread over a CAN
// stack; tests drive it directly with a simulated clock.
//
// Not thread-safe: the owner serialises every call (the name manager calls
// it under its lock).
#pragma once

#include "can/JIN_name.h"
#include "can/JIN_name_support.h"
#include "platform/util/Random.h"

#include <cstdint>

namespace JIN_name {

// What the engine does to the world.
class Claim_port : public Name_timer_port {
public:
    // Address Claimed from src (0-253), or Cannot Claim Source Address when
    // src is 254; the NAME's 8 bytes, to the global address.
    virtual void send_address_claimed(unsigned char src, const RAWNAME& name) = 0;
    // Request for Address Claimed (PGN 0xEE00 requested) from src to dest.
    virtual void send_request(unsigned char src, unsigned char dest) = 0;
    // Commanded Address: the target's NAME and its new address, to 255.
    virtual void send_commanded_address(unsigned char src, const RAWNAME& target,
                                        unsigned char address) = 0;
    // An own NAME became champion of the address, or stopped being it.
    virtual void address_won(unsigned char address) = 0;
    virtual void address_lost(unsigned char address) = 0;
    // Something changed for this NAME: tell the listeners whose pattern
    // matches it.
    virtual void signal(const RAWNAME& name) = 0;
};

// One address of the table.
struct Name_slot : avl_bsnode {
    unsigned char address = 0;
    list_t state = NO_ENTRY;
    RAWNAME name;
    unsigned char search_start = 0; // where the current claim search began
    Name_timeout tim;

    static int compare(const Name_slot* a, const Name_slot* b)
    {
        return RAWNAME::compare(&a->name, &b->name);
    }
};

class Claim_engine {
public:
    static constexpr int NUM_SLOTS = 254;
    static constexpr unsigned char NULL_ADDRESS = 254;
    static constexpr unsigned char GLOBAL_ADDRESS = 255;
    static constexpr int CONTEST_MS = 250;
    static constexpr unsigned PGN_ADDRESS_CLAIMED = 0xEE00;
    static constexpr unsigned PGN_COMMANDED_ADDRESS = 0xFED8;
    static constexpr unsigned PRIORITY = 6;
    // The addresses a self-configurable NAME may take (ISO 11783-5).
    static constexpr int SELF_CONFIG_FIRST = 128;
    static constexpr int SELF_CONFIG_LAST = 247;

    explicit Claim_engine(Claim_port& port);
    Claim_engine(const Claim_engine&) = delete;
    Claim_engine& operator=(const Claim_engine&) = delete;

    // Seeds the back-off delays (0-255 ms) from the clock and the process,
    // or with a fixed value.
    void seed();
    void seed(uint32_t value);

    // Starts claiming the NAME at the preferred address after a random
    // 0-255 ms. False (nothing done) for a preferred address above 253.
    bool add_local_name(const RAWNAME& name, unsigned char preferred);
    // Ends a look-up of the NAME in progress and removes it from the own (or
    // the other nodes') NAMEs; an own NAME also leaves the own dead names.
    // True when it was there.
    bool del_local_name(const RAWNAME& name);
    bool del_remote_name(const RAWNAME& name);

    // The address at which the NAME is champion, else 255. Not found and
    // request set, or name being the GLOBAL_NAME object itself: a Request
    // for Address Claimed goes to 255 unless a look-up of the NAME is in
    // progress (one per 1250 ms) or the NAME is dead; for other NAMEs than
    // the global one a look-up starts.
    unsigned char gethostbyname(const RAWNAME& name, bool request);
    // Champions matching the pattern, own ones first when local is set,
    // each group in NAME order; at most max addresses.
    int gethostsbyname(const NAME& pattern, unsigned char* out, int max, bool local) const;
    // The NAME of an own champion (any champion) at the address.
    bool getlocalbyaddr(unsigned char address, RAWNAME& out) const;
    bool gethostbyaddr(unsigned char address, RAWNAME& out) const;
    // Commanded Address from the first own champion; false when no own NAME
    // holds an address or the address is above 253.
    bool send_commanded_address(const RAWNAME& target, unsigned char address);
    // Request for Address Claimed to dest from the first own champion (254
    // when none), then answers it for the own NAMEs as a received one.
    void send_request(unsigned char dest);
    // Own dead names, then the other nodes' dead names; at most max.
    int get_dead_names(RAWNAME* out, int max) const;

    // Received messages, as the stack delivers them. Wrong lengths,
    // destinations and addresses are dropped.
    void on_address_claimed(unsigned char src, unsigned char dest, const unsigned char* data,
                            int len);
    void on_request(unsigned char src, unsigned char dest, const unsigned char* data, int len);
    void on_commanded_address(unsigned char src, unsigned char dest, const unsigned char* data,
                              int len);
    // An armed timer record has expired (it is no longer armed).
    void on_timeout(const Name_timeout* t);

    // The table, for status and tests.
    list_t state_at(unsigned char address) const;
    const RAWNAME* name_at(unsigned char address) const;
    bool is_own_dead(const RAWNAME& name) const { return own_dead_.contains(name); }
    bool is_remote_dead(const RAWNAME& name) const { return remote_dead_.contains(name); }
    bool lookup_in_progress(const RAWNAME& name) const { return resolvers_.InProgress(name); }

    static RAWNAME name_from_bytes(const unsigned char* bytes);

private:
    using Slot_tree = c_bstree<avl_bstree, Name_slot>;

    static bool is_local(list_t s)
    {
        return s == LOCAL || s == LOCAL_CHALLENGER || s == LOCAL_CHAMPION;
    }
    static bool is_remote(list_t s) { return s == REMOTE_CHALLENGER || s == REMOTE_CHAMPION; }

    Name_slot* find_in(const Slot_tree& tree, const RAWNAME& name) const;
    Name_slot* own_slot_at(unsigned char address);
    int random_delay() { return static_cast<int>(random_.rand() & 0xFF); }

    // Enters the NAME at the address in state LOCAL or REMOTE_CHALLENGER.
    void add(const RAWNAME& name, unsigned char address, list_t state);
    void move_to(Name_slot& s, list_t state);
    void remove(Name_slot& s);
    // Moves the own NAME of the slot to the address as challenger and sends
    // its claim; a new search starts there unless keep_search is set.
    void claim(Name_slot& s, unsigned char address, bool keep_search);
    void send_claim(const Name_slot& s);
    void answer_request(unsigned char dest);
    void lost_contest(Name_slot& own, const RAWNAME& winner, unsigned char address);
    // The next free self-configurable address after losing lost, or 254.
    unsigned char free_self_configurable_address(unsigned char lost) const;
    void declare_dead(const RAWNAME& name);

    Claim_port& port_;
    Random random_;
    Name_slot slots_[NUM_SLOTS];
    Slot_tree local_;
    Slot_tree remote_;
    Dead_names own_dead_;
    Dead_names remote_dead_;
    Resolvers resolvers_;
};

} // namespace JIN_name
