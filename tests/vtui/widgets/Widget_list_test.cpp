// The ten-row list widget on a recording pool: paging and the pulled-back
// last page, the scroll bar and the soft key in force, row selection handed
// to the provider, and the pop-up list stat that opens it and shows the
// chosen entry.
#include "vtui/stat/Stat_popup_list.h"
#include "vtui/widgets/Widget_list.h"

#include "tests/support/debug_capture.h"
#include "tests/support/vtui/Recording_pool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using VT::Object_pool;

namespace {

constexpr unsigned short NULL_ID = Object_pool::NULL_ID;
constexpr unsigned short ROW0 = 100, TEXT0 = 120, BUT0 = 140, LIST_BUT = 160, BAR = 161, COVER = 162, BDR = 163,
                         BLOCK = 164, KEY_RETURN = 165, KEY_DOWN = 166, KEY_BLANK = 167, DOWN_BUT = 168, UP_BUT = 169,
                         KEY_PTR = 170;
constexpr unsigned short POPUP_BUT = 180, POPUP_TEXT = 181, LOOK_PTR = 182, NORMAL = 183, OPEN = 184, READ_ONLY = 185;

struct Widget_pool : Recording_pool {
    Widget_pool()
    {
        for (int i = 0; i < Widget_list::NUM_ROWS; ++i) {
            std::string n = std::to_string(i);
            add(new VT::Container_obj(uint16_t(ROW0 + i), ("widget_list_" + n).c_str(), 100, 12, false));
            add(new VT::Output_string_obj(uint16_t(TEXT0 + i), ("widget_list_ostr_" + n).c_str(), 100, 12, 1, NULL_ID,
                                          0, NULL_ID, 0, "                    "));
            add(new VT::Button_obj(uint16_t(BUT0 + i), ("widget_list_but_" + n).c_str(), 100, 12, 0, 1, uint8_t(i),
                                   false));
        }
        add(new VT::Button_obj(LIST_BUT, "widget_list_but", 100, 120, 0, 1, 20, false));
        add(new VT::Linear_bar_graph_obj(BAR, "widget_list_scrollbar", 6, 120, 1, 0, 0, 0, 0, 100, NULL_ID, 0,
                                         NULL_ID, 0));
        add(new VT::Linear_bar_graph_obj(COVER, "widget_list_scrollcover", 6, 120, 0, 0, 0, 0, 0, 100, NULL_ID, 0,
                                         NULL_ID, 0));
        add(new VT::Rectangle_obj(BDR, "widget_list_scroll_bdr", NULL_ID, 8, 120, 0, NULL_ID));
        add(new VT::Container_obj(BLOCK, "widget_list", 110, 120, true));
        add(new VT::Key_obj(KEY_RETURN, "key_page_return", 0, 30));
        add(new VT::Key_obj(KEY_DOWN, "key_page_down", 0, 31));
        add(new VT::Key_obj(KEY_BLANK, "key_blank", 0, 32));
        add(new VT::Button_obj(DOWN_BUT, "widget_list_down_but", 10, 10, 0, 1, 33, false));
        add(new VT::Button_obj(UP_BUT, "widget_list_up_but", 10, 10, 0, 1, 34, false));
        add(new VT::Object_pointer_obj(KEY_PTR, "ptr_key_down_and_return", NULL_ID));
        add(new VT::Output_string_obj(POPUP_TEXT, "os_popup", 80, 12, 1, NULL_ID, 0, NULL_ID, 0,
                                      "                    "));
        add(new VT::Object_pointer_obj(LOOK_PTR, "ptr_popup_look", NULL_ID));
        add(new VT::Button_obj(POPUP_BUT, "button_popup", 80, 12, 0, 1, 40, false));
    }
};

// The application's list: its entries and the actions it saw.
struct Crops : List_interface {
    std::vector<std::string> items;
    std::vector<std::pair<unsigned, int>> events;
    int lstint_num_items() const override { return int(items.size()); }
    const char* lstint_item(int i) override { return items[size_t(i)].c_str(); }
    void lstint_handle_event(unsigned i, Event& ev) override { events.push_back({i, int(ev.code)}); }
    void fill(int n)
    {
        items.clear();
        for (int i = 0; i < n; ++i)
            items.push_back("crop " + std::to_string(i));
    }
};

class Clocked_list : public Widget_list {
public:
    Atime clock = Atime::now();

protected:
    Atime now() const override { return clock; }
};

// A window that hands every activator event to the widget.
class List_window : public Window {
public:
    Screen_man* get_man() override { return nullptr; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override
    {
        if (popup)
            return popup->handle_activator_event(a, ev) != 0;
        return list && list->handle_activator_event(a, ev);
    }
    Widget_list* list = nullptr;
    Stat_popup_list* popup = nullptr;
};

class Widget_list_fixture : public testing::Test {
protected:
    void SetUp() override
    {
        vt.start();
        window.list = &list;
    }
    void init(List_interface* provider)
    {
        ASSERT_TRUE(list.init(provider, &vt.pool, &col, &window));
        list.activate(true);
        vt.sent();
    }
    std::string row(int i) { return list.row_text(i).c_str(); }
    bool row_shown(int i) { return !vt.pool.find<VT::Container_obj>(uint16_t(ROW0 + i))->get_hidden(); }
    unsigned short key_in_force() { return vt.pool.find<VT::Object_pointer_obj>(KEY_PTR)->get_value(); }
    unsigned bar() { return vt.pool.find<VT::Linear_bar_graph_obj>(BAR)->get_value(); }
    unsigned cover() { return vt.pool.find<VT::Linear_bar_graph_obj>(COVER)->get_value(); }
    void button(unsigned short id, unsigned code)
    {
        Button_activation_event ev(code, id);
        window.window_handle_button_event(ev);
    }
    void soft_key(unsigned short id, unsigned code)
    {
        Soft_key_activation_event ev(code, id);
        window.window_handle_soft_key_event(ev, 0);
    }
    void select(unsigned short id)
    {
        VT_select_input_object_event ev(1, id);
        window.window_handle_select_input_event(ev);
    }

    Widget_pool vt;
    Stat_collector col;
    List_window window;
    Clocked_list list;
    Crops crops;
};

} // namespace

TEST_F(Widget_list_fixture, TheDummyListPagesAtZeroNineAndPullsTheLastPageBack)
{
    init(nullptr);
    EXPECT_EQ(list.tot_num_pages(), 3);
    EXPECT_TRUE(vt.pool.find<VT::Container_obj>(BLOCK)->get_hidden() == false);
    EXPECT_EQ(row(0), "dummy_0");
    EXPECT_EQ(key_in_force(), KEY_DOWN);
    const int firsts[] = {9, 17, 17};
    for (int expected : firsts) {
        button(DOWN_BUT, 0);
        EXPECT_EQ(list.get_first(), expected);
    }
    EXPECT_EQ(row(9), "dummy_26");
    // The texts go out with the collector's value pass.
    col.for_each([](Stat& st) { st.update_val(Stat::UPDATE_NORMAL); });
    EXPECT_EQ(std::string(vt.pool.find<VT::Output_string_obj>(TEXT0 + 9)->get_string()).substr(0, 8), "dummy_26");
    EXPECT_EQ(key_in_force(), KEY_RETURN);
    // The scroll border is 120 high: 118 usable; the last page reaches the end.
    EXPECT_EQ(bar(), 118u);
    EXPECT_EQ(cover(), 118u * 17 / 27);
    soft_key(KEY_RETURN, 1);  // pressed: taken, nothing moves
    EXPECT_EQ(list.get_first(), 17);
    soft_key(KEY_RETURN, 0);
    EXPECT_EQ(list.get_first(), 0);
    button(UP_BUT, 0);
    EXPECT_EQ(list.get_first(), 0);
}

TEST_F(Widget_list_fixture, PagesKeysAndScrollValuesFollowTheLength)
{
    const struct {
        int n;
        int pages;
        unsigned short key;
        unsigned bar, cover;
        int rows_shown;
    } rows[] = {
        {0, 0, KEY_BLANK, 118, 0, 0},
        {1, 1, KEY_BLANK, 118, 0, 1},
        {10, 1, KEY_BLANK, 118, 0, 10},
        {11, 2, KEY_DOWN, 118 * 10 / 11, 0, 10},
        {30, 4, KEY_DOWN, 118 * 10 / 30, 0, 10},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.n);
        Crops entries;
        entries.fill(r.n);
        List_window w;
        Stat_collector c;
        Widget_list l;
        ASSERT_TRUE(l.init(&entries, &vt.pool, &c, &w));
        l.activate(true);
        EXPECT_EQ(l.tot_num_pages(), r.pages);
        EXPECT_EQ(key_in_force(), r.key);
        EXPECT_EQ(bar(), r.bar);
        EXPECT_EQ(cover(), r.cover);
        int shown = 0;
        for (int i = 0; i < Widget_list::NUM_ROWS; ++i)
            shown += row_shown(i) ? 1 : 0;
        EXPECT_EQ(shown, r.rows_shown);
    }
    // Eleven entries: the second page is pulled back to 1 and offers the
    // way back to the top.
    crops.fill(11);
    init(&crops);
    button(DOWN_BUT, 0);
    EXPECT_EQ(list.get_first(), 1);
    EXPECT_EQ(key_in_force(), KEY_RETURN);
}

TEST_F(Widget_list_fixture, RowsReportToTheProviderAndTheEdgeRowScrollsOnlyAfterTheGuard)
{
    crops.fill(30);
    init(&crops);
    button(uint16_t(BUT0 + 3), 0);
    ASSERT_EQ(crops.events.size(), 1u);
    EXPECT_EQ(crops.events[0], (std::pair<unsigned, int>{3, List_interface::Event::RELEASED}));

    // Row 9 selected within 500 ms of the update: no scroll.
    select(uint16_t(BUT0 + 9));
    EXPECT_EQ(list.get_selected_row(), 9);
    select(LIST_BUT);
    EXPECT_EQ(list.get_first(), 0);
    // Later: selecting row 9 and then the list moves on by 9.
    list.clock = list.clock + 600;
    select(uint16_t(BUT0 + 9));
    select(LIST_BUT);
    EXPECT_EQ(list.get_first(), 9);
    EXPECT_EQ(list.get_selected_row(), -1);
}

TEST_F(Widget_list_fixture, PopupListOpensTheWidgetAndShowsTheChosenEntry)
{
    Stat_popup_list popup;
    window.popup = &popup;
    crops.fill(12);
    ASSERT_TRUE(popup.init(&col, &vt.pool, &crops, &window, vt.pool.find<VT::Object_pointer_obj>(LOOK_PTR), POPUP_BUT,
                           vt.pool.find<VT::Output_string_obj>(POPUP_TEXT), NORMAL, OPEN, READ_ONLY));
    popup.set_editable(true);
    auto* look = vt.pool.find<VT::Object_pointer_obj>(LOOK_PTR);
    EXPECT_EQ(look->get_value(), NORMAL);

    // ESC while closed goes to the widget, which does not take it.
    Window::Activator_event esc;
    esc.event = List_interface::Event::ESC;
    Window::Activator stranger;
    EXPECT_EQ(popup.handle_activator_event(stranger, esc), 0);

    button(POPUP_BUT, 0);
    EXPECT_TRUE(popup.is_open());
    EXPECT_EQ(look->get_value(), OPEN);
    EXPECT_FALSE(vt.pool.find<VT::Container_obj>(BLOCK)->get_hidden());
    button(uint16_t(BUT0 + 4), 0);
    EXPECT_FALSE(popup.is_open());
    EXPECT_EQ(look->get_value(), NORMAL);
    EXPECT_EQ(std::string(vt.pool.find<VT::Output_string_obj>(POPUP_TEXT)->get_string()).substr(0, 6), "crop 4");

    // Open again and ESC: closed, nothing chosen.
    button(POPUP_BUT, 0);
    EXPECT_EQ(popup.handle_activator_event(stranger, esc), 1);
    EXPECT_FALSE(popup.is_open());
    EXPECT_EQ(crops.events.size(), 1u);
    popup.set_editable(false);
    EXPECT_EQ(look->get_value(), READ_ONLY);
}

TEST_F(Widget_list_fixture, AChosenEntryUpdatesTheTextEvenWithoutALookPointer)
{
    Stat_popup_list popup;
    window.popup = &popup;
    crops.fill(3);
    ASSERT_TRUE(popup.init(&col, &vt.pool, &crops, &window, nullptr, POPUP_BUT,
                           vt.pool.find<VT::Output_string_obj>(POPUP_TEXT), NORMAL, OPEN, READ_ONLY));
    button(POPUP_BUT, 0);
    button(uint16_t(BUT0 + 2), 0);
    EXPECT_EQ(std::string(vt.pool.find<VT::Output_string_obj>(POPUP_TEXT)->get_string()).substr(0, 6), "crop 2");
}

TEST(Widget_list_alone, MissingTemplateObjectsLeaveTheListInactiveWithALine)
{
    Debug_capture capture;
    Recording_pool vt;
    vt.add(new VT::Container_obj(BLOCK, "widget_list", 110, 120, true));
    vt.start();
    Stat_collector col;
    List_window window;
    Widget_list list;
    window.list = &list;
    EXPECT_FALSE(list.init(nullptr, &vt.pool, &col, &window));
    EXPECT_FALSE(list.is_active());
    list.activate(true);
    list.advance_page(1);
    Window::Activator_event ev;
    EXPECT_FALSE(list.handle_activator_event(list, ev));
    EXPECT_EQ(list.tot_num_pages(), 0);
    EXPECT_EQ(col.count(), 0);
    EXPECT_TRUE(window.get_activators().empty());
    EXPECT_TRUE(vt.sent().empty());
    EXPECT_NE(capture.text().find("widget_list_but missing, list left inactive"), std::string::npos);
}
