#include "vtui/screen/Subscreen.h"

#include "vtui/screen/Data_screen.h"
#include "vtui/screen/Screen_man.h"
#include "vtui/stat/Stat_decorations.h"

#include <cstdio>

VT::Object_pointer_obj* Subscreen::pointer = nullptr;
VT::Object_pointer_obj* Subscreen::placement_pointer = nullptr;
VT::Container_obj* Subscreen::container = nullptr;
VT::Output_string_obj* Subscreen::string = nullptr;
VT::Output_string_obj* Subscreen::esc_message = nullptr;

void Subscreen::init(VT::Object_pool* pool)
{
    pointer = pool ? pool->find<VT::Object_pointer_obj>("ptr_sub_screen_content") : nullptr;
    placement_pointer = pool ? pool->find<VT::Object_pointer_obj>("ptr_subscreen") : nullptr;
    container = pool ? pool->find<VT::Container_obj>("widget_sub_screen") : nullptr;
    string = pool ? pool->find<VT::Output_string_obj>("widget_sub_screen_title") : nullptr;
    esc_message = pool ? pool->find<VT::Output_string_obj>("widget_sub_screen_esc_msg") : nullptr;
}

Subscreen::Subscreen() : Stackable_ui_element(0) {}

Screen_man* Subscreen::get_man()
{
    return owner ? owner->get_man() : nullptr;
}

void Subscreen::init(VT::Object_pool* pool, unsigned short button, unsigned short content_obj, unsigned short title,
                     unsigned short key_mask, Data_screen* own, const char* n, bool esc)
{
    button_id = button;
    content_id = content_obj;
    title_id = title;
    key_mask_id = key_mask;
    owner = own;
    if (n)
        name = n;
    show_esc = esc;
    if (pool) {
        VT::VT_obj* esc_text = pool->find<VT::VT_obj>("ts_subscr_esc_str");
        esc_string_id = esc_text ? esc_text->get_id() : NULL_ID;
        content = pool->find<VT::VT_obj>(content_id);
    }
}

bool Subscreen::activate()
{
    Screen_man* m = get_man();
    if (!m)
        return false;
    set_esc_string(show_esc);
    return m->activate_subscreen(this);
}

bool Subscreen::deactivate()
{
    Screen_man* m = get_man();
    if (!m)
        return false;
    return m->deactivate_subscreen(this);
}

bool Subscreen::try_button_activation(Button_activation_event& ev)
{
    if (button_id == NULL_ID || ev.object_id() != button_id)
        return false;
    activate();
    return true;
}

void Subscreen::set_title(unsigned short id)
{
    title_id = id;
    if (string)
        string->set_variable_reference(id);
}

void Subscreen::set_esc_string(bool show)
{
    if (esc_message)
        esc_message->set_variable_reference(show && Window::allow_vt_esc_text ? esc_string_id : NULL_ID);
}

unsigned short Subscreen::get_esc_string() const
{
    return esc_message ? esc_message->get_variable_reference() : NULL_ID;
}

void Subscreen::update_stat_decorations()
{
    Screen_man* m = get_man();
    auto* cont = VT::obj_cast<VT::Container_obj>(content);
    if (m && cont)
        m->get_decorations().show_page(cont, &owner->get_stats(), false, false);
}

bool Subscreen::display()
{
    Screen_man* m = get_man();
    Screen* current = m ? m->get_current_screen() : nullptr;
    if (!current)
        return false;
    if (in_place) {
        if (placement_pointer)
            placement_pointer->set_value(content_id);
        if (pointer)
            pointer->set_value(NULL_ID);
    } else {
        if (placement_pointer && container)
            placement_pointer->set_value(container->get_id());
        if (pointer)
            pointer->set_value(content_id);
    }
    if (container)
        container->set_hidden(show_container ? 0 : 1);
    if (string)
        string->set_variable_reference(title_id);
    current->override_key_mask(key_mask_id);
    return true;
}

void Subscreen::undisplay()
{
    clear_activator_selections();
    if (pointer)
        pointer->set_value(NULL_ID);
    if (placement_pointer && container)
        placement_pointer->set_value(container->get_id());
    if (container)
        container->set_hidden(1);
    Screen_man* m = get_man();
    if (Screen* current = m ? m->get_current_screen() : nullptr)
        current->restore_key_mask();
}

bool Subscreen::handle_select_input_event(VT_select_input_object_event& ev)
{
    Screen_man* m = get_man();
    return m && m->get_decorations().select(ev.object_id(), ev.selected());
}

void Targetable_subscreen::init(VT::Object_pool* pool, unsigned short button, unsigned short content_obj,
                                unsigned short title, unsigned short key_mask, unsigned short hotkey_softkey,
                                unsigned short hotkey_button, Data_screen* own, const char* n, bool esc)
{
    Subscreen::init(pool, button, content_obj, title, key_mask, own, n, esc);
    hotkey_softkey_id = hotkey_softkey;
    hotkey_button_id = hotkey_button;
}

void Targetable_subscreen::get_hotkey_name(char* dst, int len) const
{
    if (dst && len > 0)
        std::snprintf(dst, size_t(len), "%s~%s", owner ? owner->get_name() : "", name);
}

void Targetable_subscreen::set_allowed_as_hotkey(bool allowed)
{
    Screen_man* m = get_man();
    if (!m)
        return;
    c_sl_list<Hot_target>& targets = m->get_hotkey_targets();
    Hot_target* self = this;
    if (!allowed)
        targets.remove(self);
    else if (!self->in_list())
        targets.push(self);
}
