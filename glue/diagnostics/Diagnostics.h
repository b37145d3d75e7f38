// The node's diagnostic module "DIAG": keeps the trouble-code registry,
// takes the error reports of the implement's devices, tells its waiters when
// a code becomes active or inactive, broadcasts DM1 while codes are active,
// answers DM1, DM2 and DM3 requests on up to three CAN stacks and keeps the
// history files.
//
// Subclasses put their codes into the inactive list in post_init().
// Operations without a leading underscore take the module's lock; the
// underscore forms expect it held.
#pragma once

#include "can/JIN_name.h"
#include "glue/diagnostics/Diagnostic_history.h"
#include "glue/diagnostics/Diagnostic_history_files.h"
#include "glue/diagnostics/Trouble_code_registry.h"
#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"
#include "glue/diner/Timeout.h"

class JIN_smart_stack;
class module_man;

class Diagnostics : public Diner_protection<Diner>,
                    public Trouble_code_registry,
                    private Diagnostic_history_files::Scheduler {
public:
    static constexpr int NUM_STACKS = 3;
    static constexpr int DM1_PERIOD_MS = 1000;
    static constexpr int RESEND_PERIOD_MS = 100;
    static constexpr unsigned MAX_ITEMS_PER_FILE = Diagnostic_history_files::MAX_ITEMS_PER_FILE;
    static constexpr unsigned char GLOBAL_ADDRESS = 255;

    // base: the history files' name base, kept (not copied).
    explicit Diagnostics(const char* base);
    ~Diagnostics() override;

    // Sets the module up on its first stack (when given), where the node
    // is known by name, and starts its thread when start is true. Returns 1.
    virtual int init(module_man& mm, JIN_smart_stack* stack, const JIN_name::RAWNAME& name,
                     bool start);
    // Answers a request received on stack slot slot: 1 when handled.
    virtual int handle_pgn_request(unsigned pgn, unsigned char requester, unsigned char dest,
                                   unsigned slot);
    virtual void register_pgns(unsigned slot);
    virtual void deregister_pgns(unsigned slot);
    // Called once by init after the lists exist: insert the codes here.
    virtual void post_init() = 0;

    // Stack slots: 1, or 0 when all three are taken.
    int add_stack(JIN_smart_stack* stack, const JIN_name::RAWNAME& name);
    int _add_stack(JIN_smart_stack* stack, const JIN_name::RAWNAME& name);
    int remove_stack(JIN_smart_stack* stack);
    int _remove_stack(JIN_smart_stack* stack);

    // The owner's operations, under the module's lock.
    int receive_error_report(const Diagnostics_messages::Msg_RR& report);
    bool register_event_waiter(waiter_descriptor& w);
    bool deregister_event_waiter(waiter_descriptor& w);
    int get_update_id();
    int get_error_info(const Diag_event& e, const char*& text, unsigned short& count);
    int get_error_info(unsigned short code, const char*& text, unsigned short& count);
    const cross_ref_t* get_cross_ref(const Diag_event& e);
    unsigned get_error_report_for_grift(unsigned char src, unsigned max, unsigned short* codes);
    int grift_ack_error(unsigned short code);
    void send_autoclose_message(const cross_ref_t* ref);
    int request_history(Diagnostic_history* h);
    int _request_history(Diagnostic_history* h) { return history_._request_history(h); }

    // The work of the 1000 ms tick and of the 100 ms resend check; run by
    // the module's timeouts, callable directly with the lock held.
    void _dm1_tick();
    void _resend_tick();
    void send_DM1(unsigned slot);

    // The address the slot's NAME holds on its stack, 255 when none.
    unsigned char own_address(unsigned slot) const;
    JIN_smart_stack* get_stack(unsigned slot) const { return slot < NUM_STACKS ? slots_[slot].stack : nullptr; }
    const JIN_name::RAWNAME* get_name(unsigned slot) const
    {
        return slot < NUM_STACKS && slots_[slot].stack ? &slots_[slot].name : nullptr;
    }
    short get_event_id(unsigned slot) const { return slot < NUM_STACKS ? slots_[slot].event_id : 0; }
    Diagnostic_history_files& history_files() { return history_; }

    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout& t) override;
    using Diner::handle_timeout;

protected:
    // Ends the module's thread; each level's destructor calls it first, so
    // that no handler runs while members go away.
    void stop_thread();
    // Leaves every stack; a level that registers PGNs of its own calls it in
    // its destructor, where its deregister_pgns is still the one called.
    void remove_all_stacks();

private:
    struct Stack_slot {
        JIN_smart_stack* stack = nullptr;
        short event_id = 0;
        JIN_name::RAWNAME name;
    };

    void schedule_history(const Atime& when) override;
    void send_DM2(unsigned slot);
    void answer_DM3(unsigned slot, unsigned char requester);

    const char* base_;
    Stack_slot slots_[NUM_STACKS];
    Diagnostic_history_files history_;
    Timeout dm1_timeout_;
    Timeout resend_timeout_;
    Timeout history_timeout_;
};
