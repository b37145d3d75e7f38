// Steps through the items of an application list on a VT without a numeric
// keypad: a button shows the current item's text; pressing it steps to the
// next item, or opens the three-button encoder with which moving the
// selection forward or backward steps the items.
#pragma once

#include "vtui/helpers/Cycle_helper.h"
#include "vtui/stat/Stat_button_text.h"

// The application's list behind a cycle box.
class Item_provider {
public:
    virtual ~Item_provider() = default;
    virtual void previous_item() = 0;
    // The current item's text; null when there is no item.
    virtual const char* current_item_text() = 0;
    virtual void next_item() = 0;
    virtual void commit() = 0;
    virtual void backup() = 0;
    virtual void restore() = 0;
    // The string variable with the text shown when there are no items.
    virtual unsigned short no_items_string_id() = 0;
};

class Stat_cycle_box : public Stat_button_text {
public:
    static constexpr int TEXT_CHARS = 32;

    bool init(Stat_collector* col, VT::Object_pool* pool, Item_provider* provider, Window* window);
    void show();
    void increment();
    void decrement();
    void backup();
    void restore();
    void select(bool selected);
    void activate();
    int handle_activator_event(Window::Activator& a, Window::Activator_event& ev);
    void set_increment_on_release(bool on) { increment_on_release = on; }

    int get_type() const override { return TYPE_CYCLE_BOX; }
    unsigned short get_ptr_id() const override { return pointer ? pointer->get_id() : NULL_ID; }
    bool _set_editable(bool editable) override;

    bool is_editing() const;

private:
    void point(unsigned short id);
    void finish_editing();

    bool increment_on_release = true;
    VT::Object_pointer_obj* pointer = nullptr;
    unsigned short encoder_id = NULL_ID;
    unsigned short buttons_id = NULL_ID;
    unsigned short disabled_id = NULL_ID;
    VT::Output_string_obj* no_items_text = nullptr;
    Item_provider* provider = nullptr;
    VT::Object_pool* pool = nullptr;
    Stat_collector* collector = nullptr;
    Window* window = nullptr;
    Cycle_helper helper;
};
