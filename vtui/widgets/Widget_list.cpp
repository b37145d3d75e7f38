#include "vtui/widgets/Widget_list.h"

#include "util/Debug_base.h"
#include "util/Debug_print.h"

#include <cstdio>
#include <string>

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

namespace {
const char* const SOURCE = "vtui/widgets/Widget_list";
constexpr unsigned short NULL_ID = VT::Object_pool::NULL_ID;

unsigned short id_of(VT::Object_pool* pool, const char* name)
{
    VT::VT_obj* o = pool ? pool->find<VT::VT_obj>(name) : nullptr;
    return o ? o->get_id() : NULL_ID;
}
} // namespace

const char* Dummy_client::lstint_item(int i)
{
    std::snprintf(text, sizeof text, "dummy_%d", i);
    return text;
}

void Dummy_client::lstint_handle_event(unsigned, Event& ev)
{
    if (ev.code == Event::RELEASED)
        JDB::print(_JDB::VTUI_35, "DPress\n");
    else if (ev.code == Event::SELECTED)
        JDB::print(_JDB::VTUI_35, "DSelected\n");
}

Dummy_client& Dummy_client::instance()
{
    static Dummy_client client;
    return client;
}

const char* Widget_list::missing_object(VT::Object_pool* pool)
{
    static const char* const singles[] = {"widget_list",          "widget_list_but",    "widget_list_down_but",
                                          "widget_list_up_but",   "key_page_return",    "key_page_down"};
    static char name[32];
    if (!pool)
        return "pool";
    for (const char* n : singles)
        if (!pool->find<VT::VT_obj>(n))
            return n;
    for (int i = 0; i < NUM_ROWS; ++i) {
        for (const char* prefix : {"widget_list_", "widget_list_ostr_", "widget_list_but_"}) {
            std::snprintf(name, sizeof name, "%s%d", prefix, i);
            if (!pool->find<VT::VT_obj>(name))
                return name;
        }
    }
    return nullptr;
}

bool Widget_list::init(List_interface* p, VT::Object_pool* pool, Stat_collector* col, Window* window)
{
    provider = p ? p : &Dummy_client::instance();
    // Without its template objects the list stays inactive: nothing of it
    // is bound, shown or routed.
    if (const char* missing = missing_object(pool)) {
        Debug_print::dprint("%s: %s missing, list left inactive\n", SOURCE, missing);
        active = false;
        return false;
    }
    active = true;
    Activator::init(window, NULL_ID, id_of(pool, "widget_list_but"), nullptr, NULL_ID, NULL_ID);
    for (int i = 0; i < NUM_ROWS; ++i) {
        Row& r = rows[i];
        std::string n = std::to_string(i);
        VT::Output_string_obj* out = pool ? pool->find<VT::Output_string_obj>(("widget_list_ostr_" + n).c_str()) : nullptr;
        r.text.init(col, nullptr, out, nullptr, nullptr, pool, TEXT_INTERVAL_MS);
        r.container = pool ? pool->find<VT::Container_obj>(("widget_list_" + n).c_str()) : nullptr;
        r.activator.init(window, NULL_ID, id_of(pool, ("widget_list_but_" + n).c_str()), nullptr, NULL_ID, NULL_ID);
    }
    if (pool) {
        scroll_bar = pool->find<VT::Linear_bar_graph_obj>("widget_list_scrollbar");
        scroll_cover = pool->find<VT::Linear_bar_graph_obj>("widget_list_scrollcover");
        scroll_border = pool->find<VT::Rectangle_obj>("widget_list_scroll_bdr");
    }
    back_to_top_key_id = id_of(pool, "key_page_return");
    page_down_key_id = id_of(pool, "key_page_down");
    back_to_top.init(window, back_to_top_key_id, NULL_ID);
    page_down.init(window, page_down_key_id, id_of(pool, "widget_list_down_but"));
    page_up.init(window, NULL_ID, id_of(pool, "widget_list_up_but"));
    key_pointer = pool ? pool->find<VT::Object_pointer_obj>("ptr_key_down_and_return") : nullptr;
    blank_key_id = id_of(pool, "key_blank");
    block = pool ? pool->find<VT::Container_obj>("widget_list") : nullptr;
    return true;
}

bool Widget_list::has_provider(const char* what) const
{
    if (!active)
        return false;
    if (provider)
        return true;
    Debug_print::dprint("%s: %s without a list\n", SOURCE, what);
    return false;
}

void Widget_list::activate(bool show)
{
    if (!has_provider("activate"))
        return;
    first = 0;
    if (show && block)
        block->set_hidden(0);
    update();
}

void Widget_list::set_hidden(bool hidden)
{
    if (block)
        block->set_hidden(hidden ? 1 : 0);
}

int Widget_list::tot_num_pages() const
{
    if (!has_provider("tot_num_pages"))
        return 0;
    int n = provider->lstint_num_items();
    if (n <= 1)
        return n < 0 ? 0 : n;
    return (n + 7) / PAGE_STEP;
}

void Widget_list::update()
{
    if (!has_provider("update"))
        return;
    int n = provider->lstint_num_items();
    if (n < 0)
        n = 0;
    if (n < first + NUM_ROWS)
        first = n < NUM_ROWS ? 0 : n - NUM_ROWS;
    if (first < 0)
        first = 0;
    for (int i = 0; i < NUM_ROWS; ++i) {
        Row& r = rows[i];
        bool shown = first + i < n;
        if (r.container && r.container->get_hidden() == shown)
            r.container->set_hidden(shown ? 0 : 1);
        // The text goes out with the next value pass of the collector.
        if (shown)
            r.text = provider->lstint_item(first + i);
    }
    if (scroll_border) {
        unsigned short w = 0, hh = 0;
        scroll_border->get_size(w, hh);
        int h = hh - hh / 60;
        int top = n ? h * first / n : 0;
        int bottom = first + NUM_ROWS < n ? h * (first + NUM_ROWS) / n : h;
        if (scroll_bar) {
            scroll_bar->set_max_value(uint16_t(h));
            scroll_bar->set_value(uint16_t(bottom));
        }
        if (scroll_cover) {
            scroll_cover->set_max_value(uint16_t(h));
            scroll_cover->set_value(uint16_t(top));
        }
    }
    if (key_pointer) {
        unsigned short key = tot_num_pages() < 2 ? blank_key_id
                             : first + NUM_ROWS < n ? page_down_key_id
                                                    : back_to_top_key_id;
        if (key_pointer->get_value() != key)
            key_pointer->set_value(key);
    }
    guard = now() + GUARD_MS;
}

void Widget_list::advance_page(int n)
{
    first += PAGE_STEP * n;
    if (first < 0)
        first = 0;
    update();
}

void Widget_list::advance_to_page(int p)
{
    first = PAGE_STEP * p;
    update();
}

void Widget_list::advance_page_by_nitems(int n)
{
    first += n;
    if (first < 0)
        first = 0;
    update();
}

void Widget_list::advance_to_page_by_nitems(int n)
{
    first = n;
    update();
}

bool Widget_list::handle_activator_event(Window::Activator& a, Window::Activator_event& ev)
{
    if (!has_provider("handle_activator_event"))
        return false;
    using E = List_interface::Event;
    if (guard > now())
        selected_row = -1;
    if (a.matches_activator(&page_down)) {
        if (ev.event == E::RELEASED)
            advance_page(1);
        return true;
    }
    if (a.matches_activator(&page_up)) {
        if (ev.event == E::RELEASED)
            advance_page(-1);
        return true;
    }
    if (a.matches_activator(&back_to_top)) {
        if (ev.event == E::RELEASED)
            advance_to_page(0);
        return true;
    }
    if (a.matches_activator(this)) {
        if (ev.event == E::SELECTED && provider->lstint_num_items() > NUM_ROWS) {
            if (selected_row == NUM_ROWS - 1)
                advance_page(1);
            else if (selected_row == 0)
                advance_page(-1);
        }
        selected_row = -1;
        return true;
    }
    for (int i = 0; i < NUM_ROWS; ++i) {
        if (a.matches_activator(&rows[i].activator)) {
            List_interface::Event e;
            e.code = ev.event;
            provider->lstint_handle_event(unsigned(first + i), e);
            if (ev.event == E::SELECTED)
                selected_row = i;
            return true;
        }
    }
    return false;
}
