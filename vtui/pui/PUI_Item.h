// One row of a widget: up to four fields side by side (caption, pre-text,
// value, post-text). The base shows the caption and texts; Number, Bool,
// List and String add a value field backed by a stat whose VT objects they
// make at run time. Items hold no client data between draws: each draw and
// update asks the client for the item's setup again.
#pragma once

#include "util/sl_list.h"
#include "vtui/pui/PUI_Client.h"
#include "vtui/stat/Stat_bool.h"
#include "vtui/stat/Stat_list.h"
#include "vtui/stat/Stat_num.h"
#include "vtui/stat/Stat_string.h"

#include <vector>

namespace UI {
namespace PUI {

class Widget;

class Item : public sll_node {
public:
    static constexpr int NUM_CHILDREN = 4;
    static constexpr int NO_CAPTION = 4;

    // Makes the item's container and text strings in the pool (which owns
    // them from then on).
    explicit Item(VT::Object_pool* pool);
    virtual ~Item() = default;
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    virtual Item* search_for_iid(int iid, Client&, int own_iid, Item_setup&) { return nullptr; }
    virtual void draw(Widget& w, Client& c, int iid, Item_setup& setup, geometry_t& geo, int width, int height);
    virtual void update(Widget& w, update_t kind, Client& c, int iid);
    virtual Stat* get_stat(Stat*, Client&, int&) { return nullptr; }
    virtual bool update_from_input(Client& c, int iid, unsigned value, Stat_user* user);
    // A string the VT sent for the item; the kinds without text take its
    // length as the value.
    virtual bool update_from_text(Client& c, int iid, const char* text, unsigned length, Stat_user* user);
    virtual bool force_draw_post(Client&, int, Item_setup&) { return false; }
    virtual bool force_value_update(Client&, int) { return true; }
    virtual unsigned short get_item_obj() const { return VT::Object_pool::NULL_ID; }

    void init(VT::Object_pool* pool, VT::Font_attributes_obj* font);
    void reset();
    void set_container(int child, unsigned short oid, int x, int y);
    void clear_container(int child);
    static unsigned short fix_null_obj(unsigned short oid);
    unsigned short get_obj_id() const { return container ? container->get_id() : VT::Object_pool::NULL_ID; }
    VT::Container_obj* get_container() const { return container; }
    VT::Output_string_obj* get_pre() const { return pre; }
    VT::Output_string_obj* get_post() const { return post; }

    // Measuring, by the setup's type.
    static void get_field_width(int field, Client& c, int iid, Item_setup& setup, int& min, int& max);
    static int get_field_height(int field, Client& c, int iid, Item_setup& setup, int width);
    static int get_height(Client& c, int iid, Item_setup& setup, geometry_t& geo);
    static int get_item_width(Client& c, int iid, Item_setup& setup, int avail);

    // The plain fields.
    static void caption_width(Item_setup& setup, int& min, int& max);
    static void text_width(VT::String_variable_obj* var, VT::Font_attributes_obj* font, int& min, int& max);
    static int text_height(VT::String_variable_obj* var, VT::Font_attributes_obj* font, int width);

    static int width_of_obj(const VT::VT_obj* o);
    static int height_of_obj(const VT::VT_obj* o);

protected:
    // The item's value field drawn again from the client's setup.
    void redraw_value(Widget& w, Client& c, int iid);
    virtual void draw_value(Widget&, Client&, int, Item_setup&) {}
    // Shows a text field through its output string, or hides it.
    void show_text(VT::Output_string_obj* out, VT::String_variable_obj* var, VT::Font_attributes_obj* font,
                   unsigned char background, int x, int width, int height, int& child);

    VT::Container_obj* container = nullptr;
    VT::Output_string_obj* pre = nullptr;
    VT::Output_string_obj* post = nullptr;
    int caption_index = NO_CAPTION;
    // The value field's size at the last draw.
    int value_w = 0;
    int value_h = 0;
};

class Number : public Item {
public:
    explicit Number(VT::Object_pool* pool);
    void init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);
    void draw(Widget& w, Client& c, int iid, Item_setup& setup, geometry_t& geo, int width, int height) override;
    void update(Widget& w, update_t kind, Client& c, int iid) override;
    Stat* get_stat(Stat*, Client&, int&) override { return &stat; }
    bool update_from_input(Client& c, int iid, unsigned value, Stat_user* user) override;
    bool force_draw_post(Client& c, int iid, Item_setup& setup) override;
    bool force_value_update(Client& c, int iid) override;
    unsigned short get_item_obj() const override { return stat.get_ptr_id(); }

    static bool value_width(Client& c, int iid, Item_setup& setup, int& min, int& max);
    static bool post_width(Client& c, int iid, Item_setup& setup, int& min, int& max);
    static int post_height(Client& c, int iid, Item_setup& setup, int width);
    // Digits of x: 1, one more per factor of ten, one more when negative.
    static int digits(double x);
    Stat_num& get_binding() { return stat; }

protected:
    void draw_value(Widget& w, Client& c, int iid, Item_setup& setup) override;

private:
    // What the last draw gave the binding's format.
    struct Applied {
        Stat_num_format metric, imperial;
        double min, max;
        bool show_units;
        VT::Font_attributes_obj* font;
        Units_man* units;
        bool operator==(const Applied& o) const;
    };
    Stat_num stat;
    Applied last{};
    bool applied = false;
};

class Bool : public Item {
public:
    explicit Bool(VT::Object_pool* pool);
    void init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);
    void draw(Widget& w, Client& c, int iid, Item_setup& setup, geometry_t& geo, int width, int height) override;
    void update(Widget& w, update_t kind, Client& c, int iid) override;
    Stat* get_stat(Stat*, Client&, int&) override { return &stat; }
    bool update_from_input(Client& c, int iid, unsigned value, Stat_user* user) override;
    bool force_value_update(Client& c, int iid) override;
    unsigned short get_item_obj() const override { return bool_container ? bool_container->get_id() : NULL_ID_; }

    static bool value_size(Client& c, int iid, int& size);
    Stat_bool& get_binding() { return stat; }

protected:
    void draw_value(Widget& w, Client& c, int iid, Item_setup& setup) override;

private:
    static constexpr unsigned short NULL_ID_ = VT::Object_pool::NULL_ID;
    Stat_bool stat;
    VT::Container_obj* bool_container = nullptr;
    // The looks of the last draw.
    VT::VT_obj* true_look = nullptr;
    VT::VT_obj* false_look = nullptr;
};

class List : public Item {
public:
    List(VT::Object_pool* pool, int capacity);
    void init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);
    void draw(Widget& w, Client& c, int iid, Item_setup& setup, geometry_t& geo, int width, int height) override;
    void update(Widget& w, update_t kind, Client& c, int iid) override;
    Stat* get_stat(Stat*, Client&, int&) override { return &stat; }
    bool update_from_input(Client& c, int iid, unsigned value, Stat_user* user) override;
    bool force_value_update(Client& c, int iid) override;
    unsigned short get_item_obj() const override { return stat.get_ptr_id(); }

    static bool value_width(Client& c, int iid, Item_setup& setup, int& min, int& max);
    static int value_height(Client& c, int iid, Item_setup& setup, int width);
    int get_capacity() const { return int(entries.size()); }
    int get_in_use() const { return in_use; }
    Stat_list& get_binding() { return stat; }

protected:
    void draw_value(Widget& w, Client& c, int iid, Item_setup& setup) override;

private:
    Stat_list stat;
    std::vector<VT::Output_string_obj*> entries;
    int in_use = 0;
    bool item_shown = false;
};

class String : public Item {
public:
    static constexpr int LENGTH = 64;
    explicit String(VT::Object_pool* pool);
    void init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);
    void draw(Widget& w, Client& c, int iid, Item_setup& setup, geometry_t& geo, int width, int height) override;
    void update(Widget& w, update_t kind, Client& c, int iid) override;
    Stat* get_stat(Stat*, Client&, int&) override { return &stat; }
    bool update_from_input(Client& c, int iid, unsigned value, Stat_user* user) override;
    bool force_value_update(Client& c, int iid) override;
    unsigned short get_item_obj() const override { return stat.get_ptr_id(); }

    static bool value_width(Client& c, int iid, Item_setup& setup, int& min, int& max);
    static int value_height(Client& c, int iid, Item_setup& setup, int width);
    bool update_from_text(Client& c, int iid, const char* text, unsigned length, Stat_user* user) override;
    Stat_string& get_binding() { return stat; }

protected:
    void draw_value(Widget& w, Client& c, int iid, Item_setup& setup) override;

private:
    Stat_string stat;
};

} // namespace PUI
} // namespace UI
