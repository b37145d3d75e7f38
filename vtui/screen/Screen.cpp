#include "vtui/screen/Screen.h"

#include "vtui/screen/Subscreen.h"

#include "vtui/screen/Data_screen.h"
#include "vtui/screen/Element_group.h"
#include "vtui/screen/Global_stat_manager.h"
#include "vtui/screen/Screen_man.h"

#include <cstdlib>
#include <cstring>

Screen::Screen(const char* name, Screen_man* m, int priority)
    : JIN::Named_list<Screen>::Searcher(name), Stackable_ui_element(priority), man(m)
{
    if (man)
        man->add_screen(this);
}

Screen::~Screen() = default;

namespace {

// Containers nest only so deep in a pool; the bound keeps a pool whose
// containers hold each other from looping.
constexpr int MAX_CONTAINER_DEPTH = 16;

// Whether a shown child of the parent, or of the containers below it, is a
// button.
bool holds_button(VT::Object_pool& pool, const VT::Parent_obj& parent, int depth)
{
    for (int i = 0; i < parent.num_children(); ++i) {
        const unsigned short id = parent.get_child_id(i);
        if (pool.find<VT::Button_obj>(id))
            return true;
        auto* container = pool.find<VT::Container_obj>(id);
        if (container && !container->get_hidden() && depth > 0 && holds_button(pool, *container, depth - 1))
            return true;
    }
    return false;
}

} // namespace

bool Screen::mask_offers_way_out(VT::Mask_obj* m) const
{
    if (!pool || !m)
        return false;
    auto* keys = pool->find<VT::Soft_key_mask_obj>(m->get_soft_key_mask());
    return (keys && keys->num_keys() > 0) || holds_button(*pool, *m, MAX_CONTAINER_DEPTH);
}

Screen_man* Screen::get_man()
{
    if (!man) {
        Debug_print::bprint("Screen %s has no screen manager\n", get_name());
        std::exit(-112);
    }
    return man;
}

bool Screen::init(VT::Object_pool* p, VT::Mask_obj* m, NV_kelsu::parameters_t* params)
{
    pool = p;
    mask = m;
    parameters = params;
    return true;
}

// One pass over the stats: the shown screen always takes part, one in the
// background or forced too; `step` is true for a stat still pending. The
// element groups follow, also in a background pass that skips the stats; a
// group still pending leaves the values incomplete.
template <class Step, class Group_step>
bool Screen::stat_pass(bool force, bool& complete, Step step, Group_step group_step)
{
    if (active)
        force = true;
    if (!force && !background)
        return scales_complete;
    if (force) {
        complete = true;
        stats.for_each([&](Stat& s) {
            if (step(s))
                complete = false;
        });
    }
    if (!group_pass(group_step))
        values_complete = false;
    return complete;
}

template <class Group_step>
bool Screen::group_pass(Group_step step)
{
    bool all = true;
    for (UI::Element_group_node* n = groups.first(); n; n = groups.next(n))
        if (n->takes_part(active, background) && !step(n->get_group()))
            all = false;
    return all;
}

bool Screen::send_val_updates(bool force)
{
    if (!pool || !pool->is_running())
        return false;
    return stat_pass(
        force, values_complete, [](Stat& s) { return s.update_val(Stat::UPDATE_NORMAL) != 0; },
        [](UI::Element_group& g) { return g.send_stat_updates(); });
}

bool Screen::send_scale_updates(bool force)
{
    return stat_pass(
        force, scales_complete, [](Stat& s) { return s.update_scale(); },
        [](UI::Element_group& g) { return g.send_stat_scale_updates(); });
}

void Screen::adopt_units(const c_sl_list<Stat>& list, Units_man& u)
{
    for (Stat* s = list.first(); s; s = list.next(s)) {
        if (!s->set_units(u))
            continue;
        if (pool && pool->is_running() && !active)
            scales_complete = false; // sent by a later pass
        else if (s->update_scale())
            scales_complete = false;
    }
}

bool Screen::set_units(Units_man& u)
{
    adopt_units(stats, u);
    if (!group_pass([](UI::Element_group& g) { return g.update_stat_units() || g.send_stat_scale_updates(); }))
        values_complete = false;
    return scales_complete;
}

void Screen::update_stat_objs(bool with_values)
{
    auto refresh = [with_values](Stat& s) {
        if (with_values)
            s.update_val(Stat::UPDATE_NORMAL);
        s.setup_objs();
    };
    stats.for_each(refresh);
    get_global_stat_col().for_each(refresh);
}

bool Screen::deactivate()
{
    clear_activator_selections();
    active = false;
    if (Screen_man* m = get_man())
        m->back_subscreen(10000);
    return true;
}

void Screen::override_key_mask(unsigned short mask_id)
{
    if (!mask || saved_key_mask != NULL_ID)
        return;
    saved_key_mask = mask->get_soft_key_mask();
    mask->set_soft_key_mask(mask_id);
}

void Screen::restore_key_mask()
{
    if (saved_key_mask == NULL_ID)
        return;
    if (mask)
        mask->set_soft_key_mask(saved_key_mask);
    saved_key_mask = NULL_ID;
}

void Screen::_send_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms)
{
    // While an input is being edited the soft keys belong to the edit.
    if (!get_man()->get_pencil_man().is_visible() && window_handle_soft_key_event(ev, hold_ms))
        return;
    handle_soft_key_event(ev, hold_ms);
}

void Screen::_send_button_event(Button_activation_event& ev)
{
    // A pressed button that opens one of the screen's subscreens is theirs.
    if (ev.activation_code() == Activation_event::PRESSED)
        for (Subscreen* sub = subscreens.first(); sub; sub = subscreens.next(sub))
            if (sub->try_button_activation(ev))
                return;
    if (!window_handle_button_event(ev) && ev.activation_code() == Activation_event::PRESSED)
        send_button_event(ev);
}

void Screen::add_subscreen(Subscreen* sub)
{
    subscreens.push(sub);
}

void Screen::activate_subscreen(Subscreen* sub)
{
    on_subscreen_activated(sub);
    if (cover)
        cover->set_hidden(1);
}

void Screen::deactivate_subscreen()
{
    if (cover)
        cover->set_hidden(0);
    clear_activator_selections();
    on_subscreen_deactivated();
}

void Screen::_handle_select_input_event(VT_select_input_object_event& ev)
{
    if (window_handle_select_input_event(ev))
        return;
    for (Stat* s = stats.first(); s; s = stats.next(s))
        if (s->handle_select_input(ev.object_id(), ev.selected()))
            return;
    if (Screen_man* m = get_man())
        if (m->get_decorations().select(ev.object_id(), ev.selected()))
            return;
    handle_select_input_event(ev);
}

int Screen::submit_timeout(Timeout& t)
{
    return get_man()->submit_timeout(t, get_id());
}

int Screen::submit_timeout(Timeout& t, int ms)
{
    return get_man()->submit_timeout(t, get_id(), ms);
}

int Screen::remove_timeout(Timeout& t)
{
    return get_man()->remove_timeout(t);
}

bool Screen::hotkey_activate()
{
    get_man()->switch_to_screen(this);
    return true;
}

void Screen::get_hotkey_name(char* dst, int len) const
{
    if (dst && len > 0)
        std::strncpy(dst, get_name(), size_t(len));
}

void Screen::set_allowed_as_hotkey(bool allowed)
{
    Screen_man* m = get_man();
    bool member = in_list();
    if (member == allowed)
        return;
    if (allowed)
        m->get_hotkey_targets().push(this);
    else
        m->get_hotkey_targets().remove(this);
}

Stat_num* Screen::get_gsnum(Stat_ids::num_ids id)
{
    return get_man()->get_global_stats().get_num(id);
}

Stat_collector& Screen::get_global_stat_col()
{
    return get_man()->get_global_stats().get_stats();
}

void Screen_stack::print() const
{
    Debug_print::dprint("Screen stack:\n");
    for_each([](Screen* s) {
        if (s->as_alarm_screen())
            Debug_print::dprint("    Alarm:%s\n", s->get_name());
        else if (s->as_data_screen())
            Debug_print::dprint("    Data:%s\n", s->get_name());
        else
            Debug_print::dprint("    ???\n");
    });
}
