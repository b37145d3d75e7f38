// The one object that knows every screen: screens register by name, the
// manager initialises them against the pool, keeps the stack of screens the
// operator came through, switches between them, routes VT events, store
// events and timeouts, keeps the VT's visible mask in step with the current
// screen and drives the periodic refresh of values. It runs on the UI
// module's thread only.
#pragma once

#include "util/Named_list.h"
#include "vtui/screen/Object_edit_backup.h"
#include "vtui/screen/Screen.h"
#include "vtui/screen/Subscreen.h"
#include "vtui/screen/User_interface_base.h"
#include "vtui/stat/Stat_decorations.h"

class Global_stat_manager;
namespace UI {
namespace PUI {
class Widget;
}
} // namespace UI
class waiter_descriptor;

class Screen_man {
public:
    static constexpr int SWITCH_GUARD_MS = 5000;
    static constexpr int BUSY_RETRY_MS = 2000;
    static constexpr int UPDATE_PERIOD_MS = 100;
    static constexpr int NAME_SIZE = 32;
    static constexpr int MAX_ESC_TRIES = 11;

    // The edit pencil among the common items of the data masks.
    class Pencil_man {
    public:
        void init(VT::Object_pool* pool);
        void show(bool visible);
        bool is_visible() const { return visible; }

    private:
        int index = -1;
        VT::Container_obj* common_items = nullptr;
        VT::Container_obj* pencil = nullptr;
        bool visible = false;
        VT::Object_pool* pool = nullptr;
    };

    explicit Screen_man(Global_stat_manager& global_stats);
    virtual ~Screen_man();
    Screen_man(const Screen_man&) = delete;
    Screen_man& operator=(const Screen_man&) = delete;

    void add_screen(Screen* s);
    void remove_screen(Screen* s);
    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params, User_interface_base* ui,
              waiter_descriptor* waiter, Units_man* units);
    void post_snapshot_init();
    void set_default_screen_name(const char* name);
    void set_send_help_to_me_screen(Data_screen* s) { help_screen = s; }
    Screen* find_screen(const char* name) const { return screens.find(name); }

    // Switching.
    bool switch_to_screen(Screen* s);
    bool switch_to_screen(const char* name);
    bool switch_to_default_screen();
    Screen* back_screen(int count);
    bool pop_screen(int count);
    Screen* return_to_screen(Screen* s);
    Screen* return_to_screen(const char* name);
    bool go_back_to_screen(Screen* s, bool switch_if_needed);
    bool go_back_to_screen(const char* name, bool switch_if_needed);
    bool remove_all_screens(Screen* s);
    bool remove_all_screens(const char* name);
    Screen* peek_previous_screen() const { return screen_stack.peek(); }
    // Whether the screen left last was an alarm screen: a screen being
    // activated comes back from an alarm pop-up then.
    bool left_alarm_screen() const { return left_alarm; }
    void set_restrict_screen_switches(bool on);
    bool esc_to_root();
    bool activate(Screen* s);
    bool deactivate(Screen* s);
    void notify_screen_change(bool down, bool up);

    // Subscreens: the one on top takes the VT's input; the others wait
    // below it.
    bool activate_subscreen(Subscreen* n);
    bool deactivate_subscreen(Subscreen* n);
    bool back_subscreen(int count);
    // Closes every open subscreen, the top one first.
    void close_subscreens();
    Subscreen* get_current_subscreen() const { return current_subscreen; }
    const Subscreen_stack& get_subscreen_stack() const { return subscreen_stack; }
    Stat_decorations& get_decorations() { return decorations; }
    // The PUI widgets that see every VT button activation (for their page
    // buttons) before the subscreen or screen does; the caller keeps the
    // array.
    void init_pui_widgets(UI::PUI::Widget* const* widgets, int count);

    // Events from the UI module.
    void send_vt_event(VT_event::id_t id, waiter_event& ev, bool vt_active);
    void send_vt_status(VT::VT_status_message& m);
    int handle_vt_info(VT_information info);
    bool send_data_store_event(waiter_event& ev);
    bool send_pved_store_event(waiter_event& ev);
    bool send_config_store_event(waiter_event& ev);
    bool send_parameters_event(waiter_event& ev);
    void send_update_complete_event(waiter_event& ev);
    void send_other_event(waiter_event& ev);
    bool send_timeout(Timeout& t);
    int submit_timeout(Timeout& t, unsigned screen_id);
    int submit_timeout(Timeout& t, unsigned screen_id, int ms);
    int remove_timeout(Timeout& t);
    bool send_val_updates();
    bool set_units(Units_man& units);
    bool set_alarm_timeout(const char* name, unsigned ms);

    Screen* get_current_screen() const { return current_screen; }
    Global_stat_manager& get_global_stats() { return global_stats; }
    Pencil_man& get_pencil_man() { return pencil_man; }
    c_sl_list<Hot_target>& get_hotkey_targets() { return hotkey_targets; }
    waiter_descriptor* get_waiter() const { return waiter; }
    Units_man* get_units() const { return units; }
    VT::Object_pool* get_pool() const { return pool; }
    const Screen_stack& get_screen_stack() const { return screen_stack; }
    const Screen_stack& get_pending_screens() const { return pending_screens; }
    const VT_information& get_vt_info() const { return vt_info; }
    Timeout& get_update_timeout() { return update_timeout; }
    int screen_count() const { return screens.count(); }
    // The first registered screen that shows this mask (the global stat
    // manager, never shown, aside); null for none or the null id.
    Screen* find_screen_with_mask(unsigned short mask_id) const;
    Screen* screen_by_id(unsigned id) const { return id > 0xFFFF ? nullptr : screens.find(uint16_t(id)); }

protected:
    // The time line and the carrier of timeouts: the UI module's Diner.
    // A test drives both itself.
    virtual Atime now() const { return Atime::now(); }
    virtual int carry_timeout(Timeout& t, int ms);
    virtual int drop_timeout(Timeout& t);

private:
    bool dispatch_store_event(waiter_event& ev, bool (*deliver)(Screen&, unsigned short, waiter_event&));
    void soft_key_event(waiter_event& ev);
    void log_event(VT_event::id_t id, const waiter_event& ev) const;
    template <class F>
    void for_each_screen(F f) const
    {
        for (int i = 0; i < screens.count(); ++i)
            f(*screens[i]);
    }

    char default_screen_name[NAME_SIZE + 1];
    Pencil_man pencil_man;
    User_interface_base* ui = nullptr;
    VT::Object_pool* pool = nullptr;
    Atime switch_guard;
    Screen* current_screen = nullptr;
    waiter_descriptor* waiter = nullptr;
    Units_man* units = nullptr;
    Timeout update_timeout;
    waiter_event last_soft_key_event;
    bool soft_key_armed = true;
    Atime soft_key_time;
    unsigned short help_key_id = Window::NULL_ID;
    Data_screen* help_screen = nullptr;
    JIN::Named_list<Screen> screens;
    Screen_stack screen_stack;
    c_sl_list<Hot_target> hotkey_targets;
    Global_stat_manager& global_stats;
    Object_edit_backup edit_backup;
    Screen_stack pending_screens;
    bool restrict_switches = false;
    VT_information vt_info;
    Subscreen* current_subscreen = nullptr;
    bool left_alarm = false;
    Subscreen_stack subscreen_stack;
    Stat_decorations decorations;
    UI::PUI::Widget* const* pui_widgets = nullptr;
    int pui_widget_count = 0;
};
