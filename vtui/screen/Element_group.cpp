#include "vtui/screen/Element_group.h"

#include "util/Debug_base.h"
#include "util/Debug_print.h"
#include "vtui/screen/Data_screen.h"
#include "vtui/screen/Screen_man.h"
#include "vtui/stat/Stat_decorations.h"

#include <cstdlib>

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

namespace UI {

namespace {
constexpr auto VT36 = _JDB::VTUI_36;
} // namespace

Element_group::CDS_access::CDS_access(Element_group& g, CDS::Access_base access) : group(g)
{
    CDS::Access_base::init(access);
    g.cds_accesses.push(this);
}

Element_group::CDS_access::~CDS_access()
{
    if (group.active)
        group.unregister(*this);
    group.cds_accesses.remove(this);
}

void Element_group::CDS_access::handle_event()
{
    group.handle_cds_change(*this);
    group.send_stat_updates();
}

void Element_group::NV_access::init(NV_store::NV_item& item)
{
    NV_store::Access_base::init(&item);
    group.nv_accesses.push(this);
}

Element_group::NV_access::~NV_access()
{
    if (group.active)
        group.unregister(*this);
    group.nv_accesses.remove(this);
}

void Element_group::NV_access::handle_event()
{
    group.handle_nv_change(*this);
    group.send_stat_updates();
}

void Element_group::check_initialised(Screen_man& m)
{
    man = &m;
    if (initialised)
        return;
    JDB::print(VT36, "EG_INIT\n");
    initialised = true;
    init_hook(m);
    if (Units_man* units = m.get_units())
        stats.for_each([units](Stat& s) { s.set_units(*units); });
}

void Element_group::activate(Screen_man& m)
{
    check_initialised(m);
    JDB::print(VT36, "EG_ACTIVE\n");
    active = true;
    activate_hook(m);
    common_activation();
}

void Element_group::show_summary(Screen_man& m)
{
    check_initialised(m);
    JDB::print(VT36, "EG_ACTIVE\n");
    active = true;
    show_summary_hook(m);
    common_activation();
}

void Element_group::common_activation()
{
    if (!man)
        return;
    waiter_descriptor* waiter = man->get_waiter();
    for (CDS_access* a = cds_accesses.first(); a; a = cds_accesses.next(a)) {
        if (CDS::Head* head = a->get_head()) {
            head->lock();
            a->CDS::Virt_access::autoreg(waiter);
            head->unlock();
        }
    }
    for (CDS_access* a = cds_accesses.first(); a; a = cds_accesses.next(a))
        handle_cds_change(*a);
    for (NV_access* a = nv_accesses.first(); a; a = nv_accesses.next(a))
        a->autoreg(waiter, true);
    for (NV_access* a = nv_accesses.first(); a; a = nv_accesses.next(a))
        handle_nv_change(*a);
    send_stat_updates();
    setup_stats();
}

void Element_group::unregister(CDS_access& a)
{
    if (CDS::Head* head = a.get_head()) {
        head->lock();
        a.CDS::Virt_access::autounreg(man ? man->get_waiter() : nullptr);
        head->unlock();
    }
}

void Element_group::unregister(NV_access& a)
{
    a.autounreg(man ? man->get_waiter() : nullptr);
}

void Element_group::unregister(bool with_nv)
{
    for (CDS_access* a = cds_accesses.first(); a; a = cds_accesses.next(a))
        unregister(*a);
    if (with_nv)
        for (NV_access* a = nv_accesses.first(); a; a = nv_accesses.next(a))
            unregister(*a);
}

void Element_group::deactivate(Screen_man& m)
{
    if (!active) {
        JDB::print(VT36, "EG not active\n");
        return;
    }
    JDB::print(VT36, "EG_DEACTIVE\n");
    active = false;
    deactivate_hook(m);
    unregister(true);
}

void Element_group::hide_summary(Screen_man& m)
{
    if (!active) {
        JDB::print(VT36, "EG not active\n");
        return;
    }
    JDB::print(VT36, "EG_DEACTIVE\n");
    active = false;
    hide_summary_hook(m);
    // The settings stay registered: the summary follows them while hidden.
    unregister(false);
}

bool Element_group::send_stat_updates()
{
    values_complete = true;
    stats.for_each([this](Stat& s) {
        if (s.update_val(Stat::UPDATE_NORMAL) != 0)
            values_complete = false;
    });
    return values_complete;
}

bool Element_group::send_stat_scale_updates()
{
    scales_complete = true;
    stats.for_each([this](Stat& s) {
        if (s.update_scale())
            scales_complete = false;
    });
    return scales_complete;
}

bool Element_group::update_stat_units()
{
    // A group not yet shown takes the units in force when it first is.
    Units_man* units = man ? man->get_units() : nullptr;
    stats.for_each([this, units](Stat& s) {
        if (units)
            s.set_units(*units);
        if (s.update_scale())
            scales_complete = false;
    });
    return scales_complete;
}

void Element_group::setup_stats()
{
    values_complete = true;
    stats.for_each([](Stat& s) { s.setup_objs(); });
}

void Element_group::update_stat_decorations()
{
    if (!man || !active)
        return;
    Screen* current = man->get_current_screen();
    Data_screen* ds = current ? current->as_data_screen() : nullptr;
    if (ds)
        man->get_decorations().show_page(ds->get_data_mask(), nullptr, &stats, false, false);
}

void Element_group::send_change_numeric_value_event(VT_change_numeric_value_event& ev)
{
    for (Stat* s = stats.first(); s; s = stats.next(s))
        if (s->can_update_from_id(ev.object_id()) && !s->update_from_input(ev.value(), this))
            Debug_print::dprint("input num update failed\r\n");
}

void Element_group::send_input_string_value_event(Input_string_value_event& ev)
{
    for (Stat* s = stats.first(); s; s = stats.next(s))
        if (s->can_update_from_id(ev.object_id()) && !s->update_from_string(ev.text, ev.length, this))
            Debug_print::dprint("input num update failed\r\n");
}

void Element_group::critical_fail(const char* text)
{
    Debug_print::bprint("%s", text);
    std::exit(CRITICAL_FAIL_EXIT);
}

Element_group_node::Element_group_node(Window* w, unsigned char f) : flags(f)
{
    if (w)
        w->add_group(this);
}

} // namespace UI
