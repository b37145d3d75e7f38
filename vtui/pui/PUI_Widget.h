// Shows a client's variable list of items on the VT without a mask designed
// for them: the widget makes its own VT objects at run time (a container,
// one selection rectangle per row slot, and the items' objects), measures
// every item, chooses column widths per group of rows, pages through the
// rows when they do not fit and forwards VT input to the right item.
#pragma once

#include "vtui/pui/PUI_Client.h"
#include "vtui/pui/PUI_Container.h"
#include "vtui/pui/PUI_Item.h"
#include "vtui/screen/Vt_events.h"

#include <memory>
#include <vector>

class Units_man;

namespace UI {
namespace PUI {

class Widget {
public:
    // Makes every VT object and item at once; they join the pool, which owns
    // them from then on (a widget rebuilt later reuses them).
    Widget(const Limits& limits, VT::Object_pool* pool);
    virtual ~Widget();
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    // The required objects: false, with a line, and the widget inactive
    // when one is missing.
    bool init(VT::Object_pool* pool, Units_man* units, VT::Font_attributes_obj* font,
              VT::Line_attributes_obj* selected_line, VT::Line_attributes_obj* unselected_line,
              VT::Fill_attributes_obj* selected_fill, VT::Fill_attributes_obj* unselected_fill,
              VT::Button_obj* next_button, VT::Button_obj* first_button, VT::Key_obj* next_key, VT::Key_obj* first_key,
              VT::Object_pointer_obj* key_pointer, VT::Object_pointer_obj* container_pointer);
    bool init_from(const Widget& other, VT::Object_pointer_obj* container_pointer);

    void set_client(Client* c);
    void draw();
    bool optimise_width(Client& c, stat_group_t& s, geometry_t& geo);
    void update(update_t kind, int cid);
    bool apply_settings();
    Item* apply_setting(int i);
    bool send_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms);
    bool send_button_event(Button_activation_event& ev);
    int get_cid_from_stat(Stat* stat);
    Item* get_item_from_cid(int cid);
    bool is_item_used(const Item* item) const;
    Item* get_free_item(Item_setup& setup, int iid);
    List* get_free_list(Client& c, int iid);
    void free_all_items();
    void select_rectangle(int slot, bool pace);
    void set_container(int child, unsigned short oid, int x, int y);
    void clear_container(int child);
    void reset();

    static unsigned short get_dummy_oid() { return dummy_oid; }
    bool is_active() const { return active; }
    int get_first() const { return first; }
    int get_last() const { return last; }
    int get_border() const { return border; }
    Units_man* get_units() const { return units; }
    Client* get_client() const { return client; }
    VT::Container_obj* get_container() const { return container; }
    VT::Rectangle_obj* get_rectangle(int slot) const { return rectangles[size_t(slot)]; }
    Item* get_row(int slot) const { return rows[size_t(slot)]; }
    const geometry_t& get_geometry(int g) const { return geometry[size_t(g)]; }
    Stat_collector& get_stats() { return stats; }
    const Limits& get_limits() const { return limits; }
    VT::Font_attributes_obj* get_font() const { return font; }

protected:
    // Waits between the line and fill attribute changes of a paced select.
    virtual void pace_wait();

private:
    int group_of(const Item_setup& setup) const;
    void empty_slot(int slot);
    template <class T>
    T* next_free(std::vector<std::unique_ptr<T>>& pool, int& used);
    bool page_event(unsigned short id, unsigned code, bool is_key);

    static unsigned short dummy_oid;

    Limits limits;
    std::vector<Item*> rows;
    std::vector<Item_setup> setups;
    int first = 0;
    int last = 0;
    std::vector<geometry_t> geometry;
    std::vector<std::unique_ptr<Item>> items;
    std::vector<std::unique_ptr<Number>> numbers;
    std::vector<std::unique_ptr<Bool>> bools;
    std::vector<std::unique_ptr<List>> lists;
    std::vector<std::unique_ptr<String>> strings;
    std::vector<std::unique_ptr<Container>> containers;
    int items_used = 0, numbers_used = 0, bools_used = 0, strings_used = 0, containers_used = 0;
    VT::Object_pool* pool = nullptr;
    Units_man* units = nullptr;
    Client* client = nullptr;
    VT::Font_attributes_obj* font = nullptr;
    VT::Container_obj* container = nullptr;
    VT::Container_obj* dummy = nullptr;
    std::vector<VT::Rectangle_obj*> rectangles;
    VT::Button_obj* next_button = nullptr;
    VT::Button_obj* first_button = nullptr;
    VT::Key_obj* next_key = nullptr;
    VT::Key_obj* first_key = nullptr;
    VT::Object_pointer_obj* key_pointer = nullptr;
    VT::Line_attributes_obj* selected_line = nullptr;
    VT::Line_attributes_obj* unselected_line = nullptr;
    VT::Fill_attributes_obj* selected_fill = nullptr;
    VT::Fill_attributes_obj* unselected_fill = nullptr;
    int border = 2;
    bool active = false;
    Stat_collector stats;
};

} // namespace PUI
} // namespace UI
