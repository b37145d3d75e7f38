#include "vtui/screen/Window.h"

#include "vtui/screen/Element_group.h"

#include "util/Debug_base.h"

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

bool Window::allow_vt_esc_text = true;

namespace {
const char* const event_names[] = {"Pressed", "Released", "Held", "Selected", "Unselected", "ESC"};
const char* const source_names[] = {"SoftKey", "Button", "Default"};

List_interface::Event::event_t from_activation(unsigned code)
{
    if (code == Activation_event::PRESSED)
        return List_interface::Event::PRESSED;
    if (code == Activation_event::RELEASED)
        return List_interface::Event::RELEASED;
    return List_interface::Event::HELD;
}
} // namespace

const char* Window::Activator_event::event_string() const
{
    return unsigned(event) < 6 ? event_names[event] : "Unknown";
}

const char* Window::Activator_event::source_string() const
{
    return unsigned(source) < 3 ? source_names[source] : "Unknown";
}

void Window::Activator_event::print(const char* label) const
{
    Debug_print::dprint("%s={event=%s source=%s hold_time=%u}\n", label, event_string(), source_string(), hold_time);
}

// ---- activators ----

void Window::Activator::init(Window* w, unsigned short key, unsigned short button, VT::Object_pointer_obj* border,
                             unsigned short sel_border, unsigned short unsel_border)
{
    key_id = key;
    button_id = button;
    border_pointer = border;
    selected_border_id = sel_border;
    unselected_border_id = unsel_border;
    selected = false;
    if (w)
        w->add_activator(this);
    select_button(false, true);
}

bool Window::Activator::select_button(bool sel, bool apply)
{
    selected = sel;
    if (!border_pointer)
        return false;
    if (apply)
        border_pointer->set_value(sel ? selected_border_id : unselected_border_id);
    return true;
}

void Window::Activator::set_bdr_ptr(VT::Object_pointer_obj* p)
{
    border_pointer = p;
    select_button(selected, true);
}

void Window::Activator::set_bdr_selected_id(unsigned short id)
{
    selected_border_id = id;
    select_button(selected, true);
}

void Window::Activator::set_bdr_unselected_id(unsigned short id)
{
    unselected_border_id = id;
    select_button(selected, true);
}

bool Window::Activator::set_button_bdr(unsigned short id)
{
    return border_pointer && border_pointer->set_value(id);
}

void Window::Activator::print(const char* label) const
{
    Debug_print::dprint("%s={this=%lx key=%lx button=%lx bdr_ptr=%lx sel_bdr=%lx unsel_bdr=%lx sel=%d}\n", label,
                        (unsigned long)(uintptr_t)this, (unsigned long)key_id, (unsigned long)button_id,
                        (unsigned long)(uintptr_t)border_pointer, (unsigned long)selected_border_id,
                        (unsigned long)unselected_border_id, int(selected));
}

bool Window::Configurable_activator::point(VT::Object_pointer_obj* p, unsigned short id)
{
    return p && p->set_value(id);
}

void Window::Configurable_activator::init(Window* w, VT::Object_pointer_obj* key_ptr,
                                          VT::Object_pointer_obj* button_ptr, unsigned short key,
                                          unsigned short button, VT::Object_pointer_obj* border,
                                          unsigned short sel_border, unsigned short unsel_border,
                                          VT::Object_pointer_obj* key_content, VT::Object_pointer_obj* button_content,
                                          VT::Object_pointer_obj* ghost)
{
    key_pointer = key_ptr;
    button_pointer = button_ptr;
    key_content_pointer = key_content;
    button_content_pointer = button_content;
    ghost_pointer = ghost;
    Activator::init(w, key, button, border, sel_border, unsel_border);
}

void Window::Configurable_activator::show_item(const Activator_item& item)
{
    set_ghost(item.ghost);
    set_key_content(item.key_content);
    set_button_content(item.button_content);
    point(key_pointer, key_id);
    point(button_pointer, button_id);
}

void Window::Configurable_activator::hide_item()
{
    set_ghost(NULL_ID);
    set_button_content(NULL_ID);
    point(key_pointer, NULL_ID);
    point(button_pointer, NULL_ID);
}

void Window::Item_activator::init(Window* w, VT::Object_pointer_obj* key_ptr, VT::Object_pointer_obj* button_ptr,
                                  unsigned short key, unsigned short button, VT::Object_pointer_obj* border,
                                  unsigned short sel_border, unsigned short unsel_border,
                                  VT::Object_pointer_obj* key_content, VT::Object_pointer_obj* content,
                                  VT::Object_pointer_obj* selection_bg, VT::Object_pointer_obj* ghost,
                                  VT::Output_string_obj* title)
{
    content_pointer = content;
    selection_bg_pointer = selection_bg;
    title_string = title;
    Configurable_activator::init(w, key_ptr, button_ptr, key, button, border, sel_border, unsel_border, key_content,
                                 nullptr, ghost);
}

void Window::Item_activator::show_item(const Item_info& info)
{
    Configurable_activator::show_item(info.item);
    set_content(info.content);
    set_title(info.title);
}

void Window::Item_activator::hide_item()
{
    Configurable_activator::hide_item();
    set_content(NULL_ID);
    set_title(NULL_ID);
}

bool Window::Item_activator::set_title(unsigned short id)
{
    return title_string && title_string->set_variable_reference(id);
}

void Window::Ghostable_activator::init(Window* w, unsigned short key, unsigned short button,
                                       VT::Object_pointer_obj* border, unsigned short sel_border,
                                       unsigned short unsel_border, VT::Object_pointer_obj* ghost_key_ptr,
                                       VT::Object_pointer_obj* ghost_button_ptr, unsigned short ghost_key,
                                       unsigned short ghost_button)
{
    ghost_key_pointer = ghost_key_ptr;
    ghost_button_pointer = ghost_button_ptr;
    ghost_key_id = ghost_key;
    ghost_button_id = ghost_button;
    Activator::init(w, key, button, border, sel_border, unsel_border);
    set_enabled(true);
}

void Window::Ghostable_activator::set_enabled(bool e)
{
    enabled = e;
    if (ghost_key_pointer)
        ghost_key_pointer->set_value(e ? NULL_ID : ghost_key_id);
    if (ghost_button_pointer)
        ghost_button_pointer->set_value(e ? NULL_ID : ghost_button_id);
}

// ---- the window ----

void Window::add_activator(Activator* a)
{
    if (a && !a->in_list())
        activators.push(a);
}

void Window::remove_activator(Activator* a)
{
    activators.remove(a);
}

void Window::clear_activator_selections()
{
    for (Activator* a = activators.first(); a; a = activators.next(a))
        a->select_button(false, true);
}

namespace {
template <class T>
void set_ids(const T*& table, unsigned& count, const T* ids, unsigned n, const char* kind)
{
    table = ids;
    count = n;
    JDB::print(_JDB::VTUI_37, "Setting %d stat %ss at 0x%lx\n", int(n), kind, (unsigned long)(uintptr_t)ids);
}
} // namespace

void Window::set_stat_num_ids(const Stat_ids::num_ids* ids, unsigned n) { set_ids(num_ids, num_count, ids, n, "num"); }
void Window::set_stat_bool_ids(const Stat_ids::bool_ids* ids, unsigned n) { set_ids(bool_ids, bool_count, ids, n, "bool"); }
void Window::set_stat_string_ids(const Stat_ids::string_ids* ids, unsigned n)
{
    set_ids(string_ids, string_count, ids, n, "string");
}
void Window::set_stat_list_ids(const Stat_ids::list_ids* ids, unsigned n) { set_ids(list_ids, list_count, ids, n, "list"); }
void Window::set_stat_indicator_ids(const Stat_ids::indicator_ids* ids, unsigned n)
{
    set_ids(indicator_ids, indicator_count, ids, n, "indicator");
}
void Window::set_stat_pointer_ids(const Stat_ids::pointer_ids* ids, unsigned n)
{
    set_ids(pointer_ids, pointer_count, ids, n, "pointer");
}

// The null id stands for "no key" or "no button" of an activator: an event
// naming it matches none.
template <class Match>
bool Window::offer(Match matches, Activator_event ev)
{
    for (Activator* a = activators.first(); a;) {
        // The handler may take the activator out of the list.
        Activator* next = activators.next(a);
        if (matches(*a) && handle_activator_event(*a, ev))
            return true;
        a = next;
    }
    return false;
}

bool Window::window_handle_soft_key_event(Soft_key_activation_event& e, unsigned hold_ms)
{
    Activator_event ev;
    ev.event = from_activation(e.activation_code());
    ev.source = Activator_event::SOFT_KEY;
    ev.hold_time = hold_ms;
    unsigned short id = e.object_id();
    return id != NULL_ID && offer([id](const Activator& a) { return a.get_key_id() == id; }, ev);
}

bool Window::window_handle_button_event(Button_activation_event& e)
{
    Activator_event ev;
    ev.event = from_activation(e.activation_code());
    ev.source = Activator_event::BUTTON;
    unsigned short id = e.object_id();
    return id != NULL_ID && offer([id](const Activator& a) { return a.get_button_id() == id; }, ev);
}

bool Window::window_handle_select_input_event(VT_select_input_object_event& e)
{
    Activator_event ev;
    ev.event = e.selected() ? List_interface::Event::SELECTED : List_interface::Event::UNSELECTED;
    ev.source = Activator_event::BUTTON;
    if (e.object_id() == NULL_ID)
        return false;
    for (Activator* a = activators.first(); a;) {
        Activator* next = activators.next(a);
        if (a->get_button_id() == e.object_id()) {
            if (handle_activator_event(*a, ev))
                return true;
            // Nobody took it: the border still follows the selection.
            a->select_button(e.selected(), true);
        }
        a = next;
    }
    return false;
}

bool Window::window_handle_vt_esc_event(VT_ESC_event& e)
{
    Activator_event ev;
    ev.event = List_interface::Event::ESC;
    ev.source = Activator_event::DEFAULT;
    Activator fresh;
    return handle_activator_event(fresh, ev);
}

void Window::add_group(UI::Element_group_node* node)
{
    groups.push(node);
}

void Window::window_deactivate()
{
    Screen_man* m = get_man();
    if (!m)
        return;
    for (UI::Element_group_node* n = groups.first(); n; n = groups.next(n))
        n->get_group().deactivate(*m);
}

void Window::handle_change_numeric_value_event(VT_change_numeric_value_event& ev)
{
    send_change_numeric_value_event(ev);
    for (UI::Element_group_node* n = groups.first(); n; n = groups.next(n))
        n->get_group().send_change_numeric_value_event(ev);
}

void Window::handle_input_string_value_event(Input_string_value_event& ev)
{
    send_input_string_value_event(ev);
    for (UI::Element_group_node* n = groups.first(); n; n = groups.next(n))
        n->get_group().send_input_string_value_event(ev);
}
