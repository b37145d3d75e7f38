// The application's side of a widget: how many items there are and, per
// item index, what the item is. The client is a stat of its own (type 8):
// the screen that holds it routes VT input and value refreshes to it, and it
// hands them to the widget's items.
#pragma once

#include "vtui/pui/PUI_Types.h"
#include "vtui/stat/Stat.h"

namespace UI {
namespace PUI {

class Widget;

class Client : public Stat {
public:
    Client() = default;
    ~Client() override;

    void init(Stat_collector* col, VT::Font_attributes_obj* font, unsigned width, unsigned height);
    VT::Font_attributes_obj* get_font() const;
    bool update(update_t kind, int iid);
    void value_update(unsigned char iid, double value);
    void value_update(unsigned char iid, const String_base& text);

    // Content.
    virtual int get_num_items() = 0;
    virtual void get_item_setup(unsigned char iid, Item_setup& setup) = 0;
    virtual bool get_number_setup(unsigned char, Number_setup&, bool update) { return false; }
    virtual bool get_bool_setup(unsigned char, Bool_setup&, bool update) { return false; }
    virtual bool get_list_setup(unsigned char, List_setup&, bool update) { return false; }
    virtual VT::String_variable_obj* get_list_item(unsigned char, int) { return nullptr; }
    virtual VT::String_variable_obj* get_list_item(unsigned char iid, int i, bool& show)
    {
        show = true;
        return get_list_item(iid, i);
    }
    virtual bool get_string_setup(unsigned char, String_setup&, bool update) { return false; }
    virtual bool get_container_setup(unsigned char, Container_setup&, bool update) { return false; }
    virtual int col_space() { return 5; }
    virtual int row_space() { return 5; }
    virtual int get_field_order(int k) { return k; }
    virtual bool handle_value_update(unsigned char iid, double value);
    virtual bool handle_value_update(unsigned char iid, const String_base& text);

    // The stat face.
    int get_type() const override { return TYPE_PUI_ROW; }
    unsigned short get_object_id() const override;
    int get_width() const override;
    int get_height() const override;
    VT::VT_obj* get_input_obj() const override { return nullptr; }
    int update_val(update_modes modes) override;
    bool val_up_to_date() const override { return true; }
    bool update_scale() override { return true; }
    bool set_units(Units_man&) override { return true; }
    bool handle_select_input(unsigned short id, bool selected) override;
    bool can_update_from_id(unsigned short id) const override;
    bool update_from_input(unsigned int value, Stat_user* user) override;

    Widget* get_widget() const { return widget; }
    void set_widget(Widget* w) { widget = w; }
    void set_changed() { changed = true; }
    bool is_changed() const { return changed; }

private:
    Widget* widget = nullptr;
    VT::Font_attributes_obj* font = nullptr;
    unsigned design_width = 0;
    unsigned design_height = 0;
    mutable int cid = -1;
    bool changed = false;
};

} // namespace PUI
} // namespace UI
