#include "vtui/screen/Screen_man.h"

#include "util/Debug_base.h"
#include "vtui/screen/Alarm_screen.h"
#include "vtui/screen/Data_screen.h"
#include "vtui/pui/PUI_Widget.h"
#include "vtui/screen/Global_stat_manager.h"

#include <cstdlib>
#include <cstring>

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

namespace {
constexpr auto VT35 = _JDB::VTUI_35;

// Requests the pool's upload mode for its scope, always paired.
class Upload_mode {
public:
    Upload_mode(VT::Object_pool* pool, bool wanted) : pool_(wanted ? pool : nullptr)
    {
        if (pool_) {
            JDB::print(VT35, "Enable pool upload mode\n");
            pool_->request_pool_upload_mode();
        }
    }
    ~Upload_mode()
    {
        if (pool_) {
            pool_->unrequest_pool_upload_mode();
            JDB::print(VT35, "Disable pool upload mode\n");
        }
    }

private:
    VT::Object_pool* pool_;
};
} // namespace

// ---- the edit pencil ----

void Screen_man::Pencil_man::init(VT::Object_pool* p)
{
    pool = p;
    pencil = p ? p->find<VT::Container_obj>("pencil") : nullptr;
    common_items = p ? p->find<VT::Container_obj>("common_data_mask_items") : nullptr;
    index = -1;
    if (pencil && common_items) {
        for (int i = 0; i < common_items->num_children(); ++i) {
            if (common_items->get_child_id(i) == pencil->get_id()) {
                index = i;
                break;
            }
        }
    }
}

void Screen_man::Pencil_man::show(bool v)
{
    if (pencil)
        pencil->set_hidden(!v);
    visible = pencil && v;
}

// ---- set-up ----

Screen_man::Screen_man(Global_stat_manager& g) : global_stats(g)
{
    std::strcpy(default_screen_name, "intro");
}

Screen_man::~Screen_man() = default;

void Screen_man::add_screen(Screen* s)
{
    screens.add(s);
}

void Screen_man::remove_screen(Screen* s)
{
    screen_stack.remove(s);
    pending_screens.remove(s);
}

Screen* Screen_man::find_screen_with_mask(unsigned short mask_id) const
{
    if (mask_id == Window::NULL_ID)
        return nullptr;
    for (int i = 0; i < screens.count(); ++i) {
        Screen* s = screens[i];
        if (s != &global_stats && s->get_mask_id() == mask_id)
            return s;
    }
    return nullptr;
}

void Screen_man::set_default_screen_name(const char* name)
{
    std::strncpy(default_screen_name, name ? name : "", NAME_SIZE);
    default_screen_name[NAME_SIZE] = 0;
}

int Screen_man::carry_timeout(Timeout& t, int ms)
{
    if (!ui)
        return -1;
    return ms < 0 ? ui->submit_timeout(t) : ui->submit_timeout(t, ms);
}

int Screen_man::drop_timeout(Timeout& t)
{
    return ui ? ui->remove_timeout(t) : -1;
}

bool Screen_man::init(VT::Object_pool* p, NV_kelsu::parameters_t* params, User_interface_base* u,
                      waiter_descriptor* w, Units_man* un)
{
    waiter = w;
    ui = u;
    units = un;
    pool = p;
    switch_guard = now() + SWITCH_GUARD_MS;
    Subscreen::init(p);
    for_each_screen([p, params](Screen& s) { s.init(p, params); });
    current_screen = nullptr;
    switch_to_default_screen();
    update_timeout.set_period(UPDATE_PERIOD_MS);
    carry_timeout(update_timeout, 0);
    VT::VT_obj* help = p ? p->find<VT::VT_obj>("key_help_content") : nullptr;
    help_key_id = help ? help->get_id() : Window::NULL_ID;
    help_screen = nullptr;
    pencil_man.init(p);
    decorations.init(p);
    return true;
}

void Screen_man::post_snapshot_init()
{
    for_each_screen([](Screen& s) { s.post_snapshot_init(); });
}

// ---- switching ----

bool Screen_man::activate(Screen* s)
{
    bool r = s->activate();
    notify_screen_change(false, true);
    return r;
}

bool Screen_man::deactivate(Screen* s)
{
    left_alarm = s->as_alarm_screen() != nullptr;
    bool r = s->deactivate();
    notify_screen_change(true, false);
    return r;
}

void Screen_man::notify_screen_change(bool down, bool up)
{
    if (!ui || !current_screen)
        return;
    if (Data_screen* d = current_screen->as_data_screen()) {
        if (down)
            ui->notify_data_screen_down(d);
        if (up)
            ui->notify_data_screen_up(d);
    } else if (Alarm_screen* a = current_screen->as_alarm_screen()) {
        if (down)
            ui->notify_alarm_screen_down(a);
        if (up)
            ui->notify_alarm_screen_up(a);
    }
}

bool Screen_man::switch_to_screen(Screen* s)
{
    if (!s)
        return false;
    if (restrict_switches && s->is_deferrable()) {
        JDB::print(VT35, "Adding '%s' to the pending screen list\n", s->get_name());
        // A screen sits in one stack at a time: it leaves the back-stack
        // and comes back to it when the deferred switch is made.
        screen_stack.remove(s);
        pending_screens.push(s, now());
        return false;
    }
    if (!s->is_stackable())
        return s->activate();
    if (!pool || !pool->is_running()) {
        pending_screens.remove(s);
        screen_stack.push(s, now());
        soft_key_armed = false;
        return true;
    }
    pending_screens.remove(s);
    if (current_screen) {
        pending_screens.remove(current_screen);
        screen_stack.push(current_screen, now());
        deactivate(current_screen);
    }
    screen_stack.push(s, now());
    Screen* top = screen_stack.pop();
    if (!top) {
        current_screen = s;
    } else {
        current_screen = top;
        JDB::print(VT35, "Switch to %s\n", top->get_name());
        soft_key_armed = false;
    }
    switch_guard = now() + SWITCH_GUARD_MS;
    return activate(current_screen);
}

bool Screen_man::switch_to_screen(const char* name)
{
    Screen* s = find_screen(name);
    if (!s) {
        Debug_print::dprint("Could not find screen %s\n", name ? name : "(null)");
        return false;
    }
    return switch_to_screen(s);
}

void Screen_man::set_restrict_screen_switches(bool on)
{
    restrict_switches = on;
    if (on)
        return;
    while (Screen* s = pending_screens.pop())
        switch_to_screen(s);
}

bool Screen_man::switch_to_default_screen()
{
    Screen* s = find_screen(default_screen_name);
    if (!s) {
        Debug_print::bprint("No default screen %s\n", default_screen_name);
        std::abort();
    }
    if (current_screen) {
        deactivate(current_screen);
        screen_stack.push(current_screen, now());
    }
    screen_stack.remove(s);
    pending_screens.remove(s);
    current_screen = s;
    return activate(s);
}

Screen* Screen_man::back_screen(int count)
{
    switch_guard = now() + SWITCH_GUARD_MS;
    if (current_screen)
        deactivate(current_screen);
    for (int i = 0; i < count; ++i) {
        Screen* top = screen_stack.pop();
        if (!top) {
            if (current_screen)
                activate(current_screen);
            return nullptr;
        }
        current_screen = top;
        soft_key_armed = false;
    }
    if (current_screen)
        activate(current_screen);
    return current_screen;
}

bool Screen_man::pop_screen(int count)
{
    for (int i = 0; i < count; ++i)
        if (!screen_stack.pop())
            return false;
    return true;
}

Screen* Screen_man::return_to_screen(Screen* s)
{
    if (!s)
        return nullptr;
    switch_guard = now() + SWITCH_GUARD_MS;
    if (current_screen)
        deactivate(current_screen);
    while (screen_stack.peek() != s) {
        if (!screen_stack.pop()) {
            if (current_screen)
                activate(current_screen);
            return nullptr;
        }
    }
    current_screen = s;
    soft_key_armed = false;
    activate(s);
    return s;
}

Screen* Screen_man::return_to_screen(const char* name)
{
    Screen* s = find_screen(name);
    return s ? return_to_screen(s) : nullptr;
}

void Screen_man::close_subscreens()
{
    while (current_subscreen)
        back_subscreen(1);
}

bool Screen_man::go_back_to_screen(Screen* s, bool switch_if_needed)
{
    if (!s)
        return false;
    close_subscreens();
    Screen* remembered = nullptr;
    for (Screen* e = screen_stack.peek(); e;) {
        Screen* next = screen_stack.next(e);
        if (e == s) {
            remembered = nullptr;
            break;
        }
        if (!e->as_alarm_screen()) {
            screen_stack.remove(e);
            remembered = e;
        }
        e = next;
    }
    bool on_alarm = current_screen && current_screen->as_alarm_screen();
    if (remembered) {
        screen_stack.push(remembered, now());
        if (!on_alarm)
            current_screen = remembered;
    }
    if (s != current_screen && switch_if_needed) {
        if (!on_alarm)
            current_screen = s;
        switch_to_screen(s);
    }
    return true;
}

bool Screen_man::go_back_to_screen(const char* name, bool switch_if_needed)
{
    Screen* s = find_screen(name);
    return s && go_back_to_screen(s, switch_if_needed);
}

bool Screen_man::remove_all_screens(Screen* s)
{
    if (!s)
        return false;
    close_subscreens();
    for (Screen* e = screen_stack.peek(); e;) {
        Screen* next = screen_stack.next(e);
        if (!e->as_alarm_screen())
            screen_stack.remove(e);
        e = next;
    }
    if (!current_screen || !current_screen->as_alarm_screen())
        current_screen = s;
    switch_to_screen(s);
    return true;
}

bool Screen_man::remove_all_screens(const char* name)
{
    Screen* s = find_screen(name);
    return s && remove_all_screens(s);
}

bool Screen_man::esc_to_root()
{
    for (int i = 0; i < MAX_ESC_TRIES && !screen_stack.empty(); ++i) {
        VT_ESC_event ev(0, 0);
        if (current_screen && !current_screen->window_handle_vt_esc_event(ev))
            current_screen->send_vt_esc_event(ev);
    }
    return screen_stack.empty();
}

// ---- events ----

void Screen_man::log_event(VT_event::id_t id, const waiter_event& ev) const
{
    JDB::print(VT35, "Screen_manE,%u,%u,%u,%s:%s\n", unsigned(id), unsigned(uint32_t(ev.code)), unsigned(ev.data),
               current_screen ? current_screen->get_name() : "", "");
}

void Screen_man::send_vt_event(VT_event::id_t id, waiter_event& e, bool vt_active)
{
    bool upload = id == VT_event::SOFT_KEY_ACTIVATION || id == VT_event::BUTTON_ACTIVATION || id == VT_event::ESC;
    Upload_mode mode(pool, upload);
    log_event(id, e);
    // Nothing reaches a screen before the manager has one.
    if (!current_screen && id != VT_event::COMMAND_RESPONSE)
        return;
    switch (id) {
    case VT_event::SOFT_KEY_ACTIVATION:
        if (vt_active)
            soft_key_event(e);
        break;
    case VT_event::BUTTON_ACTIVATION: {
        Button_activation_event ev(e);
        for (int i = 0; i < pui_widget_count; ++i)
            if (pui_widgets[i])
                pui_widgets[i]->send_button_event(ev);
        if (current_subscreen) {
            if (!current_subscreen->window_handle_button_event(ev))
                current_subscreen->button_operation(ev);
        } else {
            current_screen->_send_button_event(ev);
        }
        break;
    }
    case VT_event::SELECT_INPUT_OBJECT: {
        VT_select_input_object_event ev(e);
        if (current_subscreen) {
            if (!current_subscreen->window_handle_select_input_event(ev))
                current_subscreen->handle_select_input_event(ev);
        } else {
            current_screen->_handle_select_input_event(ev);
        }
        edit_backup.select(pool, ev.object_id(), ev.selected());
        break;
    }
    case VT_event::ESC: {
        VT_ESC_event ev(e);
        if (ev.error_code() != 0) {
            if (current_subscreen) {
                if (!current_subscreen->window_handle_vt_esc_event(ev))
                    current_subscreen->esc_operation(ev);
            } else if (!current_screen->window_handle_vt_esc_event(ev))
                current_screen->send_vt_esc_event(ev);
        } else {
            VT_change_numeric_value_event restored;
            if (edit_backup.esc(restored))
                current_screen->handle_change_numeric_value_event(restored);
        }
        break;
    }
    case VT_event::CHANGE_NUMERIC_VALUE: {
        VT_change_numeric_value_event ev(e);
        current_screen->handle_change_numeric_value_event(ev);
        break;
    }
    case VT_event::INPUT_STRING_VALUE: {
        Input_string_value_event ev(e);
        current_screen->handle_input_string_value_event(ev);
        break;
    }
    case VT_event::COMMAND_RESPONSE: {
        uint32_t second = uint32_t(e.code);
        JDB::print(VT35, "Got event oid=%d cmd=%d res=%d err=%d extra=%d\n", int(e.data & 0xFFFF),
                   int(second & 0xFF), int((second >> 8) & 0xFF), int((second >> 16) & 0xFF),
                   int((second >> 24) & 0xFF));
        break;
    }
    default:
        break;
    }
}

void Screen_man::soft_key_event(waiter_event& e)
{
    Soft_key_activation_event ev(e);
    unsigned code = ev.activation_code();
    // The release or hold of the key that caused a switch stays with the
    // screen that was left.
    if (!soft_key_armed) {
        if (code == Activation_event::RELEASED || code == Activation_event::HELD)
            return;
        soft_key_armed = true;
    }
    Soft_key_activation_event last(last_soft_key_event);
    bool same = (last.first & 0xFFFF) == (ev.first & 0xFFFF) && last.second == ev.second;
    unsigned hold = 0;
    if (same && code == Activation_event::HELD) {
        hold = unsigned(now() - soft_key_time);
    } else {
        soft_key_time = now();
    }
    if (ev.object_id() != last.object_id() && code != Activation_event::PRESSED)
        return;
    last_soft_key_event = waiter_event(e.module_id, e.data, e.code);
    if (ev.object_id() == help_key_id && code == Activation_event::PRESSED && help_screen) {
        help_screen->_send_soft_key_event(ev, hold);
    } else if (current_subscreen) {
        if (!current_subscreen->window_handle_soft_key_event(ev, hold))
            current_subscreen->soft_key_operation(ev, hold);
    } else {
        current_screen->_send_soft_key_event(ev, hold);
    }
}

void Screen_man::send_vt_status(VT::VT_status_message& m)
{
    if (!m.valid || !current_screen || m.visible_mask() == current_screen->get_mask_id())
        return;
    Atime t = now();
    if (t < switch_guard)
        return;
    if (m.visible_mask() == Window::NULL_ID && current_screen->reshow_mask())
        return;
    if (!pool || !pool->is_running() || pool->pending_uploads() > 0) {
        switch_guard = t + BUSY_RETRY_MS;
        return;
    }
    if (ui)
        ui->handle_mask_mismatch(true);
    else
        switch_to_screen("nav");
}

int Screen_man::handle_vt_info(VT_information info)
{
    vt_info = info;
    bool live = info.kind == VT_information::KIND_LIVE_EDIT;
    for_each_screen([&info, live](Screen& s) {
        s.set_vt_info(info);
        s.get_stats().for_each([live](Stat& st) { st.set_live_edit(live); });
    });
    return screens.count();
}

bool Screen_man::dispatch_store_event(waiter_event& ev, bool (*deliver)(Screen&, unsigned short, waiter_event&))
{
    uint32_t word = uint32_t(ev.code);
    Screen* s = screen_by_id(word >> 16);
    return s && deliver(*s, uint16_t(word & 0xFFFF), ev);
}

bool Screen_man::send_data_store_event(waiter_event& ev)
{
    return dispatch_store_event(ev, [](Screen& s, unsigned short v, waiter_event&) {
        return s.send_data_store_event(v);
    });
}

bool Screen_man::send_pved_store_event(waiter_event& ev)
{
    return dispatch_store_event(ev, [](Screen& s, unsigned short v, waiter_event&) {
        return s.send_pved_store_event(v);
    });
}

bool Screen_man::send_config_store_event(waiter_event& ev)
{
    return dispatch_store_event(ev, [](Screen& s, unsigned short v, waiter_event&) {
        return s.send_config_store_event(v);
    });
}

bool Screen_man::send_parameters_event(waiter_event& ev)
{
    return dispatch_store_event(ev, [](Screen& s, unsigned short v, waiter_event& e) {
        return s.send_parameters_event(v, e);
    });
}

void Screen_man::send_update_complete_event(waiter_event& ev)
{
    if (current_subscreen)
        current_subscreen->update_complete_operation(ev);
    else if (current_screen)
        current_screen->send_update_complete_event(ev);
}

void Screen_man::send_other_event(waiter_event& ev)
{
    if (current_subscreen)
        current_subscreen->other_event_operation(ev);
    for_each_screen([&ev](Screen& s) { s.handle_other_event(ev); });
}

void Screen_man::init_pui_widgets(UI::PUI::Widget* const* widgets, int count)
{
    pui_widgets = widgets;
    pui_widget_count = widgets ? count : 0;
}

bool Screen_man::activate_subscreen(Subscreen* n)
{
    if (!n)
        return false;
    if (current_subscreen == n)
        return true;
    subscreen_stack.remove(n);
    if (current_subscreen) {
        current_subscreen->undisplay();
        subscreen_stack.push(current_subscreen, now());
    } else if (current_screen) {
        current_screen->activate_subscreen(n);
    }
    current_subscreen = n;
    n->display();
    notify_screen_change(true, true);
    return true;
}

bool Screen_man::back_subscreen(int count)
{
    if (!current_subscreen)
        return false;
    bool all = true;
    for (int i = 0; i < count; ++i) {
        if (!current_subscreen) {
            all = false;
            break;
        }
        current_subscreen->undisplay();
        current_subscreen = subscreen_stack.pop();
    }
    if (current_subscreen)
        current_subscreen->display();
    else if (current_screen)
        current_screen->deactivate_subscreen();
    notify_screen_change(true, true);
    return all;
}

bool Screen_man::deactivate_subscreen(Subscreen* n)
{
    if (!n)
        return false;
    if (n == current_subscreen)
        return back_subscreen(1);
    subscreen_stack.remove(n);
    notify_screen_change(true, true);
    return true;
}

bool Screen_man::send_timeout(Timeout& t)
{
    if (&t == &update_timeout) {
        if (current_screen && !(current_screen->get_values_complete() && current_screen->get_scales_complete())) {
            current_screen->send_val_updates(false);
            current_screen->send_scale_updates(false);
        }
        global_stats.send_val_updates(true);
        global_stats.send_scale_updates(true);
        return true;
    }
    Screen* s = t.get_uid() >= 0 ? screen_by_id(unsigned(t.get_uid())) : nullptr;
    return s && s->base_send_timeout(t);
}

int Screen_man::submit_timeout(Timeout& t, unsigned screen_id)
{
    t.set_uid(int(screen_id));
    return carry_timeout(t, -1);
}

int Screen_man::submit_timeout(Timeout& t, unsigned screen_id, int ms)
{
    t.set_uid(int(screen_id));
    return carry_timeout(t, ms);
}

int Screen_man::remove_timeout(Timeout& t)
{
    return drop_timeout(t);
}

bool Screen_man::send_val_updates()
{
    if (!current_screen)
        return false;
    current_screen->send_val_updates(false);
    global_stats.send_val_updates(true);
    return true;
}

bool Screen_man::set_units(Units_man& u)
{
    units = &u;
    Upload_mode mode(pool, true);
    for_each_screen([this, &u](Screen& s) {
        if (&s == current_screen)
            return;
        s.set_units(u);
        if (s.is_background())
            s.update_stat_objs(true);
    });
    if (current_screen) {
        current_screen->set_units(u);
        current_screen->update_stat_objs(true);
    }
    return true;
}

bool Screen_man::set_alarm_timeout(const char* name, unsigned ms)
{
    Screen* s = find_screen(name);
    Alarm_screen* a = s ? s->as_alarm_screen() : nullptr;
    if (!a)
        return false;
    a->set_timeout(ms);
    return true;
}
