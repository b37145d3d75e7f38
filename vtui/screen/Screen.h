// The base of every screen: owns a VT mask, its stats and activators, and
// receives VT input, store events and timeouts from the screen manager. It
// is an entry of the manager's index (name, id), an element of its screen
// stacks and a possible hot-key target.
#pragma once

#include "glue/diner/Timeout.h"
#include "glue/diner/waiter_event.h"
#include "util/Named_list.h"
#include "vtui/screen/Stat_ids.h"
#include "vtui/screen/Ui_containers.h"
#include "vtui/screen/VT_information.h"
#include "vtui/screen/Window.h"
#include "vtui/stat/Auto_stat_num.h"
#include "vtui/stat/Stat.h"

namespace NV_kelsu {
class parameters_t;
}

class Screen_man;
class Data_screen;
class Alarm_screen;
class Units_man;
class Stat_num;
class Subscreen;

// Something the operator can reach by a hot key.
class Hot_target : public sll_node {
public:
    virtual ~Hot_target() = default;
    virtual bool hotkey_activate() = 0;
    virtual bool get_hotkey_allowed_while_enabled() = 0;
    virtual unsigned short get_hotkey_softkey_id() = 0;
    virtual unsigned short get_hotkey_button_id() = 0;
    virtual unsigned short get_hotkey_title_id() = 0;
    virtual void get_hotkey_name(char* dst, int len) const = 0;
};

class Screen : public Window,
               public JIN::Named_list<Screen>::Searcher,
               public Stackable_ui_element,
               public Hot_target,
               public Stat_owner {
public:
    static constexpr int DATA_SCREEN_PRIORITY = 100;

    // Registers with the manager, which must be constructed.
    Screen(const char* name, Screen_man* man, int priority);
    ~Screen() override;

    Screen_man* get_man() override;

    virtual bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) = 0;
    virtual void post_snapshot_init() {}
    virtual bool is_stackable() { return true; }
    virtual void send_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms) {}
    virtual void send_button_event(Button_activation_event& ev) {}
    virtual void handle_select_input_event(VT_select_input_object_event& ev) {}
    virtual bool send_data_store_event(unsigned short value) { return true; }
    virtual bool send_pved_store_event(unsigned short value) { return true; }
    virtual bool send_config_store_event(unsigned short value) { return true; }
    virtual void send_update_complete_event(waiter_event& ev) {}
    virtual bool send_timeout(Timeout& t) { return true; }
    virtual void send_vt_esc_event(VT_ESC_event& ev) {}
    virtual bool handle_other_event(waiter_event& ev) { return false; }
    virtual bool send_parameters_event(unsigned short value, waiter_event& ev) { return true; }
    virtual void handle_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms)
    {
        send_soft_key_event(ev, hold_ms);
    }
    virtual bool base_send_timeout(Timeout& t) { return true; }
    virtual Alarm_screen* as_alarm_screen() { return nullptr; }
    virtual Data_screen* as_data_screen() { return nullptr; }
    virtual bool set_background()
    {
        background = true;
        return true;
    }
    virtual bool clear_background()
    {
        background = false;
        return true;
    }
    virtual bool set_units(Units_man& units);
    virtual bool activate() { return true; }
    virtual bool deactivate();
    virtual unsigned short get_mask_id() { return NULL_ID; }
    virtual unsigned short get_button_id() { return NULL_ID; }
    virtual unsigned short get_softkey_id() { return NULL_ID; }
    virtual unsigned short get_title_ref() { return NULL_ID; }
    bool hotkey_activate() override;
    unsigned short get_hotkey_softkey_id() override { return get_softkey_id(); }
    unsigned short get_hotkey_button_id() override { return get_button_id(); }
    unsigned short get_hotkey_title_id() override { return get_title_ref(); }
    virtual bool is_enabled() { return enabled; }
    bool get_hotkey_allowed_while_enabled() override { return enabled; }
    void get_hotkey_name(char* dst, int len) const override;
    virtual void set_vt_info(VT_information& info) {}
    virtual bool reshow_mask() { return false; }
    virtual bool is_deferrable() { return true; }
    // Whether the operator can work from the screen and leave it: its mask
    // offers a soft key, or a button outside hidden containers. A screen
    // without (a start-up mask that only shows progress) is left only when
    // the application moves on.
    virtual bool offers_way_out() { return mask_offers_way_out(mask); }

    // An auto stat of this screen moved: the next value pass visits the
    // stats again.
    void values_incomplete() override { values_complete = false; }

    bool init(VT::Object_pool* pool, VT::Mask_obj* mask, NV_kelsu::parameters_t* params);

    // Pushes the stats' values (scales) to the VT; true when all went out.
    bool send_val_updates(bool force);
    bool send_scale_updates(bool force);
    void update_stat_objs(bool with_values);

    void override_key_mask(unsigned short mask_id);
    void restore_key_mask();

    // Subscreens that belong to the screen.
    void add_subscreen(Subscreen* sub);
    void activate_subscreen(Subscreen* sub);
    void deactivate_subscreen();
    virtual void on_subscreen_activated(Subscreen*) {}
    virtual void on_subscreen_deactivated() {}
    void set_cover(VT::Container_obj* c) { cover = c; }

    // The manager's entry points.
    void _send_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms);
    void _send_button_event(Button_activation_event& ev);
    void _handle_select_input_event(VT_select_input_object_event& ev);

    // Timeouts carried by the UI module, tagged with this screen's id.
    int submit_timeout(Timeout& t);
    int submit_timeout(Timeout& t, int ms);
    int remove_timeout(Timeout& t);

    void set_allowed_as_hotkey(bool allowed);

    // The global stats.
    Stat_num* get_gsnum(Stat_ids::num_ids id);
    Stat_collector& get_global_stat_col();

    Stat_collector& get_stats() { return stats; }
    bool is_active() const { return active; }
    bool is_background() const { return background; }
    bool get_values_complete() const { return values_complete; }
    bool get_scales_complete() const { return scales_complete; }
    VT::Object_pool* get_pool() const { return pool; }
    unsigned short get_saved_key_mask() const { return saved_key_mask; }

protected:
    // Whether the mask of this screen's pool offers a soft key or a button.
    bool mask_offers_way_out(VT::Mask_obj* m) const;
    // Gives the units to every stat of the list; a changed scale goes out
    // now while the screen is shown, else with a later pass.
    void adopt_units(const c_sl_list<Stat>& list, Units_man& units);
    template <class Step, class Group_step>
    bool stat_pass(bool force, bool& complete, Step step, Group_step group_step);
    // Runs `step` on every element group whose flags let it take part in a
    // pass of the screen in its present state; false when one returned false.
    template <class Group_step>
    bool group_pass(Group_step step);

    VT::Object_pool* pool = nullptr;
    Screen_man* man = nullptr;
    VT::Mask_obj* mask = nullptr;
    bool active = false;
    NV_kelsu::parameters_t* parameters = nullptr;
    Stat_collector stats;
    bool values_complete = true;
    bool scales_complete = true;
    VT::Picture_graphic_obj* edit_cross_picture = nullptr;
    VT::Picture_graphic_obj* edit_picture = nullptr;
    VT::Object_pointer_obj* edit_picture_pointer = nullptr;
    unsigned short edit_colour_id = NULL_ID;
    bool edit_clean = true;
    bool enabled = false;
    VT::Container_obj* cover = nullptr;
    unsigned short saved_key_mask = NULL_ID;
    bool background = false;
    c_sl_list<Subscreen> subscreens;
};

// The screen stacks of the manager.
class Screen_stack : public Ui_element_stack<Screen> {
public:
    void print() const;
};
