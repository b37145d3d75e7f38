#include "glue/diagnostics/Diagnostics.h"

#include "can/JIN_PGN.h"
#include "can/JIN_header.h"
#include "can/JIN_smart_stack.h"
#include "glue/diagnostics/Diagnostics_messages.h"
#include "glue/diagnostics/J1939_messages.h"
#include "glue/diner/module_man.h"
#include "util/Debug_base.h"

namespace {

constexpr auto DIAG = _JDB::DIAGNOSTICS;

void print_dm_entries(const uint32_t* entries, unsigned n)
{
    for (unsigned i = 0; i < n; i++)
        JDB::print(DIAG, "TC{%x}", static_cast<unsigned>(entries[i]));
}

} // namespace

Diagnostics::Diagnostics(const char* base) : base_(base), history_(base, *this)
{
    history_.set_scheduler(this);
}

Diagnostics::~Diagnostics()
{
    stop_thread();
    remove_all_stacks();
}

void Diagnostics::remove_all_stacks()
{
    for (auto& slot : slots_)
        if (slot.stack)
            _remove_stack(slot.stack);
}

void Diagnostics::stop_thread()
{
    if (get_state() != Diner::UNINIT && !terminated())
        terminate(true);
}

int Diagnostics::init(module_man& mm, JIN_smart_stack* stack, const JIN_name::RAWNAME& name,
                      bool start)
{
    Diner::init(mm, nullptr, Diner::Descriptor("DIAG", 0), 44, 10240, true, false);
    {
        Diner::Protection lock(*this);
        create_lists();
        if (stack)
            _add_stack(stack, name);
        dm1_timeout_.set_period(DM1_PERIOD_MS);
        resend_timeout_.set_period(RESEND_PERIOD_MS);
        post_init();
        waiters().assign_module_id(mm);
        submit_timeout(dm1_timeout_, DM1_PERIOD_MS);
        submit_timeout(resend_timeout_, RESEND_PERIOD_MS);
        set_initialised(true);
    }
    // Starting takes the module's lock itself.
    if (start)
        Diner::start();
    return 1;
}

// --- Stack slots ----------------------------------------------------------

int Diagnostics::add_stack(JIN_smart_stack* stack, const JIN_name::RAWNAME& name)
{
    Diner::Protection lock(*this);
    return _add_stack(stack, name);
}

int Diagnostics::_add_stack(JIN_smart_stack* stack, const JIN_name::RAWNAME& name)
{
    for (unsigned i = 0; i < NUM_STACKS; i++) {
        if (slots_[i].stack)
            continue;
        slots_[i].stack = stack;
        slots_[i].name = name;
        register_pgns(i);
        return 1;
    }
    return 0;
}

int Diagnostics::remove_stack(JIN_smart_stack* stack)
{
    Diner::Protection lock(*this);
    return _remove_stack(stack);
}

int Diagnostics::_remove_stack(JIN_smart_stack* stack)
{
    for (unsigned i = 0; i < NUM_STACKS; i++) {
        if (!stack || slots_[i].stack != stack)
            continue;
        deregister_pgns(i);
        stack->forget_waiter(&get_waiter());
        slots_[i] = Stack_slot();
        return 1;
    }
    return 0;
}

void Diagnostics::register_pgns(unsigned slot)
{
    if (slot >= NUM_STACKS || !slots_[slot].stack)
        return;
    for (unsigned pgn : {J1939::PGN_DM1, J1939::PGN_DM2, J1939::PGN_DM3})
        slots_[slot].stack->register_pgn(pgn, &get_waiter(), &slots_[slot].event_id,
                                         JIN_PGN::REQUEST);
    // A DM1 that waits (behind a long broadcast of the node's) is replaced
    // by the newer one instead of piling up stale ones.
    slots_[slot].stack->set_periodic(J1939::PGN_DM1);
}

void Diagnostics::deregister_pgns(unsigned slot)
{
    if (slot >= NUM_STACKS || !slots_[slot].stack)
        return;
    for (unsigned pgn : {J1939::PGN_DM1, J1939::PGN_DM2, J1939::PGN_DM3})
        slots_[slot].stack->deregister_pgn(pgn, &get_waiter(), JIN_PGN::REQUEST);
    slots_[slot].stack->set_periodic(J1939::PGN_DM1, false);
}

unsigned char Diagnostics::own_address(unsigned slot) const
{
    if (slot >= NUM_STACKS || !slots_[slot].stack)
        return GLOBAL_ADDRESS;
    return slots_[slot].stack->name_manager().gethostbyname(slots_[slot].name, false);
}

// --- The owner's operations -------------------------------------------------

int Diagnostics::receive_error_report(const Diagnostics_messages::Msg_RR& report)
{
    Diner::Protection lock(*this);
    return _receive_error_report(report);
}

bool Diagnostics::register_event_waiter(waiter_descriptor& w)
{
    Diner::Protection lock(*this);
    return Trouble_code_registry::register_event_waiter(w);
}

bool Diagnostics::deregister_event_waiter(waiter_descriptor& w)
{
    Diner::Protection lock(*this);
    return Trouble_code_registry::deregister_event_waiter(w);
}

int Diagnostics::get_update_id()
{
    Diner::Protection lock(*this);
    return Trouble_code_registry::get_update_id();
}

int Diagnostics::get_error_info(const Diag_event& e, const char*& text, unsigned short& count)
{
    Diner::Protection lock(*this);
    return Trouble_code_registry::get_error_info(e, text, count);
}

int Diagnostics::get_error_info(unsigned short code, const char*& text, unsigned short& count)
{
    Diner::Protection lock(*this);
    return Trouble_code_registry::get_error_info(code, text, count);
}

const Diagnostics::cross_ref_t* Diagnostics::get_cross_ref(const Diag_event& e)
{
    Diner::Protection lock(*this);
    return Trouble_code_registry::get_cross_ref(e);
}

unsigned Diagnostics::get_error_report_for_grift(unsigned char src, unsigned max,
                                                 unsigned short* codes)
{
    Diner::Protection lock(*this);
    return _get_error_report_for_src(src, max, codes, 1);
}

int Diagnostics::grift_ack_error(unsigned short code)
{
    Diner::Protection lock(*this);
    return _grift_ack_error(code);
}

void Diagnostics::send_autoclose_message(const cross_ref_t* ref)
{
    Diner::Protection lock(*this);
    Trouble_code_registry::send_autoclose_message(ref);
}

int Diagnostics::request_history(Diagnostic_history* h)
{
    Diner::Protection lock(*this);
    return _request_history(h);
}

void Diagnostics::schedule_history(const Atime& when)
{
    remove_timeout(history_timeout_);
    submit_timeout(history_timeout_, when);
}

// --- Requests ----------------------------------------------------------------

void Diagnostics::handle_event(waiter_event& event)
{
    for (unsigned i = 0; i < NUM_STACKS; i++) {
        Stack_slot& slot = slots_[i];
        if (!slot.stack || event.module_id != slot.event_id || slot.event_id == 0)
            continue;
        JIN_header h;
        unsigned char buf[8];
        unsigned pgn = event.data;
        if (slot.stack->read(pgn, h, buf, sizeof buf, sizeof buf, &get_waiter(),
                             JIN_PGN::REQUEST) != 0)
            return;
        if (h.dest != GLOBAL_ADDRESS) {
            unsigned char own = own_address(i);
            if (own == GLOBAL_ADDRESS || own != h.dest)
                return;
        }
        if (handle_pgn_request(pgn, h.src, h.dest, i) == 0)
            JDB::print(DIAG, "Unhandled Diagnostics PGN request %d\n", pgn);
        return;
    }
}

int Diagnostics::handle_pgn_request(unsigned pgn, unsigned char requester, unsigned char dest,
                                    unsigned slot)
{
    switch (pgn) {
    case J1939::PGN_DM1:
        send_DM1(slot);
        return 1;
    case J1939::PGN_DM2:
        send_DM2(slot);
        return 1;
    case J1939::PGN_DM3:
        answer_DM3(slot, requester);
        return 1;
    default:
        return 0;
    }
}

void Diagnostics::send_DM1(unsigned slot)
{
    if (slot >= NUM_STACKS || !slots_[slot].stack)
        return;
    uint32_t entries[MAX_DM_ENTRIES];
    unsigned n = collect_dm1_entries(entries, MAX_DM_ENTRIES);
    JDB::print(DIAG, "<DM1>\n");
    print_dm_entries(entries, n);
    JDB::print(DIAG, "</DM1>\n");
    J1939::Msg_DM1 dm1;
    dm1.fill(entries, n);
    dm1.write_global(*slots_[slot].stack, slots_[slot].name, J1939::PGN_DM1, 6,
                     JIN_TRANS_TX_SINGLE, nullptr, 1);
    set_dm1_resend_wanted(false);
}

void Diagnostics::send_DM2(unsigned slot)
{
    uint32_t entries[MAX_DM_ENTRIES];
    unsigned n = collect_dm2_entries(entries, MAX_DM_ENTRIES);
    JDB::print(DIAG, "<DM2>\n");
    print_dm_entries(entries, n);
    JDB::print(DIAG, "</DM2>\n");
    if (slot >= NUM_STACKS || !slots_[slot].stack)
        return;
    J1939::Msg_DM2 dm2;
    dm2.fill(entries, n);
    dm2.write_global(*slots_[slot].stack, slots_[slot].name, J1939::PGN_DM2, 6,
                     JIN_TRANS_TX_SINGLE, nullptr, 1);
}

void Diagnostics::answer_DM3(unsigned slot, unsigned char requester)
{
    // The acknowledgement comes from the node's own address, also when the
    // request went to everybody: 255 is no source address.
    unsigned char own = own_address(slot);
    if (own < 254) {
        JIN_smart_stack& stack = *slots_[slot].stack;
        {
            Diner::Protection stack_lock(stack);
            stack.__send_ack(own, J1939::PGN_DM3, true, requester);
        }
        // Frames queued from outside go out on the stack's next pass.
        stack.send_anonymous_event();
    }
    clear_previously_active();
    history_.remove_all();
}

// --- Ticks ---------------------------------------------------------------------

void Diagnostics::handle_timeout(Timeout& t)
{
    if (&t == &dm1_timeout_)
        _dm1_tick();
    else if (&t == &resend_timeout_)
        _resend_tick();
    else if (&t == &history_timeout_)
        history_.process_history();
}

void Diagnostics::_dm1_tick()
{
    if (!history_.files_ready())
        history_.pcf_init();
    unsigned reportable = get_active_reportable_count();
    if (reportable != 0) {
        unsigned listed = static_cast<unsigned>(active_list().count());
        if (reportable > listed)
            JDB::print(DIAG, "BAD Diag active size %u %u\n", reportable, listed);
        send_DM1(0);
    }
    history_.write_dirty();
    history_.check_rotation();
    demote_inactive();
    print_active_list();
    print_inactive_list();
}

void Diagnostics::_resend_tick()
{
    if (dm1_resend_wanted())
        send_DM1(0);
}
