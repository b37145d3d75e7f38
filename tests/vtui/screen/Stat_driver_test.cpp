// Each stat kind shown and edited through a scripted VT: events go in through
// the screen manager, and the test checks the commands the VT is sent and
// the value the screen stored. Edits by the soft-key input managers, element
// groups that show and hide together, and subscreens that take the keys only
// while they are open.
#include "vtui/pui/PUI_Widget.h"
#include "vtui/screen/Data_screen.h"
#include "vtui/screen/Element_group.h"
#include "vtui/screen/Global_stat_manager.h"
#include "vtui/screen/Subscreen.h"
#include "vtui/stat/Input_manager.h"
#include "vtui/stat/Stat_bool.h"
#include "vtui/stat/Stat_cycle_box.h"
#include "vtui/stat/Stat_list.h"
#include "vtui/stat/Stat_num.h"
#include "vtui/stat/Stat_string.h"

#include "glue/NV_store/NV_number.h"
#include "glue/NV_store/NV_root.h"
#include "glue/cds/Head.h"
#include "glue/diner/module_man.h"
#include "tests/support/vtui/Recording_pool.h"
#include "tests/support/vtui/Scripted_man.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using VT::Object_pool;

namespace {

constexpr unsigned short NULL_ID = Object_pool::NULL_ID;
constexpr unsigned short WS = 1, KEYS = 10, KEY_TICK = 11, KEY_CROSS = 12, KEY_INC = 13, KEY_DEC = 14,
                         EDIT_KEYS = 15, KEY_OPEN = 16, SUB_KEYS = 17, KEY_SUB = 18;
constexpr unsigned short PENCIL = 30, COMMON = 31, ITEMS = 40, RECT0 = 41, LA_UN = 46, LA_SEL = 47, FA = 48;
constexpr unsigned short MASK = 100, LIST = 50, LIST_VAR = 51, B_IN = 60, B_PTR = 61, B_T = 62, B_F = 63, S_IN = 70,
                         N_IN = 75, FONT = 27;
constexpr unsigned short SUB_CONTENT_PTR = 80, SUB_PLACE_PTR = 81, SUB_WIDGET = 82, SUB_TITLE = 83, SUB_ESC = 84,
                         SUB_ESC_TEXT = 85, SUB_CONTENT = 86, SUB_CONTENT2 = 87, TITLE_A = 88, SUB_BUTTON = 89;
constexpr int NUM_RECTS = 5;

// The screen's settings as the edits leave them.
struct Settings {
    int choice = -1;
    int flag = -1;
    std::string name = "?";
    double rate = -1;
};

// The VT side of the test: a mask with the stats' inputs, the edit keys,
// the pencil, the selection frames and the subscreen widget.
struct Driver_pool : Recording_pool {
    Driver_pool()
    {
        add(new VT::Working_set_obj(WS, "ws", 0, true, MASK));
        auto* keys = add(new VT::Soft_key_mask_obj(KEYS, "keys", 0));
        keys->add_key(KEY_OPEN);
        auto* edit = add(new VT::Soft_key_mask_obj(EDIT_KEYS, "key_mask_edit_number", 0));
        for (unsigned short k : {KEY_INC, KEY_DEC, KEY_TICK, KEY_CROSS})
            edit->add_key(k);
        add(new VT::Soft_key_mask_obj(SUB_KEYS, "sub_keys", 0))->add_key(KEY_SUB);
        const struct {
            unsigned short id;
            const char* name;
        } key_rows[] = {{KEY_TICK, "key_tick"},       {KEY_CROSS, "key_cross"}, {KEY_INC, "key_increment"},
                        {KEY_DEC, "key_decrement"},   {KEY_OPEN, "key_open"},   {KEY_SUB, "key_sub"}};
        for (const auto& k : key_rows)
            add(new VT::Key_obj(k.id, k.name, 0, uint8_t(k.id)));
        add(new VT::Font_attributes_obj(FONT, "font", 0, 1, 0, 0));
        add(new VT::Container_obj(PENCIL, "pencil", 8, 10, true));
        add(new VT::Container_obj(COMMON, "common_data_mask_items", 240, 240, false))->add_child(PENCIL, 0, 0);
        add(new VT::Line_attributes_obj(LA_UN, "la_unselected", 1, 1, 0xFFFF));
        add(new VT::Line_attributes_obj(LA_SEL, "la_selected", 2, 2, 0xFFFF));
        add(new VT::Fill_attributes_obj(FA, "fa_frame", 0, 0, NULL_ID));
        auto* items = add(new VT::Container_obj(ITEMS, "input_items_container", 240, 240, false));
        for (int i = 0; i < NUM_RECTS; ++i) {
            unsigned short id = uint16_t(RECT0 + i);
            add(new VT::Rectangle_obj(id, ("rec_frame" + std::to_string(i)).c_str(), i == 1 ? LA_SEL : LA_UN, 10,
                                      10, 0, NULL_ID));
            items->add_child(id, 0, 0);
        }
        auto* list = add(new VT::Input_list_obj(LIST, "il_choice", 60, 14, LIST_VAR, 0, true));
        for (int i = 0; i < 4; ++i)
            list->add_item(NULL_ID);
        add(new VT::Number_variable_obj(LIST_VAR, "nv_choice", 0));
        add(new VT::Input_boolean_obj(B_IN, "ib_flag", 1, 12, FONT, NULL_ID, 0, true));
        add(new VT::Object_pointer_obj(B_PTR, "ptr_flag", NULL_ID));
        add(new VT::Container_obj(B_T, "c_yes", 20, 12, false));
        add(new VT::Container_obj(B_F, "c_no", 20, 12, false));
        add(new VT::Input_string_obj(S_IN, "is_name", 96, 8, 1, FONT, NULL_ID, 1, NULL_ID, 0, "            ", true));
        add(new VT::Input_number_obj(N_IN, "in_rate", 40, 12, 1, FONT, 1, NULL_ID, 0, 0, 0xFFFFFFFF, 0, 1.0f, 0, 0, 2,
                                     true));
        auto* mask = add(new VT::Data_mask_obj(MASK, "mask_edit", 0, KEYS));
        mask->add_child(COMMON, 0, 0);
        mask->add_child(ITEMS, 5, 5);
        mask->add_child(LIST, 20, 30);
        mask->add_child(B_PTR, 20, 50);
        mask->add_child(S_IN, 20, 70);
        mask->add_child(N_IN, 20, 90);
        mask->add_child(SUB_PLACE_PTR, 0, 120);
        // The subscreen widget.
        add(new VT::Object_pointer_obj(SUB_CONTENT_PTR, "ptr_sub_screen_content", NULL_ID));
        add(new VT::Object_pointer_obj(SUB_PLACE_PTR, "ptr_subscreen", SUB_WIDGET));
        add(new VT::Container_obj(SUB_WIDGET, "widget_sub_screen", 200, 100, true))->add_child(SUB_CONTENT_PTR, 0, 0);
        add(new VT::Output_string_obj(SUB_TITLE, "widget_sub_screen_title", 100, 10, 1, FONT, 0, NULL_ID, 0, ""));
        add(new VT::Output_string_obj(SUB_ESC, "widget_sub_screen_esc_msg", 100, 10, 1, FONT, 0, NULL_ID, 0, ""));
        add(new VT::String_variable_obj(SUB_ESC_TEXT, "ts_subscr_esc_str", "ESC closes"));
        add(new VT::Container_obj(SUB_CONTENT, "c_sub_content", 100, 50, false));
        add(new VT::Container_obj(SUB_CONTENT2, "c_sub_content2", 100, 50, false));
        add(new VT::String_variable_obj(TITLE_A, "ts_title_a", "Title A"));
        add(new VT::Button_obj(SUB_BUTTON, "button_open_sub", 20, 20, 0, 1, 30, false));
    }
};

// A subscreen that records the soft keys it takes.
class Test_subscreen : public Subscreen {
public:
    bool soft_key_operation(Soft_key_activation_event& ev, unsigned) override
    {
        keys.push_back(ev.object_id());
        return true;
    }
    std::vector<unsigned short> keys;
};

// An element group bound to one live-data-store field, shown by a number
// stat on an output of its own.
struct Block {
    int level;
};

// A number stat on the test's time line when it is given one.
class Clocked_num : public Stat_num {
public:
    const Atime* clock = nullptr;

protected:
    Atime now() const override { return clock ? *clock : Stat_num::now(); }
};

class Level_group : public UI::Element_group_member {
public:
    Level_group(Window* w, unsigned char flags, CDS::Head& head, Block& block)
        : Element_group_member(w, flags), access(*this, CDS::Access_base(&head, head.offset_of(&block.level), 4)),
          block(block), head(head)
    {
    }
    void init_hook(Screen_man&) override { ++inits; }
    void handle_cds_change(CDS_access&) override
    {
        int v;
        head.read(&v, &block.level, 4);
        value.set_val(v);
        ++changes;
    }
    Clocked_num value;
    CDS_access access;
    Block& block;
    CDS::Head& head;
    int inits = 0;
    int changes = 0;
};

// The screen under test: its stats write the settings; while an input
// manager edits a stat the soft keys and timeouts go to the manager.
class Edit_screen : public Data_screen {
public:
    using Data_screen::Data_screen;
    bool init(VT::Object_pool* p, NV_kelsu::parameters_t* params) override
    {
        bool ok = Data_screen::init(p, p->find<VT::Data_mask_obj>("mask_edit"), params, nullptr, 0);
        list.init(&stats, p->find<VT::Input_list_obj>(LIST), nullptr, p, false);
        flag.init(&stats, p->find<VT::Object_pointer_obj>(B_PTR), p->find<VT::Input_boolean_obj>(B_IN),
                  p->find<VT::VT_obj>(B_T), p->find<VT::VT_obj>(B_F), nullptr, nullptr);
        name.init(&stats, p->find<VT::Input_string_obj>(S_IN), p, 0);
        name.set_editable(true);
        list.set_editable(true);
        Stat_num_format f(Units_man::UNITS_NONE, 0.5, 1);
        rate.init(&stats, p->find<VT::Input_number_obj>(N_IN), 0, f, f, nullptr, 1000, 0, p, nullptr);
        rate.set_editable(true);
        sub.init(p, SUB_BUTTON, SUB_CONTENT, TITLE_A, SUB_KEYS, this, "sub_a", true);
        sub2.init(p, NULL_ID, SUB_CONTENT2, TITLE_A, NULL_ID, this, "sub_b", false);
        add_subscreen(&sub);
        add_subscreen(&sub2);
        open_key.init(this, KEY_OPEN, NULL_ID);
        return ok;
    }
    void on_subscreen_deactivated() override { ++subscreens_closed; }
    // A group made by a test leaves the window before it ends.
    void drop_group(UI::Element_group_node* n) { groups.remove(n); }
    bool handle_activator_event(Activator& a, Activator_event& ev) override
    {
        if (&a == &open_key && ev.event == List_interface::Event::PRESSED)
            keys_seen.push_back(KEY_OPEN);
        return true;
    }
    void handle_soft_key_event(Soft_key_activation_event& ev, unsigned hold) override
    {
        if (editor)
            editor->handle_soft_key_event(ev, hold);
    }
    bool send_timeout(Timeout& t) override { return editor && editor->handle_timeout(t); }
    bool handle_stat_list_update(Stat_list* s) override
    {
        settings.choice = s->get_item();
        return true;
    }
    bool handle_stat_bool_update(Stat_bool* s) override
    {
        settings.flag = s->get() ? 1 : 0;
        return true;
    }
    bool handle_stat_string_update(Stat_string* s) override
    {
        settings.name = s->c_str();
        return true;
    }
    bool handle_stat_num_update(Stat_num* s) override
    {
        settings.rate = s->get_val();
        return true;
    }
    // Opens the soft-key edit of a stat placed on the mask at (x, y).
    void edit(Stat& s, int x, int y)
    {
        editor = Input_manager_broker::instance().get_input_manager(
            this, data_mask, pool->find<VT::Container_obj>(COMMON), &s, x, y, &get_man()->get_decorations(), 0);
    }

    Settings settings;
    Stat_list list;
    Stat_bool flag;
    Stat_string name;
    Stat_num rate;
    Test_subscreen sub, sub2;
    Activator open_key;
    std::vector<unsigned short> keys_seen;
    Input_manager* editor = nullptr;
    int subscreens_closed = 0;
};

class Driver_fixture : public testing::Test {
protected:
    void SetUp() override
    {
        vt.start();
        man.set_default_screen_name("edit");
        ASSERT_TRUE(man.init(&vt.pool, params(), &ui, &ui.get_waiter(), &units));
        ASSERT_TRUE(Input_manager_broker::instance().init(&vt.pool));
        ASSERT_EQ(man.get_current_screen(), &screen);
        vt.sent();
    }
    static NV_kelsu::parameters_t* params()
    {
        static int settings_stand_in;
        return reinterpret_cast<NV_kelsu::parameters_t*>(&settings_stand_in);
    }
    void vt_event(VT_event::id_t id, uint32_t first, uint32_t second)
    {
        waiter_event e(0, first, intptr_t(second));
        man.send_vt_event(id, e, true);
    }
    void string_event(unsigned short id, const std::string& text)
    {
        waiter_event e(0, id, intptr_t(text.size()));
        e.set_extended_data(reinterpret_cast<const uint8_t*>(text.data()), uint32_t(text.size()));
        man.send_vt_event(VT_event::INPUT_STRING_VALUE, e, true);
    }
    void key(unsigned short id, unsigned code)
    {
        waiter_event e(0, code, id);
        man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, e, true);
    }
    // Every command sent since the last call, as "function:id=value" (text
    // for strings).
    std::vector<std::string> commands()
    {
        std::vector<std::string> out;
        for (const Vt_cmd& c : vt.sent()) {
            char buf[64];
            if (c.function == Recording_pool::CHANGE_STRING_VALUE)
                std::snprintf(buf, sizeof buf, "str:%u='%s'", unsigned(c.id), c.text.c_str());
            else if (c.function == Recording_pool::CHANGE_NUMERIC_VALUE)
                std::snprintf(buf, sizeof buf, "num:%u=%u", unsigned(c.id), unsigned(c.value));
            else if (c.function == Recording_pool::CHANGE_SOFT_KEY_MASK)
                std::snprintf(buf, sizeof buf, "keys:%u=%u", unsigned(c.id), unsigned(c.value));
            else if (c.function == Recording_pool::HIDE_SHOW)
                std::snprintf(buf, sizeof buf, "%s:%u", c.value ? "show" : "hide", unsigned(c.id));
            else if (c.function == Recording_pool::CHANGE_ATTRIBUTE)
                std::snprintf(buf, sizeof buf, "attr:%u.%d=%u", unsigned(c.id), c.aid, unsigned(c.value));
            else
                std::snprintf(buf, sizeof buf, "%02X:%u", unsigned(c.function), unsigned(c.id));
            out.push_back(buf);
        }
        return out;
    }

    Driver_pool vt;
    module_man mm;
    Recording_ui ui{&mm};
    Units_man units;
    Scripted_man man{stat_man};
    Global_stat_manager stat_man{"stat_man", &man};
    Edit_screen screen{"edit", &man};
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(Driver_fixture, VtValueChangesReachTheirStatAndTheSettings)
{
    const struct {
        const char* what;
        VT_event::id_t id;
        uint32_t first, second;
        const char* text;
        Strings commands;
        int choice, flag;
        const char* name;
    } rows[] = {
        {"list item 2", VT_event::CHANGE_NUMERIC_VALUE, LIST_VAR, 2, nullptr, {"num:51=2"}, 2, -1, "?"},
        // An index beyond the four items names none: held at the count, the
        // choice stays.
        {"list index 9", VT_event::CHANGE_NUMERIC_VALUE, LIST_VAR, 9, nullptr, {"num:51=4"}, 2, -1, "?"},
        {"bool on", VT_event::CHANGE_NUMERIC_VALUE, B_IN, 1, nullptr, {"num:61=62"}, 2, 1, "?"},
        {"bool off", VT_event::CHANGE_NUMERIC_VALUE, B_IN, 0, nullptr, {"num:61=63"}, 2, 0, "?"},
        {"name", VT_event::INPUT_STRING_VALUE, S_IN, 0, "Oats  ", {"str:70='Oats        '"}, 2, 0, "Oats"},
        // Longer than the field: cut to its twelve characters.
        {"long name", VT_event::INPUT_STRING_VALUE, S_IN, 0, "Winter wheat early sowing",
         {"str:70='Winter wheat'"}, 2, 0, "Winter wheat"},
        {"unbound object", VT_event::CHANGE_NUMERIC_VALUE, 999, 1, nullptr, {}, 2, 0, "Winter wheat"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        if (r.text)
            string_event(uint16_t(r.first), r.text);
        else
            vt_event(r.id, r.first, r.second);
        EXPECT_EQ(commands(), r.commands);
        EXPECT_EQ(screen.settings.choice, r.choice);
        EXPECT_EQ(screen.settings.flag, r.flag);
        EXPECT_EQ(screen.settings.name, r.name);
    }
}

TEST_F(Driver_fixture, EditableStatsGetFramesAndBooleansNone)
{
    screen.update_stat_decorations();
    Stat_decorations& d = man.get_decorations();
    // List, string and number: three frames, the boolean has none.
    ASSERT_EQ(d.get_in_use(), 3);
    EXPECT_EQ(d.get_item(0).stat, &screen.list);
    EXPECT_EQ(d.get_item(1).stat, &screen.name);
    EXPECT_EQ(d.get_item(2).stat, &screen.rate);
    auto* items = vt.pool.find<VT::Container_obj>(ITEMS);
    EXPECT_EQ(items->num_children(), 3);
    // Frame of the list: line width 2 -> margin 8, placed 2 + 2 + offset 5
    // up and left of the list.
    EXPECT_EQ(items->get_child_x(0), 20 - (2 + 5 + 2));
    EXPECT_EQ(items->get_child_y(0), 30 - (2 + 5 + 2));
    unsigned short w, h;
    d.get_item(0).frame->get_size(w, h);
    EXPECT_EQ(w, 60 + 8);
    EXPECT_EQ(h, 14 + 8);
    EXPECT_GE(vt.pool.pending_uploads(), 1);
    // The page shown again as it was: the VT holds its frames already.
    for (VT::VT_obj* up = nullptr; vt.pool.take_upload(up);)
        vt.pool.upload_done();
    screen.update_stat_decorations();
    EXPECT_EQ(vt.pool.pending_uploads(), 0) << "the frames' container went again unchanged";

    // The VT focuses the string input: its frame takes the selected look.
    vt.sent();
    vt_event(VT_event::SELECT_INPUT_OBJECT, 1, S_IN);
    EXPECT_EQ(d.get_item(1).frame->get_line_attributes(), LA_SEL);
    vt_event(VT_event::SELECT_INPUT_OBJECT, 0, S_IN);
    EXPECT_EQ(d.get_item(1).frame->get_line_attributes(), LA_UN);
}

// A container with more frames than the decorations hold is framed only as
// far as they go.
TEST(Stat_decorations_alone, AContainerOfMoreFramesThanItemsIsCapped)
{
    Recording_pool vt;
    vt.add(new VT::Line_attributes_obj(LA_UN, "la_unselected", 1, 1, 0xFFFF));
    auto* items = vt.add(new VT::Container_obj(ITEMS, "input_items_container", 240, 240, false));
    const int frames = Stat_decorations::MAX_ITEMS + 5;
    for (int i = 0; i < frames; ++i) {
        const unsigned short id = uint16_t(RECT0 + 100 + i);
        vt.add(new VT::Rectangle_obj(id, ("rec_frame" + std::to_string(i)).c_str(), LA_UN, 10, 10, 0, NULL_ID));
        items->add_child(id, 0, 0);
    }
    Stat_decorations d;
    ASSERT_TRUE(d.init(&vt.pool));
    EXPECT_EQ(d.get_in_use(), Stat_decorations::MAX_ITEMS);
    EXPECT_EQ(d.find_item(RECT0), nullptr);
    d.edit(nullptr);
    EXPECT_EQ(d.get_edited(), nullptr);
}

TEST_F(Driver_fixture, SoftKeyEditOfAListStepsCommitsAndCancels)
{
    screen.update_stat_decorations();
    screen.list.set_item(1);
    screen.edit(screen.list, 20, 30);
    Strings c = commands();
    EXPECT_NE(std::find(c.begin(), c.end(), "keys:100=15"), c.end());
    const struct {
        unsigned short key;
        unsigned code;
        int item;
        int stored;
    } rows[] = {
        {KEY_INC, 1, 2, 2}, {KEY_INC, 0, 2, 2}, {KEY_INC, 3, 3, 3}, {KEY_INC, 1, 3, 3}, {KEY_DEC, 1, 2, 2},
    };
    for (const auto& r : rows) {
        key(r.key, r.code);
        EXPECT_EQ(screen.list.get_item(), r.item);
        EXPECT_EQ(screen.settings.choice, r.stored);
    }
    EXPECT_FALSE(screen.is_edit_clean());
    key(KEY_CROSS, 1);  // back to the item the edit started from
    EXPECT_EQ(screen.list.get_item(), 1);
    EXPECT_EQ(screen.settings.choice, 1);
    EXPECT_TRUE(screen.is_edit_clean());
    c = commands();
    EXPECT_NE(std::find(c.begin(), c.end(), "keys:100=10"), c.end());

    screen.edit(screen.list, 20, 30);
    key(KEY_INC, 1);
    key(KEY_TICK, 1);
    EXPECT_EQ(screen.settings.choice, 2);
}

TEST_F(Driver_fixture, SoftKeyEditOfABoolAndANumber)
{
    screen.edit(screen.flag, 20, 50);
    key(KEY_INC, 1);
    EXPECT_EQ(screen.settings.flag, 1);
    EXPECT_EQ(vt.pool.find<VT::Object_pointer_obj>(B_PTR)->get_value(), B_T);
    key(KEY_CROSS, 1);
    EXPECT_EQ(screen.settings.flag, 0);

    screen.rate.set_val(10);
    screen.edit(screen.rate, 20, 90);
    // (code, wait ms, value after): the first hold restarts the clock, held
    // keys step only from 1 s on, and from 1.5 s two steps at a time.
    const struct {
        unsigned code;
        int wait_ms;
        double value;
    } rows[] = {{1, 0, 10.5}, {2, 500, 10.5}, {2, 500, 10.5}, {2, 500, 11.0}, {2, 500, 12.0}};
    for (const auto& r : rows) {
        man.advance(r.wait_ms);
        key(KEY_INC, r.code);
        EXPECT_DOUBLE_EQ(screen.rate.get_val(), r.value) << "after " << r.wait_ms;
    }
    key(KEY_TICK, 1);
    EXPECT_DOUBLE_EQ(screen.settings.rate, 12.0);
}

TEST(Input_manager_number, AccelerationFollowsTheHoldTime)
{
    const double cases[][2] = {{0, 1}, {1000, 1}, {1300, 1}, {1500, 2.455}, {2000, 4.67}, {5000, 40.1}};
    for (const auto& c : cases)
        EXPECT_NEAR(Input_manager_number::acceleration(unsigned(c[0])), c[1], 0.01) << c[0];
}

TEST_F(Driver_fixture, MultiTapTypesTextOnTheSoftKeys)
{
    // The string editor's keys, with all seven letter keys and three of the
    // number keys.
    Driver_pool& p = vt;
    unsigned short id = 500;
    auto* control = p.add(new VT::Soft_key_mask_obj(id++, "key_mask_edit_string_control", 0));
    (void)control;
    p.add(new VT::Soft_key_mask_obj(id++, "key_mask_edit_string_letter", 0));
    p.add(new VT::Soft_key_mask_obj(id++, "key_mask_edit_string_number", 0));
    p.add(new VT::Soft_key_mask_obj(id++, "key_mask_edit_string_symbol", 0));
    unsigned short letters[7];
    for (int i = 0; i < 7; ++i) {
        letters[i] = id;
        p.add(new VT::Key_obj(id++, ("key_edit_letter" + std::to_string(i + 1)).c_str(), 0, 40));
    }
    for (int i = 0; i < 3; ++i)
        p.add(new VT::Key_obj(id++, ("key_edit_number" + std::to_string(i + 1)).c_str(), 0, 50));
    const unsigned short space = id++, backspace = id++;
    p.add(new VT::Key_obj(space, "key_edit_space", 0, 60));
    p.add(new VT::Key_obj(backspace, "key_edit_backspace", 0, 61));
    Input_manager_broker& broker = Input_manager_broker::instance();
    ASSERT_TRUE(broker.init(&vt.pool));
    const auto& letter_set = broker.string.get_set(0);
    EXPECT_STREQ(letter_set.key_chars[0], "ABC");
    EXPECT_STREQ(letter_set.key_chars[2], "GHIJ");
    EXPECT_STREQ(letter_set.key_chars[6], "WXYZ");
    const auto& number_set = broker.string.get_set(1);
    EXPECT_STREQ(number_set.key_chars[0], "012");
    EXPECT_STREQ(number_set.key_chars[2], "6789");

    screen.name = "";
    screen.edit(screen.name, 20, 70);
    ASSERT_EQ(screen.editor, &broker.string);
    // (key, wait before it in ms, text after)
    const struct {
        unsigned short key;
        int wait;
        const char* text;
    } rows[] = {
        {letters[0], 0, "A"},   {letters[0], 100, "B"}, {letters[0], 100, "C"},   {letters[0], 100, "A"},
        // Another key: the next position at once.
        {letters[1], 100, "AD"},
        // After 2 s without a tap the cursor has moved on.
        {letters[1], 2100, "ADD"}, {letters[1], 0, "ADE"}, {space, 2100, "ADE "}, {backspace, 0, "ADE"},
        {backspace, 0, "AD"},
    };
    for (const auto& r : rows) {
        man.advance(r.wait);
        key(r.key, 1);
        key(r.key, 0);
        EXPECT_STREQ(screen.name.c_str(), r.text) << "key " << r.key << " after " << r.wait;
    }
    key(KEY_TICK, 1);
    EXPECT_EQ(screen.settings.name, "AD");

    // Cross: the text the edit started from comes back.
    screen.edit(screen.name, 20, 70);
    key(letters[6], 1);
    EXPECT_STREQ(screen.name.c_str(), "ADW");
    key(KEY_CROSS, 1);
    EXPECT_STREQ(screen.name.c_str(), "AD");
}

TEST_F(Driver_fixture, TheCursorNeverPassesTheLastPosition)
{
    Input_manager_broker& broker = Input_manager_broker::instance();
    vt.add(new VT::Key_obj(600, "key_edit_space", 0, 60));
    vt.add(new VT::Key_obj(601, "key_edit_backspace", 0, 61));
    ASSERT_TRUE(broker.init(&vt.pool));
    screen.name = "";
    screen.edit(screen.name, 20, 70);
    key(601, 1);  // backspace at 0: nothing
    EXPECT_EQ(broker.string.get_cursor(), 0);
    for (int i = 0; i < 20; ++i)
        key(600, 1);
    EXPECT_EQ(broker.string.get_cursor(), 11);
    EXPECT_EQ(std::string(screen.name.c_str()), std::string(11, ' '));
}

// ---- element groups ----

namespace {
class Group_fixture : public Driver_fixture {
protected:
    Group_fixture() : head(&mm, reinterpret_cast<unsigned long>(&block)) {}
    void SetUp() override
    {
        Driver_fixture::SetUp();
        vt.add(new VT::Output_number_obj(700, "on_level_a", 40, 12, 1, FONT, 0, NULL_ID, 0, 0, 1.0f, 0, 0, 2));
        vt.add(new VT::Output_number_obj(701, "on_level_b", 40, 12, 1, FONT, 0, NULL_ID, 0, 0, 1.0f, 0, 0, 2));
        Stat_num_format f;
        a.value.init(&a.get_stats(), vt.pool.find<VT::Output_number_obj>(700), 0, f, f, nullptr, Stat_num::RAW_MAX, 0,
                     &vt.pool, nullptr);
        b.value.init(&b.get_stats(), vt.pool.find<VT::Output_number_obj>(701), 0, f, f, nullptr, Stat_num::RAW_MAX, 0,
                     &vt.pool, nullptr);
        vt.sent();
    }
    // Delivers the store's change events as the UI module does.
    void deliver()
    {
        waiter_event e;
        while (ui.get_waiter().get_event(&e, Atime::now()) == 0)
            if (e.module_id == head.get_virt_access_id())
                CDS::Virt_access::from_event_code(e.code)->handle_event();
    }
    // The values the VT was sent for the two outputs.
    std::vector<unsigned short> outputs_sent()
    {
        std::vector<unsigned short> out;
        for (const Vt_cmd& c : vt.sent())
            if (c.function == Recording_pool::CHANGE_NUMERIC_VALUE && (c.id == 700 || c.id == 701))
                out.push_back(c.id);
        return out;
    }
    void write(int v)
    {
        head.write(&block.level, &v, 4);
        deliver();
    }

    Block block{};
    CDS::Head head;
    Level_group a{&screen, UI::Element_group_node::WHILE_SHOWN, head, block};
    Level_group b{&screen, 0, head, block};
};
} // namespace

TEST_F(Group_fixture, GroupsShowAndHideTogetherAndFollowTheStoreOnlyWhileActive)
{
    EXPECT_EQ(screen.get_groups().count(), 2);
    write(3);  // nobody listens yet
    for (UI::Element_group_node* n = screen.get_groups().first(); n; n = screen.get_groups().next(n))
        n->get_group().activate(man);
    EXPECT_EQ(outputs_sent(), (std::vector<unsigned short>{700, 701}));
    write(5);
    EXPECT_EQ(a.value.get_val(), 5);
    EXPECT_EQ(b.value.get_val(), 5);
    EXPECT_EQ(outputs_sent(), (std::vector<unsigned short>{700, 701}));

    // The screen's deactivation hides both; the store no longer reaches them.
    screen.window_deactivate();
    EXPECT_FALSE(a.is_active());
    EXPECT_FALSE(b.is_active());
    write(9);
    EXPECT_EQ(a.value.get_val(), 5);
    EXPECT_TRUE(outputs_sent().empty());

    // Shown again: fresh values at once; set-up ran once only.
    a.activate(man);
    b.activate(man);
    EXPECT_EQ(a.value.get_val(), 9);
    EXPECT_EQ(a.inits, 1);
    EXPECT_EQ(b.inits, 1);
}

TEST_F(Group_fixture, AGroupThatEndsWhileActiveHearsNoMoreChanges)
{
    a.activate(man);
    {
        Level_group gone{nullptr, 0, head, block};
        gone.value.init(&gone.get_stats(), vt.pool.find<VT::Output_number_obj>(701), 0, Stat_num_format(),
                        Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0, &vt.pool, nullptr);
        gone.activate(man);
    }
    // The store wakes the group that is still there, and nobody else.
    int v = 4;
    head.write(&block.level, &v, 4);
    std::vector<CDS::Virt_access*> woken;
    waiter_event e;
    while (ui.get_waiter().get_event(&e, Atime::now()) == 0)
        if (e.module_id == head.get_virt_access_id())
            woken.push_back(CDS::Virt_access::from_event_code(e.code));
    ASSERT_EQ(woken, (std::vector<CDS::Virt_access*>{&a.access}));
    woken.front()->handle_event();
    EXPECT_EQ(a.value.get_val(), 4);
    a.deactivate(man);
}

// A group of the shown screen takes part in the screen's value passes: a
// value held back by its stat's interval goes with a later pass.
TEST_F(Group_fixture, AGroupValueHeldBackByItsIntervalGoesWithALaterPass)
{
    Level_group paced{&screen, UI::Element_group_node::WHILE_SHOWN, head, block};
    paced.value.clock = &man.clock;
    paced.value.init(&paced.get_stats(), vt.pool.find<VT::Output_number_obj>(700), 1000, Stat_num_format(),
                     Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0, &vt.pool, nullptr);
    paced.activate(man);
    write(5);
    EXPECT_EQ(outputs_sent(), (std::vector<unsigned short>{700}));
    write(6);  // just after that push: held back
    man.send_val_updates();  // as the UI module does after a store change
    EXPECT_TRUE(outputs_sent().empty());
    EXPECT_FALSE(screen.get_values_complete());
    man.advance(1000);
    EXPECT_EQ(outputs_sent(), (std::vector<unsigned short>{700}));
    EXPECT_EQ(paced.value.get_val(), 6);
    paced.deactivate(man);
    screen.drop_group(&paced);
}

// A change of units reaches the stats of the groups of every screen.
TEST_F(Group_fixture, AChangeOfUnitsReachesTheGroupStats)
{
    Level_group length{&screen, UI::Element_group_node::WHILE_SHOWN, head, block};
    const Stat_num_format f(Units_man::UNITS_DISTANCE, 1.0, 0);
    auto* out = vt.pool.find<VT::Output_number_obj>(700);
    length.value.init(&length.get_stats(), out, 0, f, f, nullptr, Stat_num::RAW_MAX, 0, &vt.pool, nullptr);
    length.activate(man);
    EXPECT_FLOAT_EQ(out->get_scale(), 1.0f);
    VT::Locale_info imperial;
    imperial.language.set("en");
    imperial.distance = 1;
    units.configure(imperial);
    man.set_units(units);
    EXPECT_FLOAT_EQ(out->get_scale(), 3.2808399f);
    length.deactivate(man);
    screen.drop_group(&length);
}

namespace {
struct Rate_settings : NV_store::NV_root {
    explicit Rate_settings(module_man* mm) : NV_root(mm, 0, "PS") {}
    NV_store::NV_number<int, Data_item::ITEM_INT> rate{this, 1, 0, "rate"};
};

// A summary group: one live value and one setting.
class Summary_group : public Level_group {
public:
    Summary_group(Window* w, CDS::Head& head, Block& block, NV_store::NV_item& setting)
        : Level_group(w, 0, head, block), nv(*this)
    {
        nv.init(setting);
    }
    void handle_nv_change(NV_access&) override { ++nv_changes; }
    NV_access nv;
    int nv_changes = 0;
};
} // namespace

TEST_F(Group_fixture, AHiddenSummaryStillFollowsItsSettingsButNotTheStore)
{
    Rate_settings settings(&mm);
    Summary_group g(nullptr, head, block, settings.rate);
    auto deliver_settings = [&] {
        waiter_event e;
        while (ui.get_waiter().get_event(&e, Atime::now()) == 0) {
            if (NV_store::Virt_access* a = NV_store::NV_root::event_listener(&settings, e))
                a->handle_event();
            else if (e.module_id == head.get_virt_access_id())
                CDS::Virt_access::from_event_code(e.code)->handle_event();
        }
    };
    g.show_summary(man);
    EXPECT_EQ(g.nv_changes, 1);  // the initial pass
    int cds_before = g.changes;
    g.hide_summary(man);
    settings.rate.set(12);
    int v = 5;
    head.write(&block.level, &v, 4);
    deliver_settings();
    EXPECT_EQ(g.nv_changes, 2);
    EXPECT_EQ(g.changes, cds_before);
    // Shown again: both registered (the setting once only).
    g.show_summary(man);
    settings.rate.set(13);
    deliver_settings();
    EXPECT_EQ(g.nv_changes, 4);  // the initial pass and the change
    g.deactivate(man);
}

TEST_F(Group_fixture, GroupInputReachesItsStats)
{
    auto* in = vt.add(new VT::Input_list_obj(710, "il_group", 40, 12, NULL_ID, 0, true));
    for (int i = 0; i < 3; ++i)
        in->add_item(NULL_ID);
    Stat_list l;
    ASSERT_TRUE(l.init(&a.get_stats(), in, nullptr, &vt.pool, false));
    a.activate(man);
    vt_event(VT_event::CHANGE_NUMERIC_VALUE, 710, 2);
    EXPECT_EQ(l.get_item(), 2);
    a.get_stats().remove(&l);
}

TEST(Element_group_death, CriticalFailEndsWithAFailureCode)
{
    EXPECT_EXIT(UI::Element_group::critical_fail("no pool object\n"), testing::ExitedWithCode(1), "");
}

// ---- subscreens ----

TEST_F(Driver_fixture, ASubscreenTakesTheKeysOnlyWhileItIsOpen)
{
    key(KEY_SUB, 1);
    key(KEY_OPEN, 1);
    EXPECT_TRUE(screen.sub.keys.empty());
    EXPECT_EQ(screen.keys_seen.size(), 1u);

    // Its button on the owner's mask opens it.
    vt_event(VT_event::BUTTON_ACTIVATION, 1, SUB_BUTTON);
    ASSERT_EQ(man.get_current_subscreen(), &screen.sub);
    Strings c = commands();
    for (const char* expected : {"num:81=82", "num:80=86", "show:82", "attr:83.6=88", "keys:100=17", "attr:84.6=85"})
        EXPECT_NE(std::find(c.begin(), c.end(), expected), c.end()) << expected;
    key(KEY_SUB, 1);
    key(KEY_OPEN, 1);
    EXPECT_EQ(screen.sub.keys, (std::vector<unsigned short>{KEY_SUB, KEY_OPEN}));
    EXPECT_EQ(screen.keys_seen.size(), 1u);

    // ESC closes it; the keys go to the screen again with its own mask.
    vt_event(VT_event::ESC, 1, 0);
    EXPECT_EQ(man.get_current_subscreen(), nullptr);
    c = commands();
    for (const char* expected : {"num:80=65535", "hide:82", "keys:100=10"})
        EXPECT_NE(std::find(c.begin(), c.end(), expected), c.end()) << expected;
    key(KEY_OPEN, 1);
    EXPECT_EQ(screen.keys_seen.size(), 2u);
    EXPECT_EQ(screen.sub.keys.size(), 2u);
}

TEST_F(Driver_fixture, ASecondSubscreenStacksTheFirstAndGivesItBackOnClose)
{
    ASSERT_TRUE(screen.sub.activate());
    ASSERT_TRUE(screen.sub2.activate());
    EXPECT_EQ(man.get_current_subscreen(), &screen.sub2);
    EXPECT_EQ(man.get_subscreen_stack().peek(), &screen.sub);
    // The first override is kept: the mask still has the sub's keys saved.
    EXPECT_EQ(screen.get_saved_key_mask(), KEYS);
    EXPECT_EQ(vt.pool.find<VT::Object_pointer_obj>(SUB_CONTENT_PTR)->get_value(), SUB_CONTENT2);
    EXPECT_EQ(screen.sub2.get_esc_string(), NULL_ID);
    ASSERT_TRUE(screen.sub2.deactivate());
    EXPECT_EQ(man.get_current_subscreen(), &screen.sub);
    EXPECT_EQ(vt.pool.find<VT::Object_pointer_obj>(SUB_CONTENT_PTR)->get_value(), SUB_CONTENT);
    EXPECT_EQ(vt.pool.find<VT::Data_mask_obj>(MASK)->get_soft_key_mask(), SUB_KEYS);
    // Leaving the screen closes every subscreen.
    ASSERT_TRUE(man.deactivate(&screen));
    EXPECT_EQ(man.get_current_subscreen(), nullptr);
    EXPECT_EQ(vt.pool.find<VT::Data_mask_obj>(MASK)->get_soft_key_mask(), KEYS);
}

TEST_F(Driver_fixture, GoingBackToTheScreenShownClosesItsSubscreens)
{
    ASSERT_TRUE(screen.sub.activate());
    ASSERT_TRUE(screen.sub2.activate());
    EXPECT_TRUE(man.go_back_to_screen(&screen, true));
    EXPECT_EQ(man.get_current_subscreen(), nullptr);
    EXPECT_TRUE(man.get_subscreen_stack().empty());
    EXPECT_EQ(screen.subscreens_closed, 1);
    EXPECT_EQ(vt.pool.find<VT::Data_mask_obj>(MASK)->get_soft_key_mask(), KEYS);
    EXPECT_EQ(man.get_current_screen(), &screen);
}

namespace {
// A second screen on the same mask that records the subscreens closed on it.
class Plain_screen : public Data_screen {
public:
    using Data_screen::Data_screen;
    bool init(VT::Object_pool* p, NV_kelsu::parameters_t* params) override
    {
        return Data_screen::init(p, p->find<VT::Data_mask_obj>("mask_edit"), params, nullptr, 0);
    }
    void on_subscreen_deactivated() override { ++subscreens_closed; }
    int subscreens_closed = 0;
};

class Two_screens : public Driver_fixture {
protected:
    Plain_screen other{"other", &man};
};
} // namespace

// Leaving for another screen by going back or removing every screen closes
// the open subscreens while their owner is still the screen shown.
TEST_F(Two_screens, LeavingForAnotherScreenClosesTheSubscreensOfTheOneShown)
{
    for (bool remove_all : {false, true}) {
        SCOPED_TRACE(remove_all ? "remove_all_screens" : "go_back_to_screen");
        ASSERT_TRUE(man.switch_to_screen(&screen));
        ASSERT_TRUE(screen.sub.activate());
        screen.subscreens_closed = other.subscreens_closed = 0;
        EXPECT_TRUE(remove_all ? man.remove_all_screens(&other) : man.go_back_to_screen(&other, true));
        EXPECT_EQ(man.get_current_screen(), &other);
        EXPECT_EQ(man.get_current_subscreen(), nullptr);
        EXPECT_EQ(screen.subscreens_closed, 1);
        EXPECT_EQ(other.subscreens_closed, 0);
    }
}

TEST(Subscreen_alone, WithoutInitNothingOpens)
{
    Subscreen s;
    EXPECT_FALSE(s.activate());
    EXPECT_FALSE(s.deactivate());
    EXPECT_STREQ(s.get_name(), "UNNAMED");
}

// ---- cycle boxes ----

namespace {
struct Crop_list : Item_provider {
    std::vector<std::string> items;
    int current = 0, saved = 0, commits = 0;
    void previous_item() override { current = items.empty() ? 0 : (current + int(items.size()) - 1) % int(items.size()); }
    const char* current_item_text() override { return items.empty() ? nullptr : items[size_t(current)].c_str(); }
    void next_item() override { current = items.empty() ? 0 : (current + 1) % int(items.size()); }
    void commit() override { ++commits; }
    void backup() override { saved = current; }
    void restore() override { current = saved; }
    unsigned short no_items_string_id() override { return 905; }
};

class Cycle_fixture : public Driver_fixture {
protected:
    void SetUp() override
    {
        Driver_fixture::SetUp();
        vt.add(new VT::Output_string_obj(900, "cycle_box_text", 120, 12, 1, FONT, 0, NULL_ID, 0,
                                         std::string(32, ' ').c_str()));
        vt.add(new VT::Object_pointer_obj(901, "ptr_widget_buttons", NULL_ID));
        vt.add(new VT::Container_obj(902, "widget_cycle_box_encoder", 10, 10, false));
        vt.add(new VT::Container_obj(903, "container_buttons_cycle_helper", 10, 10, false));
        vt.add(new VT::Container_obj(904, "widget_cycle_box_disabled", 10, 10, false));
        vt.add(new VT::String_variable_obj(905, "sv_no_crops", "no crops"));
        vt.add(new VT::Output_string_obj(906, "os_no_items_text", 120, 12, 1, FONT, 0, NULL_ID, 0, ""));
        vt.add(new VT::Button_obj(907, "button_widget_cycle", 20, 20, 0, 1, 70, false));
        for (int i = 0; i < 3; ++i)
            vt.add(new VT::Button_obj(uint16_t(910 + i), ("button_cycle_helper_" + std::to_string(i + 1)).c_str(), 20,
                                      20, 0, 1, uint8_t(71 + i), false));
        ASSERT_TRUE(box.init(&col, &vt.pool, &crops, &screen));
        vt.sent();
    }
    int event(List_interface::Event::event_t e)
    {
        Window::Activator_event ev;
        ev.event = e;
        return box.handle_activator_event(box.get_activator(), ev);
    }
    int esc()
    {
        Window::Activator other;
        Window::Activator_event ev;
        ev.event = List_interface::Event::ESC;
        return box.handle_activator_event(other, ev);
    }
    std::string shown() { return vt.pool.find<VT::Output_string_obj>(900)->get_string(); }
    unsigned short look() { return vt.pool.find<VT::Object_pointer_obj>(901)->get_value(); }

    Crop_list crops;
    Stat_collector col;
    Stat_cycle_box box;
};
} // namespace

TEST_F(Cycle_fixture, WithoutItemsTheBoxShowsDashesPaddedTo32)
{
    box.show();
    EXPECT_EQ(shown(), "---" + std::string(29, ' '));
    EXPECT_EQ(vt.pool.find<VT::Output_string_obj>(906)->get_variable_reference(), 905);
    crops.items = {"A crop name far longer than thirty-two characters"};
    box.show();
    EXPECT_EQ(shown(), "A crop name far longer than thir");
}

TEST_F(Cycle_fixture, AReleaseStepsWhenIncrementOnReleaseIsSet)
{
    crops.items = {"Wheat", "Barley", "Canola"};
    box.activate();
    EXPECT_EQ(event(List_interface::Event::RELEASED), 1);
    EXPECT_EQ(shown().substr(0, 6), "Barley");
    EXPECT_EQ(look(), 902);  // the encoder never opens
    EXPECT_EQ(esc(), 0);     // not editing: ESC is not the box's
}

TEST_F(Cycle_fixture, TheEncoderEditsAndEscRestores)
{
    crops.items = {"Wheat", "Barley", "Canola"};
    box.set_increment_on_release(false);
    box.set_editable(true);
    EXPECT_EQ(look(), 902);
    EXPECT_EQ(event(List_interface::Event::RELEASED), 1);
    EXPECT_EQ(look(), 903);
    box.increment();
    EXPECT_EQ(shown().substr(0, 6), "Barley");
    EXPECT_EQ(esc(), 1);
    EXPECT_EQ(look(), 902);
    EXPECT_EQ(shown().substr(0, 5), "Wheat");
    EXPECT_EQ(crops.commits, 0);
    box.set_editable(false);
    EXPECT_EQ(look(), 904);
}

// ---- PUI widgets ----

namespace {
class Number_rows : public UI::PUI::Client {
public:
    int get_num_items() override { return 20; }
    void get_item_setup(unsigned char, UI::PUI::Item_setup& s) override { s.type = UI::PUI::ITEM_NUMBER; }
    bool get_number_setup(unsigned char, UI::PUI::Number_setup& ns, bool) override
    {
        ns.show_units = false;
        return true;
    }
};
} // namespace

TEST_F(Driver_fixture, TheManagerHandsButtonsToItsWidgetsFirst)
{
    auto* next = vt.add(new VT::Button_obj(950, "button_pui_next", 30, 20, 0, 1, 90, false));
    UI::PUI::Widget w(UI::PUI::Limits(), &vt.pool);
    ASSERT_TRUE(w.init(&vt.pool, nullptr, vt.pool.find<VT::Font_attributes_obj>(FONT), nullptr, nullptr, nullptr,
                       nullptr, next, nullptr, nullptr, nullptr, nullptr, nullptr));
    Number_rows rows;
    Stat_collector col;
    rows.init(&col, nullptr, 240, 240);
    w.set_client(&rows);
    w.draw();
    int last = w.get_last();
    ASSERT_LT(last, 19);
    UI::PUI::Widget* widgets[] = {&w};
    man.init_pui_widgets(widgets, 1);
    vt_event(VT_event::BUTTON_ACTIVATION, 0, 950);
    EXPECT_EQ(w.get_first(), last + 1);
    man.init_pui_widgets(nullptr, 0);
    col.remove(&rows);
}
