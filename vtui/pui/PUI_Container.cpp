#include "vtui/pui/PUI_Container.h"

#include "vtui/pui/PUI_Widget.h"
#include "util/Debug_print.h"
#include "vtui/stat/Stat_dyn.h"

#include <algorithm>

namespace UI {
namespace PUI {

namespace {
const char* const SOURCE = "vtui/pui/PUI_Container";
} // namespace

Container::Container(VT::Object_pool* pool) : Item(pool)
{
    sub_container = Stat_dyn::create<VT::Container_obj>(pool, SOURCE, "PUICCnt", "container", 200, 200, false);
    for (int k = 0; k < ITEM_MAX_OBJS; ++k)
        sub_container->add_child(Widget::get_dummy_oid(), 0, 0);
}

void Container::init(VT::Object_pool* pool, Stat_collector*, VT::Font_attributes_obj* font)
{
    Item::init(pool, font);
    pool->upload(sub_container);
    for (int k = 0; k < ITEM_MAX_OBJS; ++k)
        set_sub_child(k, Widget::get_dummy_oid(), 0);
}

bool Container::container_setup(Client& c, int iid, Container_setup& cs, const char* operation)
{
    if (!c.get_container_setup(uint8_t(iid), cs, false))
        return false;
    if (cs.num_items > ITEM_MAX_OBJS) {
        Debug_print::bprint("%s: ", operation);
        Stat_dyn::check(false, SOURCE, "csetup.num_items <= ITEM_MAX_OBJS");
    }
    return true;
}

void Container::set_sub_child(int k, unsigned short oid, int x)
{
    if (sub_container->get_child_id(k) != oid) {
        sub_container->set_child_at(k, oid, short(x), 0);
        sub_container->get_pool()->upload(sub_container);
    } else if (sub_container->get_child_x(k) != x || sub_container->get_child_y(k) != 0) {
        sub_container->set_child_position(oid, short(x), 0);
    }
}

void Container::free_items()
{
    for (Item*& i : items)
        i = nullptr;
}

bool Container::is_item_used(const Item* item) const
{
    return item && std::find(std::begin(items), std::end(items), item) != std::end(items);
}

bool Container::get_items(Widget& w, Client& c, int iid, Item_setup& setup)
{
    Container_setup cs;
    if (!container_setup(c, iid, cs, "get_items"))
        return false;
    bool all = true;
    for (int k = 0; k < cs.num_items; ++k) {
        Item_setup sub(setup.value_font);
        c.get_item_setup(uint8_t(cs.first + k), sub);
        items[k] = w.get_free_item(sub, cs.first + k);
        all = all && items[k];
    }
    return all;
}

Item* Container::search_for_iid(int iid, Client& c, int own, Item_setup& setup)
{
    if (iid == own)
        return this;
    Container_setup cs;
    if (!container_setup(c, own, cs, "search_for_iid") || cs.num_items < 1)
        return nullptr;
    for (int k = 0; k < cs.num_items; ++k) {
        if (!items[k])
            continue;
        if (cs.first + k == iid)
            return items[k];
        Item_setup sub(setup.value_font);
        c.get_item_setup(uint8_t(cs.first + k), sub);
        if (Item* hit = items[k]->search_for_iid(iid, c, cs.first + k, sub))
            return hit;
    }
    return nullptr;
}

Stat* Container::get_stat(Stat* s, Client& c, int& iid)
{
    Container_setup cs;
    if (!container_setup(c, iid, cs, "get_stat"))
        return nullptr;
    for (int k = 0; k < cs.num_items; ++k) {
        int index = cs.first + k;
        if (items[k] && items[k]->get_stat(s, c, index) == s) {
            iid = index;
            return s;
        }
    }
    return nullptr;
}

bool Container::force_value_update(Client& c, int iid)
{
    Container_setup cs;
    if (!container_setup(c, iid, cs, "force_value_update"))
        return false;
    bool all = true;
    for (int k = 0; k < cs.num_items; ++k)
        if (items[k])
            all = items[k]->force_value_update(c, cs.first + k) && all;
    return all;
}

bool Container::value_width(Client& c, int iid, int& min, int& max)
{
    Container_setup cs;
    if (!container_setup(c, iid, cs, "value_width"))
        return false;
    if (cs.num_items < 1) {
        min = max = 0;
        return true;
    }
    min = max = cs.spacing * (cs.num_items - 1);
    for (int k = 0; k < cs.num_items; ++k) {
        Item_setup sub(c.get_font());
        c.get_item_setup(uint8_t(cs.first + k), sub);
        for (int f = 0; f < NUM_FIELDS; ++f) {
            int fmin = 0, fmax = 0;
            get_field_width(f, c, cs.first + k, sub, fmin, fmax);
            min += fmin;
            max += fmax;
        }
    }
    return true;
}

int Container::compute_sub_field_width(int avail, int total_min, int total_max, int field_min, int field_max)
{
    if (avail <= total_min || field_min == field_max || total_max <= total_min)
        return field_min;
    return field_min + (avail - total_min) * (field_max - field_min) / (total_max - total_min);
}

int Container::value_height(Client& c, int iid, Item_setup& setup, int width)
{
    Container_setup cs;
    int total_min = 0, total_max = 0;
    if (!container_setup(c, iid, cs, "value_height") || !value_width(c, iid, total_min, total_max))
        return 0;
    int h = 0;
    for (int k = 0; k < cs.num_items; ++k) {
        Item_setup sub(setup.value_font);
        c.get_item_setup(uint8_t(cs.first + k), sub);
        for (int f = 0; f < NUM_FIELDS; ++f) {
            int fmin = 0, fmax = 0;
            get_field_width(f, c, cs.first + k, sub, fmin, fmax);
            int fw = compute_sub_field_width(width, total_min, total_max, fmin, fmax);
            h = std::max(h, get_field_height(f, c, cs.first + k, sub, fw));
        }
    }
    return h;
}

void Container::draw(Widget& w, Client& c, int iid, Item_setup& setup, geometry_t& geo, int width, int height)
{
    Item::draw(w, c, iid, setup, geo, width, height);
    int avail = geo.field[FIELD_VALUE].width;
    value_w = avail;
    value_h = height;
    sub_container->set_size(uint16_t(std::max(avail, 0)), uint16_t(height));
    draw_container(w, c, iid, setup, avail, height);
}

void Container::draw_container(Widget& w, Client& c, int iid, Item_setup& setup, int avail, int height)
{
    Container_setup cs;
    int total_min = 0, total_max = 0;
    if (!container_setup(c, iid, cs, "draw_container") || !value_width(c, iid, total_min, total_max))
        return;
    int n = std::max(cs.num_items, 0);
    int x_offset = 0;
    for (int k = 0; k < n; ++k) {
        Item_setup sub(setup.value_font);
        c.get_item_setup(uint8_t(cs.first + k), sub);
        geometries[k] = geometry_t();
        int sum = 0;
        for (int f = 0; f < NUM_FIELDS; ++f) {
            int fmin = 0, fmax = 0;
            get_field_width(f, c, cs.first + k, sub, fmin, fmax);
            geometries[k].field[f].x = sum;
            geometries[k].field[f].width = compute_sub_field_width(avail, total_min, total_max, fmin, fmax);
            sum += geometries[k].field[f].width;
        }
        if (items[k]) {
            items[k]->draw(w, c, cs.first + k, sub, geometries[k], sum, height);
            set_sub_child(k, items[k]->get_obj_id(), x_offset);
        } else {
            set_sub_child(k, Widget::get_dummy_oid(), 0);
        }
        x_offset += sum;
    }
    for (int k = n; k < ITEM_MAX_OBJS; ++k)
        set_sub_child(k, Widget::get_dummy_oid(), 0);
}

void Container::update(Widget& w, update_t kind, Client& c, int iid)
{
    Container_setup cs;
    if (!container_setup(c, iid, cs, "update"))
        return;
    if (kind == UPDATE_VALUE) {
        for (int k = 0; k < cs.num_items; ++k)
            if (items[k])
                items[k]->update(w, UPDATE_VALUE, c, cs.first + k);
        return;
    }
    if (kind == UPDATE_VALUE_DRAW) {
        Item_setup row(c.get_font());
        c.get_item_setup(uint8_t(iid), row);
        for (int k = 0; k < cs.num_items; ++k) {
            if (!items[k])
                continue;
            Item_setup sub(row.value_font);
            c.get_item_setup(uint8_t(cs.first + k), sub);
            // The sub-item keeps the width its last layout gave it.
            int sum = 0;
            for (const auto& f : geometries[k].field)
                sum += f.width;
            items[k]->draw(w, c, cs.first + k, sub, geometries[k], sum, sub_container->get_height());
        }
    }
    Item::update(w, kind, c, iid);
}

} // namespace PUI
} // namespace UI
