#include "vtui/screen/Alarm_screen.h"

#include "vtui/screen/Screen_man.h"

VT::Number_variable_obj* Alarm_screen::occurance_count_obj = nullptr;
VT::Number_variable_obj* Alarm_screen::spn_obj = nullptr;
VT::Number_variable_obj* Alarm_screen::fmi_obj = nullptr;
VT::Output_string_obj* Alarm_screen::text_obj = nullptr;
VT::Output_string_obj* Alarm_screen::esc_message = nullptr;
unsigned short Alarm_screen::esc_message_str = VT::Object_pool::NULL_ID;

Alarm_screen::Alarm_screen(VT::Alarm_mask_obj* m, Screen_man* man, const char* name)
    : Screen(name ? name : (m ? m->get_name() : ""), man, m ? m->get_priority() : 0), alarm_mask(m)
{
}

// A close timeout still pending leaves its Diner with the Timeout itself.
Alarm_screen::~Alarm_screen() = default;

bool Alarm_screen::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    if (p) {
        occurance_count_obj = p->find<VT::Number_variable_obj>("var_alarm_occurance_count");
        spn_obj = p->find<VT::Number_variable_obj>("var_alarm_spn");
        fmi_obj = p->find<VT::Number_variable_obj>("var_alarm_fmi");
        text_obj = p->find<VT::Output_string_obj>("os_alarm_text");
        esc_message = p->find<VT::Output_string_obj>("os_alarm_esc_string");
        VT::VT_obj* s = p->find<VT::VT_obj>("ts_alarm_esc_str");
        esc_message_str = s ? s->get_id() : NULL_ID;
    }
    // The alarm mask is shown through the pool's alarm-mask call; the
    // screen's own soft-key override does not apply to it.
    Screen::init(p, nullptr, params);
    return true;
}

bool Alarm_screen::activate()
{
    if (timeout)
        get_man()->submit_timeout(close_timeout, get_id(), int(timeout));
    active = true;
    if (occurance_count_obj)
        occurance_count_obj->set_value(occurrence_count);
    if (spn_obj)
        spn_obj->set_value(spn);
    if (fmi_obj)
        fmi_obj->set_value(fmi);
    if (text_obj)
        text_obj->set_variable_reference(text_id);
    if (esc_message)
        esc_message->set_variable_reference(Window::allow_vt_esc_text ? esc_message_str : NULL_ID);
    return pool && alarm_mask && pool->activate_alarm_mask(alarm_mask);
}

void Alarm_screen::set_occurrence_count(uint32_t count)
{
    if (count == occurrence_count)
        return;
    occurrence_count = count;
    if (active && occurance_count_obj)
        occurance_count_obj->set_value(count);
}

bool Alarm_screen::send_timeout(Timeout& t)
{
    if (&t == &close_timeout && timeout && active)
        get_man()->back_screen(1);
    return true;
}

void Alarm_screen::send_soft_key_event(Soft_key_activation_event& ev, unsigned)
{
    if (ev.activation_code() != Activation_event::PRESSED)
        return;
    if (ev.key_code() != 0) {
        VT::VT_obj* cross = pool ? pool->find<VT::VT_obj>("key_cross") : nullptr;
        if (!cross || cross->get_id() != ev.object_id())
            return;
    }
    get_man()->back_screen(1);
}

unsigned short Alarm_screen::get_mask_id()
{
    return alarm_mask ? alarm_mask->get_id() : NULL_ID;
}

bool Alarm_screen::reshow_mask()
{
    if (!pool || !alarm_mask)
        return false;
    pool->activate_alarm_mask(alarm_mask);
    return true;
}

Timeout_alarm_screen::Timeout_alarm_screen(VT::Alarm_mask_obj* m, Screen_man* man, const char* name)
    : Alarm_screen(m, man, name)
{
    set_timeout(1000);
}
