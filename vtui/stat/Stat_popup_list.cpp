#include "vtui/stat/Stat_popup_list.h"

int Stat_popup_list_interface_proxy::lstint_num_items() const
{
    return application ? application->lstint_num_items() : 0;
}

const char* Stat_popup_list_interface_proxy::lstint_item(int i)
{
    return application ? application->lstint_item(i) : "";
}

void Stat_popup_list_interface_proxy::lstint_handle_event(unsigned i, Event& ev)
{
    if (application)
        application->lstint_handle_event(i, ev);
    if (ev.code == Event::RELEASED)
        owner.chosen(application && int(i) < application->lstint_num_items() ? application->lstint_item(int(i))
                                                                              : "");
}

bool Stat_popup_list::init(Stat_collector* col, VT::Object_pool* p, List_interface* l, Window* w,
                           VT::Object_pointer_obj* look, unsigned short button_id, VT::Output_string_obj* t,
                           unsigned short normal, unsigned short open_look, unsigned short read_only)
{
    normal_id = normal;
    open_id = open_look;
    read_only_id = read_only;
    look_pointer = look;
    text = t;
    pool = p;
    window = w;
    collector = col;
    list = l;
    if (p) {
        VT::VT_obj* none = p->find<VT::VT_obj>("os_no_items_text");
        no_items_id = none ? none->get_id() : NULL_ID;
        buttons_pointer = p->find<VT::Object_pointer_obj>("ptr_widget_buttons");
    }
    activator.init(w, NULL_ID, button_id, nullptr, NULL_ID, NULL_ID);
    proxy.set_interface(l);
    widget.init(&proxy, p, col, w);
    setup(col);
    return true;
}

void Stat_popup_list::point(unsigned short id)
{
    if (look_pointer)
        look_pointer->set_value(id);
}

bool Stat_popup_list::_set_editable(bool e)
{
    unsigned short id = open ? open_id : normal_id;
    if (!suspending && !e)
        id = read_only_id;
    point(id);
    return e;
}

void Stat_popup_list::select(bool s)
{
    select_frame(window, s);
}

void Stat_popup_list::close()
{
    open = false;
    point(normal_id);
    if (collector)
        collector->resume_editable();
}

void Stat_popup_list::cancel()
{
    close();
}

void Stat_popup_list::chosen(const char* entry)
{
    if (look_pointer)
        close();
    if (text)
        text->__set_string(entry ? entry : "", 0);
}

int Stat_popup_list::handle_activator_event(Window::Activator& a, Window::Activator_event& ev)
{
    using E = List_interface::Event;
    if (&a == &activator) {
        if (ev.event == E::RELEASED) {
            open = true;
            point(open_id);
            // While the collector is suspended this stat keeps its open look.
            suspending = true;
            if (collector)
                collector->suspend_editable();
            suspending = false;
            widget.activate(true);
        } else if (ev.event == E::SELECTED) {
            select(true);
        } else if (ev.event == E::UNSELECTED) {
            select(false);
        }
        return 1;
    }
    if (open && ev.event == E::ESC) {
        close();
        return 1;
    }
    return widget.handle_activator_event(a, ev) ? 1 : 0;
}
