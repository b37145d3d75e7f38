// The input routing of screens: a window's activators (the soft keys and
// buttons it reacts to) turn the VT's soft-key, button, select and ESC events
// into activator events for handle_activator_event; the window also lists the
// global stats it uses.
#pragma once

#include "platform/vt/Object_pool.h"
#include "util/sl_list.h"
#include "vtui/screen/Stat_ids.h"
#include "vtui/screen/Vt_events.h"
#include "vtui/stat/Stat_user.h"

class Screen_man;
namespace UI {
class Element_group_node;
}

// A list of any length that the application provides to the list widgets,
// and the operator's action on one of its entries.
class List_interface {
public:
    struct Event {
        enum event_t { PRESSED = 0, RELEASED = 1, HELD = 2, SELECTED = 3, UNSELECTED = 4, ESC = 5 };
        event_t code = PRESSED;
    };
    virtual ~List_interface() = default;
    virtual int lstint_num_items() const = 0;
    // The text of entry i.
    virtual const char* lstint_item(int i) = 0;
    virtual void lstint_handle_event(unsigned i, Event& ev) = 0;
};

class Window : public Stat_user {
public:
    static constexpr unsigned short NULL_ID = VT::Object_pool::NULL_ID;
    // Whether alarm screens and subscreens show their ESC hint.
    static bool allow_vt_esc_text;

    struct Activator_event {
        enum source_t { SOFT_KEY = 0, BUTTON = 1, DEFAULT = 2 };
        List_interface::Event::event_t event = List_interface::Event::PRESSED;
        source_t source = SOFT_KEY;
        unsigned hold_time = 0;
        const char* event_string() const;
        const char* source_string() const;
        void print(const char* label) const;
    };

    class Activator : public sll_node {
    public:
        Activator() = default;
        virtual ~Activator() = default;
        virtual bool matches_activator(const Activator* a) const { return a == this; }
        virtual bool differs_from(const Activator* a) const { return a != this; }

        void init(Window* w, unsigned short key_id, unsigned short button_id,
                  VT::Object_pointer_obj* border_pointer = nullptr, unsigned short selected_border_id = NULL_ID,
                  unsigned short unselected_border_id = NULL_ID);
        bool select_button(bool selected, bool apply);
        void set_bdr_ptr(VT::Object_pointer_obj* p);
        void set_bdr_selected_id(unsigned short id);
        void set_bdr_unselected_id(unsigned short id);
        bool set_button_bdr(unsigned short id);
        void print(const char* label) const;

        unsigned short get_key_id() const { return key_id; }
        unsigned short get_button_id() const { return button_id; }
        bool is_selected() const { return selected; }

    protected:
        unsigned short key_id = NULL_ID;
        unsigned short button_id = NULL_ID;
        VT::Object_pointer_obj* border_pointer = nullptr;
        unsigned short selected_border_id = NULL_ID;
        unsigned short unselected_border_id = NULL_ID;
        bool selected = false;
    };

    struct Activator_item {
        unsigned short reserved = 0;
        unsigned short key_content = NULL_ID;
        unsigned short button_content = NULL_ID;
        unsigned short ghost = NULL_ID;
    };
    struct Item_info {
        Activator_item item;
        unsigned short content = NULL_ID;
        unsigned short title = NULL_ID;
    };

    // An activator whose key and button show changeable contents.
    class Configurable_activator : public Activator {
    public:
        void init(Window* w, VT::Object_pointer_obj* key_pointer, VT::Object_pointer_obj* button_pointer,
                  unsigned short key_id, unsigned short button_id, VT::Object_pointer_obj* border_pointer,
                  unsigned short selected_border_id, unsigned short unselected_border_id,
                  VT::Object_pointer_obj* key_content_pointer, VT::Object_pointer_obj* button_content_pointer,
                  VT::Object_pointer_obj* ghost_pointer);
        virtual bool set_key_content(unsigned short id) { return point(key_content_pointer, id); }
        virtual bool set_button_content(unsigned short id) { return point(button_content_pointer, id); }
        virtual void show_item(const Activator_item& item);
        virtual void hide_item();
        bool set_ghost(unsigned short id) { return point(ghost_pointer, id); }

    protected:
        static bool point(VT::Object_pointer_obj* p, unsigned short id);
        VT::Object_pointer_obj* key_pointer = nullptr;
        VT::Object_pointer_obj* button_pointer = nullptr;
        VT::Object_pointer_obj* key_content_pointer = nullptr;
        VT::Object_pointer_obj* button_content_pointer = nullptr;
        VT::Object_pointer_obj* ghost_pointer = nullptr;
    };

    // An activator that shows an item with a title and a selection
    // background.
    class Item_activator : public Configurable_activator {
    public:
        void init(Window* w, VT::Object_pointer_obj* key_pointer, VT::Object_pointer_obj* button_pointer,
                  unsigned short key_id, unsigned short button_id, VT::Object_pointer_obj* border_pointer,
                  unsigned short selected_border_id, unsigned short unselected_border_id,
                  VT::Object_pointer_obj* key_content_pointer, VT::Object_pointer_obj* content_pointer,
                  VT::Object_pointer_obj* selection_bg_pointer, VT::Object_pointer_obj* ghost_pointer,
                  VT::Output_string_obj* title_string);
        void show_item(const Item_info& info);
        using Configurable_activator::show_item;
        void hide_item() override;
        bool set_content(unsigned short id) { return point(content_pointer, id); }
        bool set_title(unsigned short id);
        bool set_selection_bg(unsigned short id) { return point(selection_bg_pointer, id); }

    private:
        VT::Object_pointer_obj* content_pointer = nullptr;
        VT::Output_string_obj* title_string = nullptr;
        VT::Object_pointer_obj* selection_bg_pointer = nullptr;
    };

    // An activator that can be ghosted; a disabled one matches nothing.
    class Ghostable_activator : public Activator {
    public:
        bool matches_activator(const Activator* a) const override { return enabled && a == this; }
        void init(Window* w, unsigned short key_id, unsigned short button_id, VT::Object_pointer_obj* border_pointer,
                  unsigned short selected_border_id, unsigned short unselected_border_id,
                  VT::Object_pointer_obj* ghost_key_pointer, VT::Object_pointer_obj* ghost_button_pointer,
                  unsigned short ghost_key_id, unsigned short ghost_button_id);
        void set_enabled(bool e);
        bool is_enabled() const { return enabled; }

    private:
        VT::Object_pointer_obj* ghost_key_pointer = nullptr;
        VT::Object_pointer_obj* ghost_button_pointer = nullptr;
        unsigned short ghost_key_id = NULL_ID;
        unsigned short ghost_button_id = NULL_ID;
        bool enabled = true;
    };

    Window() = default;
    ~Window() override = default;

    virtual void send_change_numeric_value_event(VT_change_numeric_value_event& ev) {}
    virtual void send_input_string_value_event(Input_string_value_event& ev) {}
    virtual bool handle_activator_event(Activator& a, Activator_event& ev) { return false; }
    virtual Screen_man* get_man() = 0;

    void add_activator(Activator* a);
    void remove_activator(Activator* a);
    void clear_activator_selections();

    void set_stat_num_ids(const Stat_ids::num_ids* ids, unsigned count);
    void set_stat_bool_ids(const Stat_ids::bool_ids* ids, unsigned count);
    void set_stat_string_ids(const Stat_ids::string_ids* ids, unsigned count);
    void set_stat_list_ids(const Stat_ids::list_ids* ids, unsigned count);
    void set_stat_indicator_ids(const Stat_ids::indicator_ids* ids, unsigned count);
    void set_stat_pointer_ids(const Stat_ids::pointer_ids* ids, unsigned count);

    void window_activate() {}
    // Every element group of the window is deactivated.
    void window_deactivate();
    bool window_handle_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms);
    bool window_handle_button_event(Button_activation_event& ev);
    bool window_handle_select_input_event(VT_select_input_object_event& ev);
    bool window_handle_vt_esc_event(VT_ESC_event& ev);
    // The window's own stats first, then every element group in order.
    void handle_change_numeric_value_event(VT_change_numeric_value_event& ev);
    void handle_input_string_value_event(Input_string_value_event& ev);

    // Element groups fed by the window.
    void add_group(UI::Element_group_node* node);
    const c_sl_list<UI::Element_group_node>& get_groups() const { return groups; }

    const Stat_ids::num_ids* get_num_ids() const { return num_ids; }
    unsigned get_num_count() const { return num_count; }
    unsigned get_bool_count() const { return bool_count; }
    // Whether the window lists global stats of the kinds that have none.
    bool uses_other_global_kinds() const
    {
        return bool_count || string_count || list_count || indicator_count || pointer_count;
    }
    const c_sl_list<Activator>& get_activators() const { return activators; }

protected:
    c_sl_list<Activator> activators;
    c_sl_list<UI::Element_group_node> groups;
    const Stat_ids::num_ids* num_ids = nullptr;
    unsigned num_count = 0;
    const Stat_ids::bool_ids* bool_ids = nullptr;
    unsigned bool_count = 0;
    const Stat_ids::string_ids* string_ids = nullptr;
    unsigned string_count = 0;
    const Stat_ids::list_ids* list_ids = nullptr;
    unsigned list_count = 0;
    const Stat_ids::indicator_ids* indicator_ids = nullptr;
    unsigned indicator_count = 0;
    const Stat_ids::pointer_ids* pointer_ids = nullptr;
    unsigned pointer_count = 0;

private:
    // Offers one event to every activator that `matches`, in list order.
    template <class Match>
    bool offer(Match matches, Activator_event ev);
};
