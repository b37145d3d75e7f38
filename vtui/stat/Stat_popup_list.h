// Shows the chosen entry of an application list in an output string on a
// button; pressing the button opens the ten-row list widget on the mask,
// from which the operator picks an entry. The proxy between the widget and
// the application's list lets the stat learn of the choice.
#pragma once

#include "vtui/stat/Stat.h"
#include "vtui/widgets/Widget_list.h"

class Stat_popup_list;

class Stat_popup_list_interface_proxy : public List_interface {
public:
    explicit Stat_popup_list_interface_proxy(Stat_popup_list& owner) : owner(owner) {}
    void set_interface(List_interface* list) { application = list; }
    int lstint_num_items() const override;
    const char* lstint_item(int i) override;
    void lstint_handle_event(unsigned i, Event& ev) override;

private:
    Stat_popup_list& owner;
    List_interface* application = nullptr;
};

class Stat_popup_list : public Stat {
public:
    Stat_popup_list() : proxy(*this) {}
    Stat_popup_list(const Stat_popup_list&) = delete;
    Stat_popup_list& operator=(const Stat_popup_list&) = delete;

    bool init(Stat_collector* col, VT::Object_pool* pool, List_interface* list, Window* window,
              VT::Object_pointer_obj* look_pointer, unsigned short button_id, VT::Output_string_obj* text,
              unsigned short normal_id, unsigned short open_id, unsigned short read_only_id);
    int handle_activator_event(Window::Activator& a, Window::Activator_event& ev);
    void select(bool selected);
    void cancel();
    // An entry was chosen in the widget: the list closes, the text shows it.
    void chosen(const char* text);

    int get_type() const override { return TYPE_POPUP_LIST; }
    unsigned short get_object_id() const override { return text ? text->get_id() : NULL_ID; }
    unsigned short get_in_object_id() const override { return activator.get_button_id(); }
    unsigned short get_ptr_id() const override { return buttons_pointer ? buttons_pointer->get_id() : NULL_ID; }
    int get_width() const override;
    int get_height() const override;
    VT::VT_obj* get_input_obj() const override { return text; }
    int update_val(update_modes) override { return 1; }
    bool update_scale() override { return true; }
    bool set_units(Units_man&) override { return true; }
    bool update_from_input(unsigned int, Stat_user*) override { return true; }
    bool _set_editable(bool editable) override;

    bool is_open() const { return open; }
    Window::Activator& get_activator() { return activator; }
    Widget_list& get_widget() { return widget; }

private:
    void close();
    void point(unsigned short id);

    VT::Object_pointer_obj* buttons_pointer = nullptr;
    Window::Activator activator;
    VT::Object_pointer_obj* look_pointer = nullptr;
    VT::Output_string_obj* text = nullptr;
    unsigned short normal_id = NULL_ID;
    unsigned short open_id = NULL_ID;
    unsigned short read_only_id = NULL_ID;
    unsigned short no_items_id = NULL_ID;
    Widget_list widget;
    List_interface* list = nullptr;
    VT::Object_pool* pool = nullptr;
    Stat_collector* collector = nullptr;
    Window* window = nullptr;
    Stat_popup_list_interface_proxy proxy;
    bool suspending = false;
    bool open = false;
};
