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

// The items with a value field: the binding of their kind, a refresh of the
// value from the client, a redraw of the value, and the binding's value
// reported to the client after an edit.
template <class Binding>
class Value_item : public Item {
public:
    using Item::Item;
    void draw(Widget& w, Client& c, int iid, Item_setup& setup, geometry_t& geo, int width, int height) override
    {
        Item::draw(w, c, iid, setup, geo, width, height);
        value_w = geo.field[FIELD_VALUE].width;
        value_h = drawn_value_height(c, iid, setup);
        draw_value(w, c, iid, setup);
    }
    void update(Widget& w, update_t kind, Client& c, int iid) override
    {
        if (kind == UPDATE_VALUE)
            refresh_value(c, iid);
        else if (kind == UPDATE_VALUE_DRAW)
            redraw_value(w, c, iid);
        else
            Item::update(w, kind, c, iid);
    }
    Stat* get_stat(Stat*, Client&, int&) override { return &stat; }
    bool update_from_input(Client& c, int iid, unsigned value, Stat_user* user) override
    {
        bool r = stat.update_from_input(value, user);
        report(c, iid);
        return r;
    }
    bool force_value_update(Client& c, int iid) override
    {
        report(c, iid);
        return true;
    }
    unsigned short get_item_obj() const override { return stat.get_ptr_id(); }
    Binding& get_binding() { return stat; }

protected:
    // The value field's height at this draw's value width.
    virtual int drawn_value_height(Client& c, int iid, Item_setup& setup) = 0;
    // Takes the value the client holds now; sets the client's changed flag
    // when it moved.
    virtual void refresh_value(Client& c, int iid) = 0;
    virtual void report(Client& c, int iid) = 0;

    Binding stat;
};

class Number : public Value_item<Stat_num> {
public:
    explicit Number(VT::Object_pool* pool);
    void init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);
    bool force_draw_post(Client& c, int iid, Item_setup& setup) override;

    static bool value_width(Client& c, int iid, Item_setup& setup, int& min, int& max);
    static bool post_width(Client& c, int iid, Item_setup& setup, int& min, int& max);
    static int post_height(Client& c, int iid, Item_setup& setup, int width);
    // Digits of x: 1, one more per factor of ten, one more when negative.
    static int digits(double x);

protected:
    void draw_value(Widget& w, Client& c, int iid, Item_setup& setup) override;
    int drawn_value_height(Client& c, int iid, Item_setup& setup) override;
    void refresh_value(Client& c, int iid) override;
    void report(Client& c, int iid) override;

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
    Applied last{};
    bool applied = false;
};

class Bool : public Value_item<Stat_bool> {
public:
    explicit Bool(VT::Object_pool* pool);
    void init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);
    unsigned short get_item_obj() const override { return bool_container ? bool_container->get_id() : NULL_ID_; }

    static bool value_size(Client& c, int iid, int& size);

protected:
    void draw_value(Widget& w, Client& c, int iid, Item_setup& setup) override;
    int drawn_value_height(Client&, int, Item_setup&) override { return value_h; }
    void refresh_value(Client& c, int iid) override;
    void report(Client& c, int iid) override;

private:
    static constexpr unsigned short NULL_ID_ = VT::Object_pool::NULL_ID;
    VT::Container_obj* bool_container = nullptr;
    // The looks of the last draw.
    VT::VT_obj* true_look = nullptr;
    VT::VT_obj* false_look = nullptr;
};

class List : public Value_item<Stat_list> {
public:
    List(VT::Object_pool* pool, int capacity);
    void init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);

    static bool value_width(Client& c, int iid, Item_setup& setup, int& min, int& max);
    static int value_height(Client& c, int iid, Item_setup& setup, int width);
    int get_capacity() const { return int(entries.size()); }
    int get_in_use() const { return in_use; }

protected:
    void draw_value(Widget& w, Client& c, int iid, Item_setup& setup) override;
    int drawn_value_height(Client& c, int iid, Item_setup& setup) override
    {
        return value_height(c, iid, setup, value_w);
    }
    void refresh_value(Client& c, int iid) override;
    void report(Client& c, int iid) override;

private:
    std::vector<VT::Output_string_obj*> entries;
    int in_use = 0;
    bool item_shown = false;
};

class String : public Value_item<Stat_string> {
public:
    static constexpr int LENGTH = 64;
    explicit String(VT::Object_pool* pool);
    void init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);
    bool update_from_text(Client& c, int iid, const char* text, unsigned length, Stat_user* user) override;

    static bool value_width(Client& c, int iid, Item_setup& setup, int& min, int& max);
    static int value_height(Client& c, int iid, Item_setup& setup, int width);

protected:
    void draw_value(Widget& w, Client& c, int iid, Item_setup& setup) override;
    int drawn_value_height(Client& c, int iid, Item_setup& setup) override
    {
        return value_height(c, iid, setup, value_w);
    }
    void refresh_value(Client& c, int iid) override;
    void report(Client& c, int iid) override;
};

} // namespace PUI
} // namespace UI
