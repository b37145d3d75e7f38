// The self-laying-out widget on a recording pool: pool sizes, measuring and
// column widths, pages with their buttons and keys, items of every kind
// handed out of the pools and drawn, input reaching the client, and rebuilds
// that reuse the objects the widget made once.
#include "vtui/pui/PUI_Widget.h"
#include "vtui/stat/Stat_user.h"

#include "tests/support/debug_capture.h"
#include "tests/support/vtui/Recording_pool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace UI::PUI;
using VT::Object_pool;

namespace {

constexpr unsigned short NULL_ID = Object_pool::NULL_ID;
constexpr unsigned short FONT = 10, LA_SEL = 11, LA_UNSEL = 12, FA_SEL = 13, FA_UNSEL = 14, NEXT_BUT = 15,
                         FIRST_BUT = 16, NEXT_KEY = 17, FIRST_KEY = 18, KEY_PTR = 19, CONT_PTR = 20;

// One row as the test client describes it.
struct Row {
    int type = ITEM_PLAIN;
    std::string pre;
    bool editable = false;
    int group = 0;
    Number_setup number;
    int list_count = 0;
    int string_length = 10;
    Container_setup container;
};

class Test_client : public Client {
public:
    explicit Test_client(Object_pool& pool) : pool(pool) {}
    std::vector<Row> rows;      // the top-level items first, then sub-items
    int top_level = -1;         // -1: every row is top-level
    std::vector<std::pair<int, double>> values;
    std::vector<std::unique_ptr<VT::String_variable_obj>> owned;

    // A string variable of the pool with this text.
    VT::String_variable_obj* text(const std::string& s)
    {
        for (auto& v : vars)
            if (v.first == s)
                return v.second;
        char name[32];
        std::snprintf(name, sizeof name, "tv%zu", vars.size());
        auto* v = new VT::String_variable_obj(uint16_t(1000 + vars.size()), name, s.c_str());
        EXPECT_TRUE(pool.add_object(v));
        vars.push_back({s, v});
        return v;
    }

    int get_num_items() override { return top_level < 0 ? int(rows.size()) : top_level; }
    void get_item_setup(unsigned char iid, Item_setup& s) override
    {
        if (iid >= rows.size())
            return;
        const Row& r = rows[iid];
        s.type = r.type;
        s.pre_string = r.pre.empty() ? nullptr : text(r.pre);
        s.editable = r.editable;
        s.group = uint8_t(r.group);
    }
    bool get_number_setup(unsigned char iid, Number_setup& ns, bool) override
    {
        if (iid >= rows.size() || rows[iid].type != ITEM_NUMBER)
            return false;
        ns = rows[iid].number;
        return true;
    }
    bool get_list_setup(unsigned char iid, List_setup& ls, bool) override
    {
        if (iid >= rows.size() || rows[iid].type != ITEM_LIST)
            return false;
        ls.count = rows[iid].list_count;
        return true;
    }
    VT::String_variable_obj* get_list_item(unsigned char, int i) override { return text("entry " + std::to_string(i)); }
    bool get_string_setup(unsigned char iid, String_setup& ss, bool) override
    {
        if (iid >= rows.size() || rows[iid].type != ITEM_STRING)
            return false;
        ss.length = rows[iid].string_length;
        ss.text = "abc";
        return true;
    }
    bool get_container_setup(unsigned char iid, Container_setup& cs, bool) override
    {
        if (iid >= rows.size() || rows[iid].type != ITEM_CONTAINER)
            return false;
        cs = rows[iid].container;
        return true;
    }
    bool handle_value_update(unsigned char iid, double v) override
    {
        values.push_back({iid, v});
        return true;
    }

private:
    Object_pool& pool;
    std::vector<std::pair<std::string, VT::String_variable_obj*>> vars;
};

class Paced_widget : public Widget {
public:
    using Widget::Widget;
    int waits = 0;

protected:
    void pace_wait() override { ++waits; }
};

class PUI_fixture : public testing::Test {
protected:
    void SetUp() override
    {
        font = vt.add(new VT::Font_attributes_obj(FONT, "font", 0, 1, 0, 0));  // 8 x 8 cells
        sel = vt.add(new VT::Line_attributes_obj(LA_SEL, "la_sel", 1, 2, 0xFFFF));
        unsel = vt.add(new VT::Line_attributes_obj(LA_UNSEL, "la_unsel", 1, 1, 0xFFFF));
        fsel = vt.add(new VT::Fill_attributes_obj(FA_SEL, "fa_sel", 1, 3, NULL_ID));
        funsel = vt.add(new VT::Fill_attributes_obj(FA_UNSEL, "fa_unsel", 1, 0, NULL_ID));
        next_but = vt.add(new VT::Button_obj(NEXT_BUT, "but_next", 30, 20, 0, 1, 1, false));
        first_but = vt.add(new VT::Button_obj(FIRST_BUT, "but_first", 30, 20, 0, 1, 2, false));
        next_key = vt.add(new VT::Key_obj(NEXT_KEY, "key_next", 0, 3));
        first_key = vt.add(new VT::Key_obj(FIRST_KEY, "key_first", 0, 4));
        key_ptr = vt.add(new VT::Object_pointer_obj(KEY_PTR, "ptr_keys", NULL_ID));
        cont_ptr = vt.add(new VT::Object_pointer_obj(CONT_PTR, "ptr_widget", NULL_ID));
        vt.start();
    }
    bool init(Widget& w)
    {
        return w.init(&vt.pool, nullptr, font, sel, unsel, fsel, funsel, next_but, first_but, next_key, first_key,
                      key_ptr, cont_ptr);
    }
    // The object shown in child `i` of the widget container.
    unsigned short child(Widget& w, int i) { return w.get_container()->get_child_id(i); }
    int count_objects()
    {
        int n = 0;
        for (unsigned id = 0; id < 0xFFFF; ++id)
            n += vt.pool.find<VT::VT_obj>(uint16_t(id)) ? 1 : 0;
        return n;
    }

    Recording_pool vt;
    VT::Font_attributes_obj* font = nullptr;
    VT::Line_attributes_obj *sel = nullptr, *unsel = nullptr;
    VT::Fill_attributes_obj *fsel = nullptr, *funsel = nullptr;
    VT::Button_obj *next_but = nullptr, *first_but = nullptr;
    VT::Key_obj *next_key = nullptr, *first_key = nullptr;
    VT::Object_pointer_obj *key_ptr = nullptr, *cont_ptr = nullptr;
    Stat_collector col;
};

} // namespace

TEST(PUI_limits, ListCapacitiesCountFromTheLastList)
{
    Limits d;
    EXPECT_EQ(d.max_rows, 16);
    const int expected[] = {4, 6, 8, 21};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(d.list_size(i), expected[i]);
    EXPECT_EQ(d.list_size(4), 0);
    EXPECT_EQ(d.list_size(-1), 0);
    Limits six(16, 8, 3, 16, 5, 6, 10, 3);
    EXPECT_EQ(six.list_size(0), 4);
    EXPECT_EQ(six.list_size(2), 4);
    EXPECT_EQ(six.list_size(5), 21);
    six.set_list_size(0, 30);
    six.set_list_size(9, 30);  // outside: nothing
    Limits copy(six);
    EXPECT_EQ(copy.list_size(0), 30);
    EXPECT_EQ(copy.list_size(5), 21);
    Limits none(16, 8, 3, 16, 5, 0, 10, 3);
    EXPECT_EQ(none.list_size(0), 0);
}

TEST_F(PUI_fixture, AMissingFontLeavesTheWidgetInactiveWithALine)
{
    Debug_capture capture;
    Widget w(Limits(), &vt.pool);
    EXPECT_FALSE(w.init(&vt.pool, nullptr, nullptr, sel, unsel, fsel, funsel, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr));
    EXPECT_FALSE(w.is_active());
    Test_client c(vt.pool);
    c.rows.resize(3);
    w.set_client(&c);
    w.draw();  // nothing happens, nothing breaks
    EXPECT_EQ(c.get_widget(), nullptr);
    EXPECT_NE(capture.text().find("widget left inactive"), std::string::npos);
}

TEST_F(PUI_fixture, TwentyRowsPageWithTheButtonInTheLastSlot)
{
    Widget w(Limits(), &vt.pool);
    ASSERT_TRUE(init(w));
    EXPECT_EQ(cont_ptr->get_value(), w.get_container()->get_id());
    Test_client c(vt.pool);
    c.init(nullptr, nullptr, 240, 480);
    // One-line number rows (the pool has 16 of them).
    for (int i = 0; i < 20; ++i) {
        Row r;
        r.type = ITEM_NUMBER;
        r.number.show_units = false;
        r.pre = "row " + std::to_string(i);
        c.rows.push_back(r);
    }
    w.set_client(&c);
    EXPECT_EQ(w.get_border(), 4);
    w.draw();
    EXPECT_EQ(w.get_first(), 0);
    EXPECT_EQ(w.get_last(), 14);
    for (int i = 0; i < 15; ++i)
        EXPECT_NE(w.get_row(i), nullptr) << i;
    EXPECT_EQ(w.get_row(15), nullptr);
    // The next-page button sits in the last slot at the bottom right.
    EXPECT_EQ(child(w, 31), NEXT_BUT);
    int W = 240 - 8, H = 480 - 8;
    EXPECT_EQ(w.get_container()->get_child_x(31), W - 30);
    EXPECT_EQ(w.get_container()->get_child_y(31), H - 20);
    EXPECT_EQ(key_ptr->get_value(), NEXT_KEY);

    // A press is taken but moves nothing; the release pages on.
    Button_activation_event press(1, NEXT_BUT), release(0, NEXT_BUT);
    EXPECT_TRUE(w.send_button_event(press));
    EXPECT_EQ(w.get_first(), 0);
    EXPECT_TRUE(w.send_button_event(release));
    EXPECT_EQ(w.get_first(), 15);
    EXPECT_EQ(w.get_last(), 19);
    // The last page offers the way back to the first.
    EXPECT_EQ(child(w, 31), FIRST_BUT);
    EXPECT_EQ(key_ptr->get_value(), FIRST_KEY);
    Soft_key_activation_event back(0, FIRST_KEY);
    EXPECT_TRUE(w.send_soft_key_event(back, 0));
    EXPECT_EQ(w.get_first(), 0);
    Button_activation_event other(0, 999);
    EXPECT_FALSE(w.send_button_event(other));
}

TEST_F(PUI_fixture, ColumnsTakeTheirMaximumWhenTheyFitAndGrowByWeightWhenNot)
{
    Widget w(Limits(), &vt.pool);
    ASSERT_TRUE(init(w));
    stat_group_t s;
    s.count = 2;
    s.field[FIELD_PRE] = {20, 60, 80, 40};
    s.field[FIELD_VALUE] = {30, 50, 80, 20};
    // Without a client the border is 2: the area is the design width - 4.
    const struct {
        unsigned design_width;
        bool fits;
        int pre_width, value_x, value_width;
    } rows[] = {
        // 236 wide: the maximum widths fit.
        {240, true, 60, 65, 50},
        // 104 wide: 104 - (20 + 5 + 30) = 49 spare; pre grows by
        // 40 x 49 / 60 = 32, value by 20 x 49 / 60 = 16; the pixel left over
        // grows nothing more.
        {108, true, 52, 57, 46},
        // 36 wide: even the minimum widths do not fit and stay.
        {40, false, 20, 25, 30},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.design_width);
        Test_client c(vt.pool);
        c.init(nullptr, nullptr, r.design_width, 240);
        c.set_widget(&w);
        geometry_t geo;
        EXPECT_EQ(w.optimise_width(c, s, geo), r.fits);
        EXPECT_EQ(geo.field[FIELD_PRE].width, r.pre_width);
        EXPECT_EQ(geo.field[FIELD_VALUE].x, r.value_x);
        EXPECT_EQ(geo.field[FIELD_VALUE].width, r.value_width);
        c.set_widget(nullptr);
    }
}

TEST_F(PUI_fixture, ListsAreHandedOutByCapacity)
{
    Widget w(Limits(), &vt.pool);
    ASSERT_TRUE(init(w));
    Test_client c(vt.pool);
    c.init(nullptr, nullptr, 240, 240);
    for (int i = 0; i < 4; ++i) {
        Row r;
        r.type = ITEM_LIST;
        r.list_count = 5;
        c.rows.push_back(r);
    }
    Row big;
    big.type = ITEM_LIST;
    big.list_count = 30;
    c.rows.push_back(big);
    w.set_client(&c);
    // Through a draw: three rows get lists of 6, 8 and 21; the fourth none.
    w.draw();
    ASSERT_NE(w.get_row(0), nullptr);
    EXPECT_EQ(static_cast<List*>(w.get_row(0))->get_capacity(), 6);
    EXPECT_EQ(static_cast<List*>(w.get_row(1))->get_capacity(), 8);
    EXPECT_EQ(static_cast<List*>(w.get_row(2))->get_capacity(), 21);
    EXPECT_EQ(w.get_row(3), nullptr);
    EXPECT_EQ(w.get_last(), 2);
    // Thirty entries: the capacity-21 list, when free.
    w.free_all_items();
    List* l = w.get_free_list(c, 4);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->get_capacity(), 21);
}

TEST_F(PUI_fixture, ValueFieldsMeasureAsTheirKindSays)
{
    Widget w(Limits(), &vt.pool);
    ASSERT_TRUE(init(w));
    Test_client c(vt.pool);
    c.init(nullptr, nullptr, 240, 240);
    Row num;
    num.type = ITEM_NUMBER;
    num.number.format[0] = num.number.format[1] = Stat_num_format(Units_man::UNITS_NONE, 0.1, 1);
    num.number.min = -1500;
    num.number.max = 100;
    Row str;
    str.type = ITEM_STRING;
    str.string_length = 10;
    c.rows = {num, str};
    w.set_client(&c);
    Item_setup s(font);
    s.type = ITEM_NUMBER;
    int mn = -1, mx = -1;
    Item::get_field_width(FIELD_VALUE, c, 0, s, mn, mx);
    EXPECT_EQ(mx, 7 * 8);  // "-1500.0"
    EXPECT_EQ(mn, 7 * 8);
    s.type = ITEM_STRING;
    EXPECT_EQ(Item::get_field_height(FIELD_VALUE, c, 1, s, 4 * 8), 8 * 3);  // 10 x 5 / 16 rows
    Item::get_field_width(FIELD_VALUE, c, 1, s, mn, mx);
    EXPECT_EQ(mx, 80);
    EXPECT_EQ(mn, 24);
    EXPECT_EQ(Number::digits(-1500), 5);
    EXPECT_EQ(Number::digits(9.99), 1);
}

TEST_F(PUI_fixture, ContainersShareTheirColumnAndFindTheirSubItems)
{
    EXPECT_EQ(Container::compute_sub_field_width(70, 40, 100, 10, 40), 10 + 30 * 30 / 60);
    EXPECT_EQ(Container::compute_sub_field_width(30, 40, 100, 10, 40), 10);
    EXPECT_EQ(Container::compute_sub_field_width(70, 40, 40, 10, 10), 10);

    Widget w(Limits(), &vt.pool);
    ASSERT_TRUE(init(w));
    Test_client c(vt.pool);
    c.init(nullptr, nullptr, 240, 240);
    Row cont;
    cont.type = ITEM_CONTAINER;
    cont.pre = "pair";
    cont.container = {2, 2, 4};
    Row empty;
    empty.type = ITEM_CONTAINER;
    empty.pre = "none";
    Row a, b;
    a.type = ITEM_NUMBER;
    b.type = ITEM_STRING;
    c.rows = {cont, empty, a, b};
    c.top_level = 2;
    w.set_client(&c);
    w.draw();
    auto* row = dynamic_cast<Container*>(w.get_row(0));
    ASSERT_NE(row, nullptr);
    Item_setup s(font);
    s.type = ITEM_CONTAINER;
    EXPECT_EQ(row->search_for_iid(0, c, 0, s), row);
    EXPECT_EQ(row->search_for_iid(3, c, 0, s), row->get_sub_item(1));
    EXPECT_NE(row->get_sub_item(1), nullptr);
    EXPECT_EQ(w.get_item_from_cid(3), row->get_sub_item(1));
    // The empty container: no value width, its sub-item children dummy.
    int mn = -1, mx = -1;
    EXPECT_TRUE(Container::value_width(c, 1, mn, mx));
    EXPECT_EQ(mx, 0);
    auto* none = dynamic_cast<Container*>(w.get_row(1));
    ASSERT_NE(none, nullptr);
    auto* sub = vt.pool.find<VT::Container_obj>(none->get_item_obj());
    ASSERT_NE(sub, nullptr);
    for (int k = 0; k < Container::ITEM_MAX_OBJS; ++k)
        EXPECT_EQ(sub->get_child_id(k), Widget::get_dummy_oid());
}

TEST_F(PUI_fixture, OperatorInputReachesTheClientThroughTheRowsBinding)
{
    Widget w(Limits(), &vt.pool);
    ASSERT_TRUE(init(w));
    Test_client c(vt.pool);
    c.init(nullptr, nullptr, 240, 240);
    Row num;
    num.type = ITEM_NUMBER;
    num.editable = true;
    num.number.format[0] = num.number.format[1] = Stat_num_format(Units_man::UNITS_NONE, 1.0, 0);
    num.number.value = 3;
    Row flag;
    flag.type = ITEM_BOOL;
    flag.editable = true;
    c.rows = {num, flag};
    w.set_client(&c);
    w.draw();
    auto* number = dynamic_cast<Number*>(w.get_row(0));
    ASSERT_NE(number, nullptr);
    EXPECT_DOUBLE_EQ(number->get_binding().get_val(), 3);
    unsigned short in = number->get_binding().get_in_object_id();
    ASSERT_TRUE(c.can_update_from_id(in));
    Stat_user user;
    auto* input = vt.pool.find<VT::Input_number_obj>(in);
    ASSERT_NE(input, nullptr);
    auto vt_value = unsigned(std::lround(7.0 / double(input->get_scale()) - double(input->get_offset())));
    EXPECT_TRUE(c.update_from_input(vt_value, &user));
    ASSERT_FALSE(c.values.empty());
    EXPECT_EQ(c.values.back().first, 0);
    EXPECT_DOUBLE_EQ(c.values.back().second, 7);

    // Focus on the value: its rectangle takes the selected look.
    c.handle_select_input(in, true);
    EXPECT_EQ(w.get_rectangle(0)->get_line_attributes(), LA_SEL);
    EXPECT_EQ(w.get_rectangle(1)->get_line_attributes(), LA_UNSEL);
    c.handle_select_input(in, false);
    EXPECT_EQ(w.get_rectangle(0)->get_line_attributes(), LA_UNSEL);
}

TEST_F(PUI_fixture, ARebuildReusesTheObjectsMadeOnce)
{
    int before = count_objects();
    {
        Paced_widget w(Limits(), &vt.pool);
        int made = count_objects() - before;
        EXPECT_GT(made, 100);
        ASSERT_TRUE(init(w));
        Test_client c(vt.pool);
        c.init(nullptr, nullptr, 240, 240);
        for (int type : {ITEM_PLAIN, ITEM_NUMBER, ITEM_BOOL, ITEM_LIST, ITEM_STRING}) {
            Row r;
            r.type = type;
            r.pre = "field";
            r.list_count = 3;
            r.editable = true;
            c.rows.push_back(r);
        }
        w.set_client(&c);
        w.draw();
        int after_draw = count_objects();
        vt.pool.flush_commands();
        // The same page again: nothing new, nothing sent.
        w.draw();
        EXPECT_EQ(count_objects(), after_draw);
        EXPECT_TRUE(vt.sent().empty());
        EXPECT_EQ(vt.pool.pending_uploads(), 0);
        // Another client shape: the same objects are laid out again.
        c.rows.resize(2);
        w.set_client(&c);
        w.draw();
        EXPECT_EQ(count_objects(), after_draw);
        EXPECT_EQ(w.get_row(2), nullptr);
        // A paced select waits between the line and the fill change.
        w.select_rectangle(0, true);
        EXPECT_EQ(w.waits, 1);
    }
    // The widget is gone; its objects stay with the pool, which frees them.
    EXPECT_GT(count_objects(), before);
}
