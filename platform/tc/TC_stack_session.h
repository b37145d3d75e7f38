// The task-controller session of a TC object pool on a CAN stack: the client
// engine on a Stack_host, fed the process-data messages, the acknowledgements
// and address claims of the bus, the requests for the working set master
// message and for the address claims, the outcome of its transfers, its own
// NAME's address (at once when the name manager reports a change, and before
// every message it sends) and a 100 ms tick, sending from the client's own
// NAME.
//
//   TC::Stack_session session(pool, stack, own_name);
//   session.init(mm);          // the Diner exists, stopped
//   pool.set_enabled(true);
//   pool.start();              // releases it
#pragma once

#include "platform/tc/TC_client_engine.h"
#include "platform/tc/TC_stack_host.h"

namespace TC {

class Stack_session : public Stack_host, public Pool_session {
public:
    static constexpr int TICK_MS = 100;

    Stack_session(Object_pool& pool, JIN_smart_stack& stack, const JIN_name::RAWNAME& own_name);
    ~Stack_session() override;

    // Creates the Diner (stopped), registers the process-data PGN and
    // attaches to the pool. False when the stack refuses the registration.
    bool init(module_man& mm);

    Client_engine::state_t session_state();
    Client_engine::Tc_info get_tc();
    int pool_size();

    // Pool_session
    void pool_enabled(bool enabled) override;
    void pool_tx_state(int state) override;
    bool pool_send(unsigned short element, ddi_t ddi, int32_t value) override;
    bool pool_acknowledge(unsigned short element, ddi_t ddi, unsigned char errors) override;
    bool pool_start() override;

protected:
    void on_message(const JIN_header& h, const unsigned char* data, int64_t now) override;
    void on_transfer_result(int tag, bool ok, int64_t now) override;
    void on_address_change(int64_t now) override;
    void on_tick(int64_t now) override;

private:
    Object_pool& pool_;
    Client_engine engine_;
};

} // namespace TC
