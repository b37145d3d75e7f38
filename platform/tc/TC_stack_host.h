// A Diner that runs a message engine of the task-controller protocol on a
// CAN stack: it reads the messages of its PGNs and the requests for its
// request PGNs (as PGN 0xEA00 messages) and hands them on, reports the
// outcome of tagged transfers and every change of its NAME's address (the
// name manager tells it), ticks, and sends from the address its NAME holds
// at that moment. The client session and the tests' task controller derive
// from it.
#pragma once

#include "can/JIN_name.h"
#include "can/JIN_smart_stack.h"
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"
#include "glue/diner/Timeout.h"
#include "platform/tc/TC_client_engine.h"

#include <initializer_list>
#include <vector>

namespace TC {

class Stack_host : public Diner_protection<Diner>, public Client_link {
public:
    Stack_host(JIN_smart_stack& stack, const JIN_name::RAWNAME& name);
    ~Stack_host() override;

    // The address the NAME holds now (NO_ADDRESS when none).
    unsigned char own_address();
    // From the NAME's address; multi-frame messages report their outcome
    // by tag. 0 when queued, -91 while the NAME holds no address.
    int send(unsigned pgn, unsigned char dest, int prio, const unsigned char* data, int len,
             int tag) override;
    // The monotonic time line in milliseconds.
    static int64_t now_ms();

    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout& timeout) override;

protected:
    // Creates the Diner (stopped), registers the PGNs and the requests for
    // request_pgns, listens to the NAME's address and starts the tick;
    // messages longer than max_message are not taken. False when the stack
    // refuses a registration.
    bool open_host(module_man& mm, const char* diner_name, std::initializer_list<unsigned> pgns,
                   int tick_ms, int max_message,
                   std::initializer_list<unsigned> request_pgns = {});
    // Ends the thread; a derived class calls it first in its destructor.
    void stop_host();

    virtual void on_message(const JIN_header& h, const unsigned char* data, int64_t now) = 0;
    virtual void on_transfer_result(int tag, bool ok, int64_t now) {}
    // The NAME won, lost or moved its address.
    virtual void on_address_change(int64_t now) {}
    virtual void on_tick(int64_t now) = 0;

    JIN_smart_stack& stack_;
    const JIN_name::RAWNAME name_;

private:
    struct Registration {
        unsigned pgn;
        JIN_PGN::type_t kind;
    };
    bool register_pgn(unsigned pgn, JIN_PGN::type_t kind);
    void read_messages(JIN_PGN::type_t kind);

    Timeout tick_;
    std::vector<Registration> registrations_;
    const JIN_name::Listen_node* listener_ = nullptr;
    std::vector<unsigned char> buffer_;
};

} // namespace TC
