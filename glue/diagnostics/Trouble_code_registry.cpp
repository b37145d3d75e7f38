#include "glue/diagnostics/Trouble_code_registry.h"

#include "glue/diagnostics/Diagnostics_messages.h"
#include "util/Debug_base.h"

namespace {

constexpr auto DIAG = _JDB::DIAGNOSTICS;

// A search key for (source, error code).
struct Key {
    Trouble_code_registry::cross_ref_t ref;
    Trouble_code_registry::Item item;
    Key(unsigned char src, unsigned short code) : ref{src, 0, code, 0, nullptr}, item(&ref, 0) {}
};

} // namespace

Trouble_code_registry::Item::Item() : time(true) {}

Trouble_code_registry::Item::Item(const cross_ref_t* ref, unsigned char config_bits)
    : config(config_bits), time(true), cross_ref(ref)
{
}

uint32_t Trouble_code_registry::Item::dm_entry() const
{
    uint32_t spn_bits = spn();
    uint32_t oc = count > DM_COUNT_LIMIT ? DM_COUNT_LIMIT : count;
    return (spn_bits & 0xFFFF) | ((spn_bits >> 16) & 0x7) << 21 | fmi() << 16 | oc << 24;
}

void Trouble_code_registry::Item::print() const
{
    if (!cross_ref)
        return;
    JDB::print(DIAG, "\tDIAG<src=%x,err=%x,fmi=%x,spn=%x,act=%d,pact=%d,snt=%d,drt=%d,oc=%d>\n",
               src(), err_code(), static_cast<unsigned>(fmi()), static_cast<unsigned>(spn()),
               is(ACTIVE), is(WAS_ACTIVE), is(SENT), is(DIRTY), count);
}

Trouble_code_registry::~Trouble_code_registry()
{
    // Items belong to the owner: the lists only forget them.
    active_.init();
    inactive_.init();
}

int Trouble_code_registry::compare(const Item* a, const Item* b)
{
    int d = static_cast<int>(a->src()) - static_cast<int>(b->src());
    if (d != 0)
        return d;
    return static_cast<int>(a->err_code()) - static_cast<int>(b->err_code());
}

void Trouble_code_registry::create_lists()
{
    active_.create(compare);
    inactive_.create(compare);
}

Trouble_code_registry::Item* Trouble_code_registry::find_item(const Item_list& list,
                                                              unsigned char src,
                                                              unsigned short code)
{
    Key key(src, code);
    return list.find(&key.item, BSTREE_EQUAL);
}

void Trouble_code_registry::bump_update_id(bool skip_reserved)
{
    update_id_ = static_cast<int>(static_cast<unsigned>(update_id_) + 1u);
    // 0 and -1 are never handed out by a report.
    if (skip_reserved && (update_id_ == 0 || update_id_ == -1))
        update_id_ = 1;
}

void Trouble_code_registry::send_event(diag_event_type type, const Item* item) const
{
    // Sent without merging: an "active" and an "inactive" event of one item
    // share module id and code, and merging would deliver the first twice.
    Diag_event event(waiters_.get_module_id(), type, item);
    for (int i = 0; i < waiters_.get_count(); i++)
        waiters_.get(i)->send_event(event, false, false);
}

int Trouble_code_registry::_receive_error_report(const Diagnostics_messages::Msg_RR& report)
{
    if (!initialised_)
        return 0;
    const unsigned char s = report.get_source();
    const unsigned n = report.get_num_codes();
    JDB::print(DIAG, "Process source %d %d\n", s, n);

    for (Item* it = active_.first(); it; it = active_.next(it)) {
        if (it->src() != s)
            continue;
        it->state = static_cast<unsigned char>((it->state & ~(Item::ACTIVE | Item::WAS_ACTIVE)) |
                                               (it->is(Item::ACTIVE) ? Item::WAS_ACTIVE : 0));
        JDB::print(DIAG, "Zap:");
        it->print();
    }

    bool changed = false;
    for (unsigned i = 0; i < n; i++) {
        unsigned short c = report.get_code(i);
        if (Item* it = find_item(active_, s, c)) {
            it->state |= Item::ACTIVE;
            JDB::print(DIAG, "FA:");
            it->print();
        } else if (Item* in = find_item(inactive_, s, c)) {
            inactive_.remove(in);
            active_.insert(in);
            if (in->reported_on_can())
                active_reportable_++;
            in->state |= Item::ACTIVE;
            changed = true;
            JDB::print(DIAG, "FI:");
            in->print();
        }
    }

    for (Item* it = active_.first(); it; it = active_.next(it)) {
        if (it->src() != s)
            continue;
        bool now = it->is(Item::ACTIVE);
        bool before = it->is(Item::WAS_ACTIVE);
        if (now == before)
            continue;
        changed = true;
        Atime t = Atime::now();
        JDB::print(DIAG, "TRANS(%d->%d) %d %d %d %u.%03d\n", before, now, s, it->err_code(),
                   it->count, static_cast<unsigned>(t.time), t.millitm);
        send_event(now ? EVENT_ACTIVE : EVENT_INACTIVE, it);
        if (!it->is(Item::SENT) && it->reported_on_can())
            dm1_resend_ = true;
        if (now && it->reported_on_can() && it->count < 0xFFFF) {
            it->count++;
            if (!it->is(Item::DIRTY))
                it->time = t;
            it->state |= Item::DIRTY;
            history_dirty_ = true;
        }
        if (!now)
            demotion_pending_ = true;
        if (now && it->latching() && !it->is(Item::LATCHED)) {
            it->state |= Item::LATCHED;
            latched_count_++;
        }
    }

    if (changed)
        bump_update_id(true);
    return 1;
}

void Trouble_code_registry::demote_inactive()
{
    if (!demotion_pending_)
        return;
    JDB::print(DIAG, "<DEMOTE>\n");
    Item* it = active_.first();
    while (it) {
        Item* next = active_.next(it);
        if (!it->is(Item::ACTIVE)) {
            active_.remove(it);
            it->state &= static_cast<unsigned char>(~(Item::WAS_ACTIVE | Item::SENT));
            inactive_.insert(it);
            if (it->reported_on_can() && active_reportable_ > 0)
                active_reportable_--;
            it->print();
        }
        it = next;
    }
    JDB::print(DIAG, "</DEMOTE>\n");
    demotion_pending_ = false;
}

int Trouble_code_registry::get_error_info(const Diag_event& e, const char*& text,
                                          unsigned short& count) const
{
    const Item* it = e.item();
    if (!it)
        return 0;
    text = it->cross_ref ? it->cross_ref->text : nullptr;
    count = it->count;
    return 1;
}

int Trouble_code_registry::get_error_info(unsigned short code, const char*& text,
                                          unsigned short& count) const
{
    const Item* it = _find_error(code);
    if (!it)
        return 0;
    text = it->cross_ref ? it->cross_ref->text : nullptr;
    count = it->count;
    return 1;
}

const Trouble_code_registry::cross_ref_t*
Trouble_code_registry::get_cross_ref(const Diag_event& e) const
{
    const Item* it = e.item();
    return it ? it->cross_ref : nullptr;
}

Trouble_code_registry::Item* Trouble_code_registry::_find_error(unsigned short code) const
{
    for (const Item_list* list : {&active_, &inactive_}) {
        for (Item* it = list->first(); it; it = list->next(it))
            if (it->err_code() == code)
                return it;
    }
    return nullptr;
}

unsigned Trouble_code_registry::_get_error_report_for_src(unsigned char src, unsigned max,
                                                          unsigned short* codes,
                                                          unsigned char bit) const
{
    if (!initialised_ || latched_count_ == 0 || bit >= 32)
        return 0;
    unsigned taken = 0;
    for (const Item_list* list : {&active_, &inactive_}) {
        for (const Item* it = list->first(); it; it = list->next(it)) {
            if (!((static_cast<unsigned>(it->config) >> bit) & 1u))
                continue;
            if (src != 255 && it->src() != src)
                continue;
            if (!(it->is(Item::ACTIVE) || (bit == 1 && it->is(Item::LATCHED))))
                continue;
            if (taken < max && codes)
                codes[taken] = it->err_code();
            taken++;
        }
    }
    return taken;
}

int Trouble_code_registry::_grift_ack_error(unsigned short code)
{
    Item* it = _find_error(code);
    if (!it)
        return 0;
    if (it->is(Item::LATCHED) && !it->is(Item::ACTIVE)) {
        bump_update_id(false);
        if (latched_count_ > 0)
            latched_count_--;
    }
    it->state &= static_cast<unsigned char>(~Item::LATCHED);
    return 1;
}

void Trouble_code_registry::send_autoclose_message(const cross_ref_t* ref) const
{
    if (!ref)
        return;
    if (const Item* it = find_item(active_, ref->src, ref->err_code))
        send_event(EVENT_AUTOCLOSE_ACTIVE, it);
    else if (const Item* in = find_item(inactive_, ref->src, ref->err_code))
        send_event(EVENT_AUTOCLOSE_INACTIVE, in);
}

unsigned Trouble_code_registry::collect_dm1_entries(uint32_t* entries, unsigned max) const
{
    unsigned n = 0;
    for (const Item* it = active_.first(); it && n < max; it = active_.next(it))
        if (it->reported_on_can() && it->is(Item::ACTIVE))
            entries[n++] = it->dm_entry();
    return n;
}

// Previously active: occurred, and not active now. An item that has just
// turned inactive still waits in the active list for its demotion.
bool Trouble_code_registry::Item::previously_active() const
{
    return count != 0 && !is(ACTIVE);
}

unsigned Trouble_code_registry::collect_dm2_entries(uint32_t* entries, unsigned max) const
{
    unsigned n = 0;
    for (const Item_list* list : {&active_, &inactive_})
        for (const Item* it = list->first(); it && n < max; it = list->next(it))
            if (it->reported_on_can() && it->previously_active())
                entries[n++] = it->dm_entry();
    return n;
}

void Trouble_code_registry::clear_previously_active()
{
    for (Item_list* list : {&active_, &inactive_})
        for (Item* it = list->first(); it; it = list->next(it))
            if (it->previously_active())
                it->count = 0;
}

void Trouble_code_registry::print_active_list() const
{
    if (!JDB::enabled(DIAG))
        return;
    JDB::print(DIAG, "<Active>\n");
    for (const Item* it = active_.first(); it; it = active_.next(it))
        it->print();
    JDB::print(DIAG, "</Active>\n");
}

void Trouble_code_registry::print_inactive_list() const
{
    if (!JDB::enabled(DIAG))
        return;
    JDB::print(DIAG, "<Inactive>\n");
    for (const Item* it = inactive_.first(); it; it = inactive_.next(it))
        it->print();
    JDB::print(DIAG, "</Inactive>\n");
}
