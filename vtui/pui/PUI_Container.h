// A row whose value field holds up to three other items side by side. The
// sub-items are ordinary items of the widget's pools with item indexes of
// their own at or above the client's count of top-level items.
#pragma once

#include "vtui/pui/PUI_Item.h"

namespace UI {
namespace PUI {

class Container : public Item {
public:
    static constexpr int ITEM_MAX_OBJS = 3;

    explicit Container(VT::Object_pool* pool);
    void init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);

    Item* search_for_iid(int iid, Client& c, int own_iid, Item_setup& setup) override;
    void draw(Widget& w, Client& c, int iid, Item_setup& setup, geometry_t& geo, int width, int height) override;
    void update(Widget& w, update_t kind, Client& c, int iid) override;
    Stat* get_stat(Stat* s, Client& c, int& iid) override;
    bool update_from_input(Client&, int, unsigned, Stat_user*) override { return false; }
    bool force_value_update(Client& c, int iid) override;
    unsigned short get_item_obj() const override { return sub_container ? sub_container->get_id() : 0xFFFF; }

    void free_items();
    bool is_item_used(const Item* item) const;
    bool get_items(Widget& w, Client& c, int iid, Item_setup& setup);
    Item* get_sub_item(int k) const { return k >= 0 && k < ITEM_MAX_OBJS ? items[k] : nullptr; }

    // Value field measurements; false without a container setup.
    static bool value_width(Client& c, int iid, int& min, int& max);
    static int value_height(Client& c, int iid, Item_setup& setup, int width);
    static int compute_sub_field_width(int avail, int total_min, int total_max, int field_min, int field_max);

private:
    // The client's setup of the container; fatal when it names too many
    // sub-items.
    static bool container_setup(Client& c, int iid, Container_setup& cs, const char* operation);
    void draw_container(Widget& w, Client& c, int iid, Item_setup& setup, int avail, int height);
    void set_sub_child(int k, unsigned short oid, int x);

    VT::Container_obj* sub_container = nullptr;
    geometry_t geometries[ITEM_MAX_OBJS];
    Item* items[ITEM_MAX_OBJS] = {nullptr, nullptr, nullptr};
};

} // namespace PUI
} // namespace UI
