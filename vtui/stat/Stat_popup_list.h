// Shows the chosen entry of an application list in an output string on a
// button; pressing the button opens the ten-row list widget on the mask,
// from which the operator picks an entry. The proxy between the widget and
// the application's list lets the stat learn of the choice.
#pragma once

#include "vtui/stat/Stat_button_text.h"
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

class Stat_popup_list : public Stat_button_text {
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
    unsigned short get_ptr_id() const override { return buttons_pointer ? buttons_pointer->get_id() : NULL_ID; }
    bool _set_editable(bool editable) override;

    bool is_open() const { return open; }
    Widget_list& get_widget() { return widget; }

private:
    void close();
    void point(unsigned short id);

    VT::Object_pointer_obj* buttons_pointer = nullptr;
    VT::Object_pointer_obj* look_pointer = nullptr;
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
