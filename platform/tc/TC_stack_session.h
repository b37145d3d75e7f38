// The task-controller session of a TC object pool on a CAN stack: a Diner
// that feeds the stack's process-data messages, the outcome of its transfers
// and a 100 ms tick to the client engine, and sends the engine's messages
// from the client's own NAME.
//
//   TC::Stack_session session(pool, stack, own_name);
//   session.init(mm);          // the Diner exists, stopped
//   pool.set_enabled(true);
//   pool.start();              // releases it
#pragma once

#include "can/JIN_name.h"
#include "can/JIN_smart_stack.h"
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"
#include "glue/diner/Timeout.h"
#include "platform/tc/TC_client_engine.h"

namespace TC {

class Stack_session : public Diner_protection<Diner>, public Pool_session, private Client_link {
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
    bool pool_start() override;

    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout& timeout) override;

private:
    int send(unsigned pgn, unsigned char dest, int prio, const unsigned char* data, int len,
             int tag) override;
    void refresh_address();
    static int64_t now_ms();

    Object_pool& pool_;
    JIN_smart_stack& stack_;
    JIN_name::RAWNAME own_name_;
    Client_engine engine_;
    Timeout tick_;
    short rx_id_ = 0;
    bool registered_ = false;
};

} // namespace TC
