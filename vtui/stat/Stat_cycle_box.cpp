#include "vtui/stat/Stat_cycle_box.h"

#include <cstring>

namespace {
unsigned short id_of(VT::Object_pool* pool, const char* name)
{
    VT::VT_obj* o = pool->find<VT::VT_obj>(name);
    return o ? o->get_id() : VT::Object_pool::NULL_ID;
}
} // namespace

bool Stat_cycle_box::init(Stat_collector* col, VT::Object_pool* p, Item_provider* prov, Window* w)
{
    pool = p;
    window = w;
    provider = prov;
    collector = col;
    if (p) {
        text = p->find<VT::Output_string_obj>("cycle_box_text");
        pointer = p->find<VT::Object_pointer_obj>("ptr_widget_buttons");
        encoder_id = id_of(p, "widget_cycle_box_encoder");
        buttons_id = id_of(p, "container_buttons_cycle_helper");
        disabled_id = id_of(p, "widget_cycle_box_disabled");
        no_items_text = p->find<VT::Output_string_obj>("os_no_items_text");
        activator.init(w, NULL_ID, id_of(p, "button_widget_cycle"), p->find<VT::Object_pointer_obj>("ptr_widget_bdr"),
                       id_of(p, "rec_cycle_selected"), id_of(p, "rec_cycle_unselected"));
        helper.init(w, p, false);
    }
    setup(col);
    return true;
}

void Stat_cycle_box::point(unsigned short id)
{
    if (pointer)
        pointer->set_value(id);
}

bool Stat_cycle_box::is_editing() const
{
    return pointer && pointer->get_value() == buttons_id;
}

void Stat_cycle_box::show()
{
    if (no_items_text && provider)
        no_items_text->set_variable_reference(provider->no_items_string_id());
    if (!text || !provider)
        return;
    const char* item = provider->current_item_text();
    if (!item)
        item = "---";
    // Exactly 32 characters: cut, or padded with blanks.
    char line[TEXT_CHARS + 1];
    size_t n = strnlen(item, TEXT_CHARS);
    std::memcpy(line, item, n);
    std::memset(line + n, ' ', TEXT_CHARS - n);
    line[TEXT_CHARS] = 0;
    text->__set_string(line, 0);
}

void Stat_cycle_box::increment()
{
    if (provider)
        provider->next_item();
    show();
}

void Stat_cycle_box::decrement()
{
    if (provider)
        provider->previous_item();
    show();
}

void Stat_cycle_box::backup()
{
    if (provider)
        provider->backup();
}

void Stat_cycle_box::restore()
{
    if (provider)
        provider->restore();
    show();
}

bool Stat_cycle_box::_set_editable(bool e)
{
    point(e ? encoder_id : disabled_id);
    show();
    return e;
}

void Stat_cycle_box::activate()
{
    point(encoder_id);
}

void Stat_cycle_box::select(bool s)
{
    select_frame(window, s);
}

void Stat_cycle_box::finish_editing()
{
    if (collector)
        collector->resume_editable();
    point(encoder_id);
}

int Stat_cycle_box::handle_activator_event(Window::Activator& a, Window::Activator_event& ev)
{
    using E = List_interface::Event;
    if (&a == &activator) {
        switch (ev.event) {
        case E::RELEASED:
            if (increment_on_release) {
                increment();
                break;
            }
            select(true);
            if (pointer) {
                if (collector)
                    collector->suspend_editable();
                point(buttons_id);
                backup();
            }
            helper.activate();
            break;
        case E::SELECTED:
            select(true);
            break;
        case E::UNSELECTED:
            if (!is_editing())
                select(false);
            break;
        default:
            break;
        }
        return 1;
    }
    if (ev.event == E::ESC) {
        if (!is_editing())
            return 0;
        select(false);
        finish_editing();
        restore();
        return 1;
    }
    int r = helper.handle_activator_event(a, ev);
    if (pointer && pointer->get_value() != encoder_id) {
        if (r == Cycle_helper::DECREMENT) {
            decrement();
            return 1;
        }
        if (r == Cycle_helper::INCREMENT) {
            increment();
            return 1;
        }
        if (r == Cycle_helper::RELEASED) {
            select(false);
            if (provider)
                provider->commit();
            finish_editing();
            return 1;
        }
    }
    return is_editing() ? 1 : 0;
}
