#pragma once
// The implement's ISO 11783 diagnostics: identifies the software, the ECU
// and the product on request, and reports the alarms that are active in the
// live data store as trouble codes (DM1 while active, DM2 once they were).
// The alarms are read once a second on the module's own thread.

#include "glue/diagnostics/Isobus_diagnostics.h"

#include <memory>

struct Data_store;
namespace TC {
class Object_pool;
}

class Implement_diag : public Isobus_diagnostics {
public:
    // The source byte of the implement's own error reports.
    static constexpr unsigned char ALARM_SOURCE = 1;
    static constexpr int POLL_PERIOD_MS = 1000;

    // history_base: the name base of the history files, kept (not copied).
    Implement_diag(Data_store& store, const char* history_base);
    ~Implement_diag() override;

    // Joins the stack as the implement's NAME and starts the module.
    int init(module_man& mm, JIN_smart_stack* stack);
    using Isobus_diagnostics::init;

    void post_init() override;
    void handle_timeout(Timeout& t) override;
    using Isobus_diagnostics::handle_timeout;

    // The TC client whose offer the functionalities answer follows (null:
    // none); it must outlive the module or be withdrawn first.
    void set_tc_client(TC::Object_pool* pool);
    // Answers a functionalities request with what the program implements
    // at that moment: the minimum control function, the VT working set,
    // and while the TC client is on, the TC basic client and, when it
    // offers the TC booms and sections, the TC section control client.
    int handle_pgn_request(unsigned pgn, unsigned char requester, unsigned char dest,
                           unsigned slot) override;

    // Reads the store's alarms and reports the active ones; the module's
    // lock held.
    void _poll_alarms();

    // The codes, one per alarm element, in the alarms record's order.
    unsigned code_count() const { return count_; }
    const cross_ref_t& code(unsigned i) const;

private:
    struct Code;
    void set_identification();
    // The functionalities answer from the TC client's offer; the module's
    // lock held.
    void _set_functionalities();

    Data_store& store_;
    std::unique_ptr<Code[]> codes_;
    unsigned count_ = 0;
    Timeout poll_timeout_;
    TC::Object_pool* tc_pool_ = nullptr;
};
