// A pop-up panel inside the current data mask: one shared container of the
// pool shows the subscreen's content, title and ESC hint, and the screen's
// soft-key mask is swapped for the subscreen's while it is open. Subscreens
// are stacked by the screen manager, belong to an owner data screen, open by
// a button of the owner or a hot key, and close on ESC.
#pragma once

#include "vtui/screen/Screen.h"

class Data_screen;

class Subscreen : public Window, public sll_node, public Stackable_ui_element {
public:
    // The shared objects, bound once by init(pool).
    static VT::Object_pointer_obj* pointer;
    static VT::Object_pointer_obj* placement_pointer;
    static VT::Container_obj* container;
    static VT::Output_string_obj* string;
    static VT::Output_string_obj* esc_message;
    static void init(VT::Object_pool* pool);

    Subscreen();
    ~Subscreen() override = default;

    Screen_man* get_man() override;
    virtual bool button_operation(Button_activation_event&) { return false; }
    virtual bool soft_key_operation(Soft_key_activation_event&, unsigned) { return false; }
    virtual void other_event_operation(waiter_event&) {}
    virtual void update_complete_operation(waiter_event&) {}
    virtual void esc_operation(VT_ESC_event&) { deactivate(); }
    virtual bool handle_select_input_event(VT_select_input_object_event& ev);
    virtual bool display();
    virtual void undisplay();
    virtual class Targetable_subscreen* as_targetable_subscreen() { return nullptr; }

    void init(VT::Object_pool* pool, unsigned short button_id, unsigned short content_id, unsigned short title_id,
              unsigned short key_mask_id, Data_screen* owner, const char* name, bool show_esc);
    bool activate();
    bool deactivate();
    bool try_button_activation(Button_activation_event& ev);
    void set_title(unsigned short id);
    void set_esc_string(bool show);
    unsigned short get_esc_string() const;
    void update_stat_decorations();

    Data_screen* get_owner() const { return owner; }
    const char* get_name() const { return name; }
    unsigned short get_button_id() const { return button_id; }
    unsigned short get_content_id() const { return content_id; }
    unsigned short get_key_mask_id() const { return key_mask_id; }
    void set_show_container(bool show) { show_container = show; }
    void set_in_place(bool place) { in_place = place; }

protected:
    bool show_container = true;
    unsigned short button_id = NULL_ID;
    unsigned short content_id = NULL_ID;
    unsigned short title_id = NULL_ID;
    unsigned short key_mask_id = NULL_ID;
    Data_screen* owner = nullptr;
    VT::VT_obj* content = nullptr;
    const char* name = "UNNAMED";
    unsigned short esc_string_id = NULL_ID;
    bool show_esc = true;
    bool in_place = false;
};

class Targetable_subscreen : public Subscreen, public Hot_target {
public:
    void init(VT::Object_pool* pool, unsigned short button_id, unsigned short content_id, unsigned short title_id,
              unsigned short key_mask_id, unsigned short hotkey_softkey_id, unsigned short hotkey_button_id,
              Data_screen* owner, const char* name, bool show_esc);
    Targetable_subscreen* as_targetable_subscreen() override { return this; }
    bool hotkey_activate() override { return activate(); }
    unsigned short get_hotkey_softkey_id() override { return hotkey_softkey_id; }
    unsigned short get_hotkey_button_id() override { return hotkey_button_id; }
    unsigned short get_hotkey_title_id() override { return title_id; }
    void get_hotkey_name(char* dst, int len) const override;
    bool get_hotkey_allowed_while_enabled() override { return true; }
    void set_allowed_as_hotkey(bool allowed);

private:
    unsigned short hotkey_softkey_id = NULL_ID;
    unsigned short hotkey_button_id = NULL_ID;
};

// Open subscreens below the current one.
class Subscreen_stack : public Ui_element_stack<Subscreen> {};
