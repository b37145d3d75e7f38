// The registry of the node's diagnostic trouble codes: the active and the
// previously active list, the error reports that move codes between them,
// and the entries of the DM1 and DM2 messages.
//
// The registry takes no lock: the diagnostics module that owns it runs
// every operation under its own lock.
#pragma once

#include "glue/diner/Waiter_list.h"
#include "glue/diner/waiter_event.h"
#include "util/Atime.h"
#include "util/avl_bstree.h"
#include "util/c_bstree.h"

#include <cstdint>

namespace Diagnostics_messages {
class Msg_RR;
}

class Trouble_code_registry {
public:
    // The application's definition of one code; read only here.
    struct cross_ref_t {
        unsigned char src;       // the device that reports the code
        uint32_t fmi;            // low 5 bits used
        unsigned short err_code; // the number the source reports
        uint32_t spn;            // low 19 bits used
        const char* text;
    };

    // One trouble code, a node of exactly one of the two lists.
    class Item : public avl_bsnode {
    public:
        // State bits.
        enum : unsigned char {
            ACTIVE = 0x01,
            WAS_ACTIVE = 0x02, // active before the current report
            SENT = 0x04,
            DIRTY = 0x08,      // an occurrence not yet written to the history
            LATCHED = 0x10,    // awaiting an acknowledgement
        };
        // Configuration bits; the others select codes for the error report
        // of a source.
        enum : unsigned char {
            REPORTED_ON_CAN = 0x01, // in DM1 and DM2, counted and written
            LATCHING = 0x02,
        };

        Item();
        Item(const cross_ref_t* ref, unsigned char config);

        unsigned char src() const { return cross_ref ? cross_ref->src : 0; }
        unsigned short err_code() const { return cross_ref ? cross_ref->err_code : 0; }
        uint32_t fmi() const { return cross_ref ? cross_ref->fmi & 0x1F : 0; }
        uint32_t spn() const { return cross_ref ? cross_ref->spn & 0x7FFFF : 0; }
        bool is(unsigned char state_bit) const { return (state & state_bit) != 0; }
        bool reported_on_can() const { return (config & REPORTED_ON_CAN) != 0; }
        bool latching() const { return (config & LATCHING) != 0; }
        // The most occurrences a DM1/DM2 entry carries (its 7 bits).
        static constexpr unsigned short DM_COUNT_LIMIT = 127;
        // The DM1/DM2 entry of this code: SPN, FMI and the count capped at
        // DM_COUNT_LIMIT.
        uint32_t dm_entry() const;
        // Has occurred and is not active now (a DM2 code).
        bool previously_active() const;
        void print() const;

        unsigned short count = 0; // saturates at 0xFFFF
        unsigned char state = 0;
        unsigned char config = 0;
        Atime time;               // first occurrence since the last history write
        const cross_ref_t* cross_ref = nullptr;
    };

    using Item_list = c_bstree<avl_bstree, Item>;

    enum diag_event_type {
        EVENT_ACTIVE = 0,
        EVENT_INACTIVE = 1,
        EVENT_AUTOCLOSE_ACTIVE = 2,
        EVENT_AUTOCLOSE_INACTIVE = 3,
    };

    // What the waiters receive: the registry's module id, the event type in
    // the data word and the item in the code word.
    struct Diag_event : waiter_event {
        Diag_event(short sender, diag_event_type type, const Item* item)
            : waiter_event(sender, static_cast<uint32_t>(type), reinterpret_cast<intptr_t>(item))
        {
        }
        explicit Diag_event(const waiter_event& e) : waiter_event(e.module_id, e.data, e.code) {}
        diag_event_type type() const { return static_cast<diag_event_type>(data); }
        const Item* item() const { return reinterpret_cast<const Item*>(code); }
    };

    // Most entries in one DM1 or DM2 message.
    static constexpr unsigned MAX_DM_ENTRIES = 250;
    static constexpr unsigned MAX_WAITERS = 10;

    Trouble_code_registry() = default;
    virtual ~Trouble_code_registry();
    Trouble_code_registry(const Trouble_code_registry&) = delete;
    Trouble_code_registry& operator=(const Trouble_code_registry&) = delete;

    // Orders by source, then by error code.
    static int compare(const Item* a, const Item* b);

    // Creates both lists; items may be inserted into the inactive list after.
    void create_lists();
    Item_list& active_list() { return active_; }
    Item_list& inactive_list() { return inactive_; }
    const Item_list& active_list() const { return active_; }
    const Item_list& inactive_list() const { return inactive_; }

    // Applies one report of a source: the codes it names are active, the
    // other codes of that source turn inactive. 1, or 0 before the registry
    // is ready.
    int _receive_error_report(const Diagnostics_messages::Msg_RR& report);
    // Moves the items that turned inactive to the inactive list.
    void demote_inactive();

    // Waiters of the code events; at most ten.
    bool register_event_waiter(waiter_descriptor& w) { return waiters_.add(&w); }
    bool deregister_event_waiter(waiter_descriptor& w) { return waiters_.remove(&w); }
    JIN::Waiter_list<MAX_WAITERS>& waiters() { return waiters_; }

    int get_update_id() const { return update_id_; }
    int get_error_info(const Diag_event& e, const char*& text, unsigned short& count) const;
    int get_error_info(unsigned short code, const char*& text, unsigned short& count) const;
    const cross_ref_t* get_cross_ref(const Diag_event& e) const;
    // The first item with this error code (any source): active list first.
    Item* _find_error(unsigned short code) const;
    // The item of (source, error code) in one list, or null.
    static Item* find_item(const Item_list& list, unsigned char src, unsigned short code);

    unsigned _get_error_report_for_src(unsigned char src, unsigned max, unsigned short* codes,
                                       unsigned char bit) const;
    unsigned get_error_report_for_grift(unsigned char src, unsigned max, unsigned short* codes) const
    {
        return _get_error_report_for_src(src, max, codes, 1);
    }
    int _grift_ack_error(unsigned short code);
    // Sends every waiter an event that says whether the code of ref is
    // active (2) or inactive (3); nothing when the code is not registered.
    void send_autoclose_message(const cross_ref_t* ref) const;

    // DM1 (active codes) and DM2 (previously active codes) entries
    // (SPN/FMI/count words) into entries, at most max; returns how many.
    unsigned collect_dm1_entries(uint32_t* entries, unsigned max) const;
    unsigned collect_dm2_entries(uint32_t* entries, unsigned max) const;
    // DM3: the counts of the previously active codes go back to 0; active
    // codes keep theirs.
    void clear_previously_active();

    void print_active_list() const;
    void print_inactive_list() const;

    // Flags.
    bool is_initialised() const { return initialised_; }
    void set_initialised(bool on) { initialised_ = on; }
    bool history_dirty() const { return history_dirty_; }
    void set_history_dirty(bool on) { history_dirty_ = on; }
    bool demotion_pending() const { return demotion_pending_; }
    bool dm1_resend_wanted() const { return dm1_resend_; }
    void set_dm1_resend_wanted(bool on) { dm1_resend_ = on; }
    unsigned get_latched_count() const { return latched_count_; }
    unsigned get_active_reportable_count() const { return active_reportable_; }

private:
    void bump_update_id(bool skip_reserved);
    void send_event(diag_event_type type, const Item* item) const;

    Item_list active_;
    Item_list inactive_;
    // The waiter list sends without changing itself; events go out from
    // const operations too.
    mutable JIN::Waiter_list<MAX_WAITERS> waiters_;
    bool history_dirty_ = false;
    bool demotion_pending_ = false;
    bool dm1_resend_ = false;
    bool initialised_ = false;
    unsigned latched_count_ = 0;
    int update_id_ = 0;
    unsigned active_reportable_ = 0;
};
