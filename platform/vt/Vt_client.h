// Runs the working set's VT session on a CAN stack: a Diner ("VTC0") that
// receives the VT's messages (PGN 0xE600), the Language command, the
// acknowledgements, the address claims and the requests for them, hands
// them with the time to the session engine, sends what the engine sends
// through the stack (the stack picks single frame, TP or ETP) and reports
// the stack's completions back. A tick every 100 ms carries maintenance and
// time-outs; a change queued in the pool wakes it at once.
#pragma once

#include "platform/vt/Vt_session.h"

#include "can/JIN_name.h"
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"
#include "glue/diner/Timeout.h"

#include <memory>
#include <vector>

class JIN_smart_stack;
class module_man;

namespace VT {

class Object_pool;

class Vt_client : public Diner_protection<Diner>, public Vt_link {
public:
    static constexpr int TICK_MS = 100;

    explicit Vt_client(Object_pool& pool);
    ~Vt_client() override;

    // Registers with the stack and creates the thread (stopped). 0, or -1
    // when the stack refused the registrations.
    int open(module_man& mm, JIN_smart_stack& stack, const JIN_name::RAWNAME& own,
             const Vt_session::Config& config);
    // Starts the session (the NAME is claimed) and the ticks.
    void begin();
    // Stops the thread and leaves the stack.
    void close();

    // Calls into the session from other threads take the Diner's lock.
    int get_next_vt();
    int switch_next_vt();
    void set_enabled(bool enabled);
    Vt_session::State state();

    // Vt_link
    bool send(uint8_t dest, uint32_t pgn, uint8_t prio, const uint8_t* data, uint32_t len, int tag) override;
    uint8_t own_address() override;
    bool name_of(uint8_t address, JIN_name::RAWNAME& name) override;

    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout& timeout) override;

    static int64_t now_ms();

private:
    void read_messages(unsigned pgn);
    void read_claim_requests();

    Object_pool& pool_;
    JIN_smart_stack* stack_ = nullptr;
    JIN_name::RAWNAME own_;
    std::unique_ptr<Vt_session> session_;
    short rx_event_ = 0;
    short request_event_ = 0;
    Timeout tick_;
    bool open_ = false;
    int64_t last_claim_request_ = -1000000;
    std::vector<uint8_t> buffer_;
};

} // namespace VT
