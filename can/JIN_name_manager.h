// The name manager of one CAN stack: runs the ISO 11783-5 address claim for
// the node's own NAMEs and keeps the table of who holds which source address
// (Claim_engine), on its own thread "NMN<n>". It receives Address Claimed,
// Commanded Address and Request for Address Claimed through the stack and
// sends through it; the addresses its own NAMEs win are registered with the
// stack so that messages to them are received.
//
// Listeners: a waiter registered for a NAME pattern (listeners().Add) gets an
// event whose module id is module_id() and whose code word is its
// Listen_node whenever something changes for a matching NAME (claimed, lost,
// look-up ended). The receiver then asks for the current addresses again.
#pragma once

#include "can/JIN_claim_engine.h"
#include "can/JIN_name.h"
#include "can/JIN_name_support.h"
#include "glue/diner/Diner_protection.h"
#include "glue/diner/Tim_diner.h"

class JIN_stack;
class module_man;

namespace JIN_name {

class Name_manager : public Diner_protection<Tim_diner<Diner>>, private Claim_port {
public:
    using Base = Diner_protection<Tim_diner<Diner>>;

    explicit Name_manager(JIN_stack& stack);
    Name_manager(JIN_stack& stack, module_man* man);
    ~Name_manager() override;

    // Takes a module id, registers for PGN 0xEE00 (messages and requests)
    // and 0xFED8 with the stack and creates the thread, stopped (start()
    // releases it). 0, or -1 when opened already or without a module
    // manager.
    int open(module_man* man);
    // Deregisters from the stack and stops the thread; no event reaches the
    // manager afterwards.
    void close();

    // Each of these takes the manager's lock.
    bool add_local_name(const RAWNAME& name, unsigned char preferred);
    bool del_local_name(const RAWNAME& name);
    bool del_remote_name(const RAWNAME& name);
    unsigned char gethostbyname(const RAWNAME& name, bool request);
    int gethostsbyname(const NAME& pattern, unsigned char* out, int max, bool local);
    bool getlocalbyaddr(const unsigned char& address, RAWNAME& out);
    bool gethostbyaddr(const unsigned char& address, RAWNAME& out);
    bool _send_commanded_address(const RAWNAME& target, unsigned char address);
    int get_dead_names(RAWNAME* out, int max);

    // The pattern a listener node was registered with.
    static NAME get_event_name(const Listen_node* node);
    // Add and Remove take only the pool's own mutex.
    Listeners& listeners() { return listeners_; }
    short module_id() const { return module_id_; }

    void handle_event(waiter_event& event) override;
    using Base::handle_timeout;
    void handle_timeout(const Tim* tim) override;

private:
    // Claim_port
    Atime now() override { return Atime::now(); }
    void arm(Name_timeout& t, const Atime& deadline) override { arm_tim(t, deadline); }
    void cancel(Name_timeout& t) override { cancel_tim(t); }
    void send_address_claimed(unsigned char src, const RAWNAME& name) override;
    void send_request(unsigned char src, unsigned char dest) override;
    void send_commanded_address(unsigned char src, const RAWNAME& target,
                                unsigned char address) override;
    void address_won(unsigned char address) override;
    void address_lost(unsigned char address) override;
    void signal(const RAWNAME& name) override;

    void read_requests();
    void read_messages();

    JIN_stack& stack_;
    Claim_engine engine_{*this};
    Listeners listeners_;
    short module_id_ = 0;
    bool opened_ = false;
};

} // namespace JIN_name
