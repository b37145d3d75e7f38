#include "vtui/pui/PUI_Widget.h"

#include "vtui/pui/PUI_Writes.h"

#include "util/Debug_base.h"
#include "util/Debug_print.h"
#include "vtui/stat/Stat_dyn.h"

#include <algorithm>
#include <chrono>
#include <thread>

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

namespace UI {
namespace PUI {

namespace {
const char* const SOURCE = "vtui/pui/PUI_Widget";
constexpr unsigned short NULL_ID = VT::Object_pool::NULL_ID;
constexpr auto VT59 = _JDB::VTUI_59;
} // namespace

unsigned short Widget::dummy_oid = VT::Object_pool::NULL_ID;

Widget::Widget(const Limits& l, VT::Object_pool* p)
    : limits(l), rows(size_t(std::max(l.max_rows, 1)), nullptr), setups(size_t(std::max(l.max_rows, 1))),
      geometry(size_t(std::max(l.max_groups, 1))), pool(p)
{
    int n = int(rows.size());
    container = Stat_dyn::create<VT::Container_obj>(p, SOURCE, "PUICnt", "container", 200, 200, false);
    dummy = Stat_dyn::create<VT::Container_obj>(p, SOURCE, "PUIDmy", "dummy", 0, 0, false);
    dummy_oid = dummy->get_id();
    for (int i = 0; i < 2 * n; ++i)
        container->add_child(dummy_oid, 0, 0);
    for (int i = 0; i < n; ++i)
        rectangles.push_back(
            Stat_dyn::create<VT::Rectangle_obj>(p, SOURCE, "SnI", "rectangle", NULL_ID, 0, 0, 0, NULL_ID));
    for (int i = 0; i < limits.num_items; ++i)
        items.emplace_back(new Item(p));
    for (int i = 0; i < limits.num_numbers; ++i)
        numbers.emplace_back(new Number(p));
    for (int i = 0; i < limits.num_bools; ++i)
        bools.emplace_back(new Bool(p));
    for (int i = 0; i < limits.num_lists; ++i)
        lists.emplace_back(new List(p, limits.list_size(i)));
    for (int i = 0; i < limits.num_strings; ++i)
        strings.emplace_back(new String(p));
    for (int i = 0; i < limits.num_containers; ++i)
        containers.emplace_back(new Container(p));
    free_all_items();
}

Widget::~Widget()
{
    if (client && client->get_widget() == this)
        client->set_widget(nullptr);
}

bool Widget::init(VT::Object_pool* p, Units_man* u, VT::Font_attributes_obj* f, VT::Line_attributes_obj* sel_line,
                  VT::Line_attributes_obj* unsel_line, VT::Fill_attributes_obj* sel_fill,
                  VT::Fill_attributes_obj* unsel_fill, VT::Button_obj* next_b, VT::Button_obj* first_b,
                  VT::Key_obj* next_k, VT::Key_obj* first_k, VT::Object_pointer_obj* key_ptr,
                  VT::Object_pointer_obj* container_pointer)
{
    active = false;
    if (!p || p != pool || !f) {
        Debug_print::dprint("PUI widget: %s missing, widget left inactive\n",
                            !p || p != pool ? "its pool" : "the font");
        return false;
    }
    units = u;
    font = f;
    selected_line = sel_line;
    unselected_line = unsel_line;
    selected_fill = sel_fill;
    unselected_fill = unsel_fill;
    next_button = next_b;
    first_button = first_b;
    next_key = next_k;
    first_key = first_k;
    key_pointer = key_ptr;
    pool->upload(container);
    pool->upload(dummy);
    if (container_pointer)
        container_pointer->set_value(container->get_id());
    for (VT::Rectangle_obj* r : rectangles) {
        if (unselected_line)
            r->set_line_attributes(unselected_line->get_id());
        pool->upload(r);
    }
    for (auto& i : items)
        i->init(pool, font);
    for (auto& i : numbers)
        i->init(pool, &stats, font);
    for (auto& i : bools)
        i->init(pool, &stats, font);
    for (auto& i : lists)
        i->init(pool, &stats, font);
    for (auto& i : strings)
        i->init(pool, &stats, font);
    for (auto& i : containers)
        i->init(pool, &stats, font);
    active = true;
    reset();
    return true;
}

bool Widget::init_from(const Widget& o, VT::Object_pointer_obj* container_pointer)
{
    return init(o.pool, o.units, o.font, o.selected_line, o.unselected_line, o.selected_fill, o.unselected_fill,
                o.next_button, o.first_button, o.next_key, o.first_key, o.key_pointer, container_pointer);
}

int Widget::group_of(const Item_setup& setup) const
{
    return std::min(int(setup.group), int(geometry.size()) - 1);
}

void Widget::set_client(Client* c)
{
    if (!active) {
        reset();
        return;
    }
    first = last = 0;
    if (client && client != c && client->get_widget() == this)
        client->set_widget(nullptr);
    client = c;
    if (!c)
        return;
    c->set_widget(this);
    int w_sel = selected_line ? selected_line->get_line_width() : 0;
    int w_unsel = unselected_line ? unselected_line->get_line_width() : 0;
    border = std::max(w_sel, w_unsel) + 2;

    std::vector<stat_group_t> groups(geometry.size());
    int n = c->get_num_items();
    for (int i = 0; i < n; ++i) {
        Item_setup setup(c->get_font());
        c->get_item_setup(uint8_t(i), setup);
        stat_group_t& g = groups[size_t(group_of(setup))];
        ++g.count;
        int item_max[NUM_FIELDS];
        for (int f = 0; f < NUM_FIELDS; ++f) {
            int mn = 0, mx = 0;
            Item::get_field_width(f, *c, i, setup, mn, mx);
            auto& gf = g.field[f];
            gf.min = std::max(gf.min, mn);
            gf.max = std::max(gf.max, mx);
            gf.total += mx;
            item_max[f] = mx;
        }
        for (int f = 0; f < NUM_FIELDS; ++f)
            if (item_max[f] > g.field[f].min)
                g.field[f].weight += item_max[f] - g.field[f].min;
    }
    for (size_t g = 0; g < groups.size(); ++g) {
        auto& value = groups[g].field[FIELD_VALUE];
        value.min += 2 * border;
        value.max += 2 * border;
        optimise_width(*c, groups[g], geometry[g]);
        geometry[g].field[FIELD_VALUE].x += border;
        geometry[g].field[FIELD_VALUE].width -= 2 * border;
    }
}

bool Widget::optimise_width(Client& c, stat_group_t& s, geometry_t& geo)
{
    geo = geometry_t();
    if (s.count < 1)
        return false;
    int avail = c.get_width() - 2 * border;
    int order[NUM_FIELDS];
    for (int k = 0; k < NUM_FIELDS; ++k) {
        int f = c.get_field_order(k);
        order[k] = f >= 0 && f < NUM_FIELDS ? f : k;
    }
    auto used = [&](int f) { return s.field[f].max >= 1; };
    // Pass 1: maximum widths.
    int sum_min = 0, sum_max = 0, weight = 0;
    for (int f : order) {
        if (!used(f))
            continue;
        auto& sf = s.field[f];
        if (sum_min != 0) {
            sum_min += c.col_space();
            sum_max += c.col_space();
        }
        geo.field[f].x = sum_max;
        geo.field[f].width = sf.max;
        sum_min += sf.min;
        sum_max += sf.max;
        weight += sf.weight;
        JDB::print(VT59, "Pass 1 %d %d %d %d %d %d %d\n", f, sf.min, sf.max, sf.total / s.count,
                   std::max(sf.total / s.count - sf.min, 0), geo.field[f].x, geo.field[f].width);
    }
    if (sum_max < avail)
        return true;
    int spare = sum_min < avail ? avail - sum_min : 0;
    // Places the used fields left to right with `width_of` each; returns the
    // right edge.
    auto place = [&](const char* label, auto width_of) {
        int x = 0;
        for (int f : order) {
            if (!used(f))
                continue;
            if (x != 0)
                x += c.col_space();
            geo.field[f].x = x;
            geo.field[f].width = width_of(f);
            auto& sf = s.field[f];
            JDB::print(VT59, "%s %d %d %d %d %d %d %d\n", label, f, sf.min, sf.max, sf.total / s.count, 0,
                       geo.field[f].x, geo.field[f].width);
            x += geo.field[f].width;
        }
        return x;
    };
    // Pass 2: minimum widths.
    place("Pass 2", [&](int f) { return s.field[f].min; });
    // Distribute the spare room by weight until it is used or nothing grows.
    bool grown[NUM_FIELDS] = {false, false, false, false};
    int previous = 0;
    while (spare != 0 && spare != previous) {
        int growth_weight = weight;
        int x = place("Pass n", [&](int f) {
            auto& sf = s.field[f];
            int width = geo.field[f].width;
            if (grown[f] || width >= sf.max)
                return width;
            if (growth_weight == 0)
                JDB::print(VT59, "Unexpected optimise\n");
            else
                width += sf.weight * spare / growth_weight;
            if (width >= sf.max) {
                width = sf.max;
                grown[f] = true;
                weight -= sf.weight;
            }
            return width;
        });
        previous = spare;
        spare = x < avail ? avail - x : 0;
        JDB::print(VT59, "Space %d %d %d %d %d\n", avail, x, spare, previous, weight);
    }
    return sum_min < avail;
}

void Widget::empty_slot(int slot)
{
    rows[size_t(slot)] = nullptr;
    clear_container(slot);
    clear_container(int(rows.size()) + slot);
}

void Widget::draw()
{
    if (!active || !client) {
        reset();
        return;
    }
    const int max_rows = int(rows.size());
    int bw = 0, bh = 0;
    for (VT::Button_obj* b : {next_button, first_button}) {
        unsigned short w = 0, h = 0;
        if (b && b->get_size(w, h)) {
            bw = std::max(bw, int(w));
            bh = std::max(bh, int(h));
        }
    }
    int H = client->get_height() - 2 * border;
    int W = client->get_width() - 2 * border;
    int N = client->get_num_items();
    if (first >= N)
        first = 0;
    resize(container, W + 2 * border, H + 2 * border);

    std::vector<int> tops(size_t(max_rows), 0), heights(size_t(max_rows), 0);
    int y = 0, fit = 0;
    last = first;
    int measured = 0;
    for (int i = 0; i < max_rows; ++i) {
        int r = first + i;
        if (r >= N) {
            empty_slot(i);
            continue;
        }
        Item_setup& setup = setups[size_t(i)];
        setup = Item_setup(client->get_font());
        client->get_item_setup(uint8_t(r), setup);
        int h = Item::get_height(*client, r, setup, geometry[size_t(group_of(setup))]);
        int gap = measured == 0 ? 0 : client->row_space() + 2 * border;
        int bottom = y + gap + h;
        if (bottom > H && i > 0) {
            for (int k = i; k < max_rows; ++k)
                empty_slot(k);
            break;
        }
        if (bh < H - bottom)
            fit = i;
        tops[size_t(i)] = y + gap;
        heights[size_t(i)] = h;
        last = r;
        y = bottom;
        ++measured;
    }
    bool paging = N > 0 && (first != 0 || last != N - 1);
    if (paging) {
        if (fit == max_rows - 1)
            fit = max_rows - 2;
        while (last - first > fit) {
            empty_slot(last - first);
            --last;
        }
    }

    free_all_items();
    for (int r = first; N > 0 && r <= last; ++r) {
        int k = r - first;
        Stat_dyn::check(k >= 0, SOURCE, "idx >= 0");
        Item_setup& setup = setups[size_t(k)];
        Item* item = get_free_item(setup, r);
        if (!item) {
            for (int j = k; j < max_rows; ++j) {
                clear_container(j);
                clear_container(max_rows + j);
            }
            last = r - 1;
            break;
        }
        rows[size_t(k)] = item;
        geometry_t& geo = geometry[size_t(group_of(setup))];
        if (setup.editable) {
            int mn = 0, mx = 0;
            Item::get_field_width(FIELD_VALUE, *client, r, setup, mn, mx);
            int w = std::min(mx, geo.field[FIELD_VALUE].width);
            int fh = Item::get_field_height(FIELD_VALUE, *client, r, setup, w);
            VT::Rectangle_obj* rect = rectangles[size_t(k)];
            set_container(k, rect->get_id(), geo.field[FIELD_VALUE].x + geo.field[FIELD_VALUE].width - w,
                          tops[size_t(k)]);
            resize(rect, w + 2 * border, fh + 2 * border);
        } else {
            clear_container(k);
        }
        set_container(max_rows + k, item->get_obj_id(), border, border + tops[size_t(k)]);
        item->draw(*this, *client, r, setup, geo, W, heights[size_t(k)]);
    }

    if (paging) {
        VT::Button_obj* button = next_button;
        VT::Key_obj* key = next_key;
        if (!next_button || (last >= N - 1 && first_button)) {
            button = first_button;
            key = first_key;
        }
        clear_container(max_rows - 1);
        if (button)
            set_container(2 * max_rows - 1, button->get_id(), W - bw, H - bh);
        else
            clear_container(2 * max_rows - 1);
        if (key_pointer && key && key_pointer->get_value() != key->get_id())
            key_pointer->set_value(key->get_id());
    } else if (key_pointer && key_pointer->get_value() != NULL_ID) {
        key_pointer->set_value(NULL_ID);
    }
    select_rectangle(-1, false);
}

void Widget::update(update_t kind, int cid)
{
    if (!client)
        return;
    if (Item* item = get_item_from_cid(cid))
        item->update(*this, kind, *client, cid);
}

bool Widget::apply_settings()
{
    if (!active || !client) {
        reset();
        return false;
    }
    bool all = true;
    for (int i = 0; i < client->get_num_items(); ++i)
        all = apply_setting(i) != nullptr && all;
    return all;
}

Item* Widget::apply_setting(int i)
{
    free_all_items();
    Item_setup setup(client->get_font());
    client->get_item_setup(uint8_t(i), setup);
    Item* item = get_free_item(setup, i);
    if (!item)
        return nullptr;
    geometry_t fixed;
    for (int f = 0; f < NUM_FIELDS; ++f) {
        fixed.field[f].x = 500 * f;
        fixed.field[f].width = 500;
    }
    item->draw(*this, *client, i, setup, fixed, 1000, 1000);
    return item->force_value_update(*client, i) ? item : nullptr;
}

bool Widget::page_event(unsigned short id, unsigned code, bool is_key)
{
    unsigned short next_id = is_key ? (next_key ? next_key->get_id() : NULL_ID)
                                    : (next_button ? next_button->get_id() : NULL_ID);
    unsigned short first_id = is_key ? (first_key ? first_key->get_id() : NULL_ID)
                                     : (first_button ? first_button->get_id() : NULL_ID);
    if (id == NULL_ID || (id != next_id && id != first_id))
        return false;
    if (code != 0)
        return true;
    if (id == next_id)
        first = last = last + 1;
    else
        first = last = 0;
    draw();
    return true;
}

bool Widget::send_soft_key_event(Soft_key_activation_event& ev, unsigned)
{
    return page_event(ev.object_id(), ev.activation_code(), true);
}

bool Widget::send_button_event(Button_activation_event& ev)
{
    return page_event(ev.object_id(), ev.activation_code(), false);
}

int Widget::get_cid_from_stat(Stat* stat)
{
    if (!stat || !client)
        return -1;
    for (size_t i = 0; i < rows.size() && rows[i]; ++i) {
        int cid = first + int(i);
        if (rows[i]->get_stat(stat, *client, cid) == stat)
            return cid;
    }
    return -1;
}

Item* Widget::get_item_from_cid(int cid)
{
    if (client && cid >= client->get_num_items()) {
        for (size_t i = 0; i < rows.size() && rows[i]; ++i)
            if (Item* hit = rows[i]->search_for_iid(cid, *client, first + int(i), setups[i]))
                return hit;
    }
    int slot = cid - first;
    return slot >= 0 && slot < int(rows.size()) ? rows[size_t(slot)] : nullptr;
}

bool Widget::is_item_used(const Item* item) const
{
    if (std::find(rows.begin(), rows.end(), item) != rows.end())
        return true;
    for (const auto& c : containers)
        if (c->is_item_used(item))
            return true;
    return false;
}

template <class T>
T* Widget::next_free(std::vector<std::unique_ptr<T>>& from, int& used)
{
    return used < int(from.size()) ? from[size_t(used++)].get() : nullptr;
}

Item* Widget::get_free_item(Item_setup& setup, int iid)
{
    switch (setup.type) {
    case ITEM_PLAIN: return next_free(items, items_used);
    case ITEM_NUMBER: return next_free(numbers, numbers_used);
    case ITEM_BOOL: return next_free(bools, bools_used);
    case ITEM_STRING: return next_free(strings, strings_used);
    case ITEM_LIST: return client ? get_free_list(*client, iid) : nullptr;
    case ITEM_CONTAINER: {
        if (containers_used >= int(containers.size()) || !client)
            return nullptr;
        Container* c = containers[size_t(containers_used)].get();
        bool first_row = !rows[0];
        if (c->get_items(*this, *client, iid, setup) || first_row) {
            ++containers_used;
            return c;
        }
        return nullptr;
    }
    default: return nullptr;
    }
}

List* Widget::get_free_list(Client& c, int iid)
{
    List_setup ls;
    if (!c.get_list_setup(uint8_t(iid), ls, false))
        return nullptr;
    bool large_enough = false;
    for (auto& l : lists) {
        if (l->get_capacity() < ls.count)
            continue;
        large_enough = true;
        if (!is_item_used(l.get()))
            return l.get();
    }
    if (large_enough || lists.empty())
        return nullptr;
    List* biggest = lists.back().get();
    return is_item_used(biggest) ? nullptr : biggest;
}

void Widget::free_all_items()
{
    items_used = numbers_used = bools_used = strings_used = containers_used = 0;
    std::fill(rows.begin(), rows.end(), nullptr);
    for (auto& c : containers)
        c->free_items();
}

void Widget::pace_wait()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void Widget::select_rectangle(int slot, bool pace)
{
    for (size_t i = 0; i < rectangles.size(); ++i) {
        bool selected = int(i) == slot;
        VT::Line_attributes_obj* line = selected ? selected_line : unselected_line;
        VT::Fill_attributes_obj* fill = selected ? selected_fill : unselected_fill;
        VT::Rectangle_obj* r = rectangles[i];
        bool line_written = false;
        if (line && r->get_line_attributes() != line->get_id()) {
            r->set_line_attributes(line->get_id());
            line_written = true;
        }
        unsigned short fill_id = fill ? fill->get_id() : NULL_ID;
        if (r->get_fill_attributes() != fill_id) {
            if (pace && line_written)
                pace_wait();
            r->set_fill_attributes(fill_id);
        }
    }
}

void Widget::set_container(int child, unsigned short oid, int x, int y)
{
    if (!container || child < 0 || child >= container->num_children())
        return;
    if (container->get_child_id(child) != oid) {
        container->set_child_at(child, oid, short(x), short(y));
        if (active)
            pool->upload(container);
    } else if (container->get_child_x(child) != x || container->get_child_y(child) != y) {
        container->set_child_position(oid, short(x), short(y));
    }
}

void Widget::clear_container(int child)
{
    if (container && dummy && child >= 0 && child < container->num_children() &&
        container->get_child_id(child) != dummy_oid)
        set_container(child, dummy_oid, 0, 0);
}

void Widget::reset()
{
    for (int i = 0; container && dummy && i < container->num_children(); ++i)
        set_container(i, dummy_oid, 0, 0);
}

} // namespace PUI
} // namespace UI
