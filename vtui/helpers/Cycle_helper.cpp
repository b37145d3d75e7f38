#include "vtui/helpers/Cycle_helper.h"

#include "util/Debug_base.h"

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

namespace {
const char* const button_names[Cycle_helper::NUM_BUTTONS] = {"button_cycle_helper_1", "button_cycle_helper_2",
                                                             "button_cycle_helper_3"};
const char* const labels[Cycle_helper::NUM_BUTTONS] = {"A0", "A1", "A2"};
// The button selected before i when the selection moves forward / back.
const int up[Cycle_helper::NUM_BUTTONS] = {2, 0, 1};
const int down[Cycle_helper::NUM_BUTTONS] = {1, 2, 0};
} // namespace

bool Cycle_helper::init(Window* w, VT::Object_pool* p, bool ignore_first)
{
    pool = p;
    for (int i = 0; i < NUM_BUTTONS; ++i) {
        buttons[i] = p ? p->find<VT::Button_obj>(button_names[i]) : nullptr;
        if (!buttons[i])
            Debug_print::dprint("Cycle_helper: %s missing\n", button_names[i]);
        activators[i].init(w, Window::NULL_ID, buttons[i] ? buttons[i]->get_id() : Window::NULL_ID);
    }
    selected_seen = false;
    ignore_next_select = ignore_first;
    return true;
}

void Cycle_helper::reset(bool ignore_first, bool inc_on_first, bool dec_on_first)
{
    ignore_next_select = ignore_first;
    increment_on_first = inc_on_first;
    decrement_on_first = dec_on_first;
    last = -1;
    selected_seen = false;
}

int Cycle_helper::select()
{
    if (buttons[0])
        buttons[0]->select();
    increment_on_first = decrement_on_first = false;
    last = -1;
    selected_seen = true;
    return -1;
}

int Cycle_helper::index_of(const Window::Activator& a) const
{
    for (int i = 0; i < NUM_BUTTONS; ++i)
        if (&activators[i] == &a)
            return i;
    return -1;
}

const char* Cycle_helper::debug_check_act(Window::Activator& a) const
{
    int i = index_of(a);
    return i < 0 ? nullptr : labels[i];
}

int Cycle_helper::handle_activator_event(Window::Activator& a, Window::Activator_event& ev)
{
    int i = index_of(a);
    if (i < 0)
        return NOT_HANDLED;
    const auto VT35 = _JDB::VTUI_35;
    JDB::print(VT35, "last=%d ", last);
    switch (ev.event) {
    case List_interface::Event::PRESSED:
        JDB::print(VT35, "RELEASED %d\n", i);
        return PRESSED;
    case List_interface::Event::RELEASED:
        JDB::print(VT35, "PRESSED %d\n", i);
        return RELEASED;
    case List_interface::Event::HELD:
        JDB::print(VT35, "HELD %d\n", i);
        return HELD;
    case List_interface::Event::UNSELECTED:
        JDB::print(VT35, "UNSELECT %d\n", i);
        unselected_seen = true;
        selected_seen = false;
        return NOTHING;
    case List_interface::Event::SELECTED:
        break;
    default:
        unselected_seen = true;
        return NOT_HANDLED;
    }

    JDB::print(VT35, "SELECTED %d\n", i);
    if (ignore_next_select) {
        JDB::print(VT35, "    IGNORE\n");
        unselected_seen = false;
        ignore_next_select = false;
        return NOT_HANDLED;
    }
    int r;
    if (last == -1) {
        if (i == 0) {
            JDB::print(VT35, "    Increment3\n");
            last = 0;
            r = increment_on_first ? INCREMENT : NOTHING;
        } else if (i == 2) {
            JDB::print(VT35, "    Decrement3\n");
            last = 2;
            r = decrement_on_first ? DECREMENT : NOTHING;
        } else {
            Debug_print::dprint("HOW? (%s : %d)\n", __FILE__, __LINE__);
            r = NOT_HANDLED;
        }
    } else if (last == up[i]) {
        JDB::print(VT35, "    Increment2\n");
        last = i;
        r = INCREMENT;
    } else if (last == down[i]) {
        JDB::print(VT35, "    Decrement2\n");
        last = i;
        r = DECREMENT;
    } else if (last == i && unselected_seen) {
        JDB::print(VT35, "    DUPLICATE\n");
        r = NOT_HANDLED;
    } else {
        JDB::print(VT35, "    Fail last=%d i=%d up=%d down=%d\n", last, i, up[i], down[i]);
        r = NOT_HANDLED;
    }
    selected_seen = true;
    unselected_seen = false;
    return r;
}
