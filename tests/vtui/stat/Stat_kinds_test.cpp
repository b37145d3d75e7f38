// The list, string, indicator and bool stats on a running client pool whose
// change commands are recorded: stepping and choosing list items, string
// pushes and edits (over-long texts included), indicator clients and the
// looks of boolean values.
#include "vtui/stat/Stat_bool.h"
#include "vtui/stat/Stat_indicator.h"
#include "vtui/stat/Stat_list.h"
#include "vtui/stat/Stat_string.h"
#include "vtui/stat/Stat_user.h"

#include "tests/support/vtui/Recording_pool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using VT::Object_pool;

namespace {

constexpr unsigned short NULL_ID = Object_pool::NULL_ID;
constexpr unsigned short LIST = 100, LIST_VAR = 101, LIST_PTR = 102, ITEM0 = 110, FONT = 27;
constexpr unsigned short S_IN = 120, S_OUT = 121, S_VAR = 122, S_PTR = 123;
constexpr unsigned short B_PTR = 130, B_IN = 131, B_T = 132, B_F = 133, B_TRO = 134, B_FRO = 135;

struct Recording_user : Stat_user {
    std::vector<Stat*> updates;
    bool handle_stat_update(Stat* s) override
    {
        updates.push_back(s);
        return true;
    }
};

// A string stat on a clock the test moves.
class Clocked_string : public Stat_string {
public:
    using Stat_string::operator=;
    Atime clock = Atime::now();

protected:
    Atime now() const override { return clock; }
};

class Stat_kinds_fixture : public testing::Test {
protected:
    void SetUp() override
    {
        vt.add(new VT::Font_attributes_obj(FONT, "font", 0, 2, 0, 0));
        list = vt.add(new VT::Input_list_obj(LIST, "il_choice", 60, 14, NULL_ID, 0, true));
        for (unsigned short i = 0; i < 5; ++i) {
            list->add_item(uint16_t(ITEM0 + i));
            vt.add(new VT::Output_string_obj(uint16_t(ITEM0 + i), ("os_item" + std::to_string(i)).c_str(), 60, 14,
                                             1, FONT, 0, NULL_ID, 0, "item"));
        }
        list_ptr = vt.add(new VT::Object_pointer_obj(LIST_PTR, "ptr_choice", NULL_ID));
        s_in = vt.add(new VT::Input_string_obj(S_IN, "is_name", 80, 12, 1, FONT, NULL_ID, 1, NULL_ID, 0,
                                                "                    ", true));
        s_out = vt.add(new VT::Output_string_obj(S_OUT, "os_name", 80, 12, 1, FONT, 0, NULL_ID, 0,
                                                 "                    "));
        s_var = vt.add(new VT::String_variable_obj(S_VAR, "sv_name", "", 20));
        s_ptr = vt.add(new VT::Object_pointer_obj(S_PTR, "ptr_name", NULL_ID));
        b_ptr = vt.add(new VT::Object_pointer_obj(B_PTR, "ptr_flag", NULL_ID));
        b_in = vt.add(new VT::Input_boolean_obj(B_IN, "ib_flag", 1, 12, FONT, NULL_ID, 0, true));
        b_t = vt.add(new VT::Container_obj(B_T, "c_yes", 30, 12, false));
        b_f = vt.add(new VT::Container_obj(B_F, "c_no", 24, 16, false));
        b_tro = vt.add(new VT::Container_obj(B_TRO, "c_yes_ro", 30, 12, false));
        b_fro = vt.add(new VT::Container_obj(B_FRO, "c_no_ro", 24, 16, false));
        vt.start();
    }

    Recording_pool vt;
    Stat_collector col;
    Recording_user user;
    VT::Input_list_obj* list = nullptr;
    VT::Object_pointer_obj* list_ptr = nullptr;
    VT::Input_string_obj* s_in = nullptr;
    VT::Output_string_obj* s_out = nullptr;
    VT::String_variable_obj* s_var = nullptr;
    VT::Object_pointer_obj* s_ptr = nullptr;
    VT::Object_pointer_obj* b_ptr = nullptr;
    VT::Input_boolean_obj* b_in = nullptr;
    VT::Container_obj *b_t = nullptr, *b_f = nullptr, *b_tro = nullptr, *b_fro = nullptr;
};

} // namespace

TEST_F(Stat_kinds_fixture, ListStepsWrapOneLapOrStopAtTheEnds)
{
    const struct {
        bool wrap;
        unsigned short from;
        bool up;
        unsigned short n;
        unsigned short expected;
    } cases[] = {
        {false, 3, true, 3, 4}, {true, 3, true, 3, 1}, {true, 3, true, 9, 0}, {false, 1, false, 2, 0},
        {true, 1, false, 2, 4}, {true, 1, false, 9, 0}, {false, 0, true, 0, 0}, {true, 4, true, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "wrap " << c.wrap << " from " << c.from << (c.up ? " +" : " -") << c.n);
        Stat_list s;
        ASSERT_TRUE(s.init(&col, list, nullptr, &vt.pool, c.wrap));
        ASSERT_TRUE(s.set_item(c.from));
        vt.sent();
        EXPECT_EQ(c.up ? s.increment(c.n) : s.decrement(c.n), c.expected);
        EXPECT_EQ(s.get_item(), c.expected);
        auto sent = Recording_pool::of(vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, LIST);
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back().value, c.expected);
        col.remove(&s);
    }
}

TEST_F(Stat_kinds_fixture, AnEmptyListStaysAtItemZero)
{
    auto* empty = vt.add(new VT::Input_list_obj(150, "il_empty", 10, 10, NULL_ID, 0, true));
    Stat_list s;
    ASSERT_TRUE(s.init(&col, empty, nullptr, &vt.pool, true));
    EXPECT_EQ(s.increment(3), 0);
    EXPECT_EQ(s.decrement(1), 0);
    EXPECT_FALSE(s.set_item(0));
}

TEST_F(Stat_kinds_fixture, ListIndexesFromTheVtAreRangeChecked)
{
    auto* var = vt.add(new VT::Number_variable_obj(LIST_VAR, "nv_choice", 2));
    list->set_variable_reference(LIST_VAR);
    Stat_list s;
    ASSERT_TRUE(s.init(&col, list, nullptr, &vt.pool, false));
    EXPECT_EQ(s.get_item(), 2);
    // (VT index, stored in the variable, current after)
    const unsigned cases[][3] = {{3, 3, 3}, {5, 5, 3}, {70000, 5, 3}, {0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_TRUE(s.update_from_input(c[0], &user));
        EXPECT_EQ(var->get_value(), c[1]);
        EXPECT_EQ(s.get_item(), c[2]);
    }
    EXPECT_EQ(user.updates.size(), 4u);
}

TEST_F(Stat_kinds_fixture, AListWhoseVariableIsMissingStaysOutOfTheCollector)
{
    list->set_variable_reference(999);
    Stat_list s;
    EXPECT_FALSE(s.init(&col, list, nullptr, &vt.pool, false));
    EXPECT_EQ(col.count(), 0);
}

TEST_F(Stat_kinds_fixture, AReadOnlyListShowsTheChosenItemAndAnEditableOneTheList)
{
    Stat_list s;
    ASSERT_TRUE(s.init(&col, list, list_ptr, &vt.pool, false));
    s.set_editable(false);
    ASSERT_TRUE(s.set_item(3));
    EXPECT_EQ(list_ptr->get_value(), ITEM0 + 3);
    s.set_editable(true);
    EXPECT_EQ(list_ptr->get_value(), LIST);
    ASSERT_TRUE(s.set_item(1));
    EXPECT_EQ(list_ptr->get_value(), LIST);
    EXPECT_FALSE(s.set_item(5));
    EXPECT_EQ(s.get_item(), 1);
}

TEST_F(Stat_kinds_fixture, RunTimeListObjectsJoinThePoolWithFreshIds)
{
    Stat_list a, b;
    ASSERT_TRUE(a.dyn_create_objects(&vt.pool, 4, true, true));
    ASSERT_TRUE(a.dyn_init(&vt.pool, &col));
    ASSERT_TRUE(b.dyn_create_objects(&vt.pool, 300, false, false));
    ASSERT_TRUE(b.dyn_init(&vt.pool, &col));
    ASSERT_NE(a.get_list(), nullptr);
    EXPECT_EQ(std::string(a.get_list()->get_name()).rfind("SlL", 0), 0u);
    EXPECT_EQ(a.get_list()->get_variable_reference(), a.get_var_id());
    EXPECT_NE(a.get_object_id(), b.get_object_id());
    EXPECT_EQ(a.get_item_count(), 4);
    // The stat counts every item; the VT list carries what its 8 bits hold.
    EXPECT_EQ(b.get_item_count(), 300);
    EXPECT_EQ(b.get_list()->num_items(), Stat_list::MAX_VT_ITEMS);
    EXPECT_EQ(vt.pool.pending_uploads(), 4);
    EXPECT_EQ(col.count(), 2);
}

TEST_F(Stat_kinds_fixture, StringPushesAreRateLimitedAndSendTheLatestText)
{
    Clocked_string s;
    ASSERT_TRUE(s.init(&col, s_in, s_out, nullptr, s_ptr, &vt.pool, 500));
    EXPECT_EQ(s.get_shape(), Stat_string::SHAPE_POINTER);
    s = "first";
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 0);
    auto texts = Recording_pool::of(vt.sent(), Recording_pool::CHANGE_STRING_VALUE, S_OUT);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text.substr(0, 5), "first");
    s = "second";
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 1);
    s.clock = s.clock + 499;
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 1);
    s.clock = s.clock + 1;
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 0);
    texts = Recording_pool::of(vt.sent(), Recording_pool::CHANGE_STRING_VALUE, S_OUT);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text.substr(0, 6), "second");
    // Not dirty: forcing sends nothing.
    s.force_send_update();
    EXPECT_TRUE(vt.sent().empty());
}

TEST_F(Stat_kinds_fixture, EditedTextLosesItsTrailingBlanksAndIsCutToTheObject)
{
    const struct {
        std::string vt_text;
        const char* stored;
    } cases[] = {
        {"abc   ", "abc"},
        {"      ", ""},
        {" a b ", " a b"},
        // A VT that sends more than the field holds: cut to its 20 characters.
        {std::string(300, 'x'), "xxxxxxxxxxxxxxxxxxxx"},
    };
    for (bool with_var : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "'" << c.vt_text << "' var " << with_var);
            Stat_string s;
            ASSERT_TRUE(s.init(&col, s_in, nullptr, with_var ? s_var : nullptr, nullptr, &vt.pool, 0));
            user.updates.clear();
            EXPECT_TRUE(s.update_from_string(c.vt_text.data(), unsigned(c.vt_text.size()), &user));
            EXPECT_STREQ(s.c_str(), c.stored);
            ASSERT_EQ(user.updates.size(), 1u);
            EXPECT_EQ(user.updates[0], &s);
            col.remove(&s);
        }
    }
}

TEST_F(Stat_kinds_fixture, AnOverLongTextIsCutTo255Characters)
{
    Stat_string s;
    ASSERT_TRUE(s.init(&col, s_out, &vt.pool, 0));
    std::string long_text(400, 'q');
    s = long_text.c_str();
    EXPECT_EQ(s.get_text().length(), Stat_string::MAX_CHARS);
    s[300] = 'z';  // beyond the text: reaches no byte of it
    EXPECT_EQ(s.get_text().length(), Stat_string::MAX_CHARS);
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 0);
    auto texts = Recording_pool::of(vt.sent(), Recording_pool::CHANGE_STRING_VALUE, S_OUT);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, std::string(20, 'q'));
}

TEST_F(Stat_kinds_fixture, AStringEditWithoutAUserIsRefused)
{
    Stat_string s;
    ASSERT_TRUE(s.init(&col, s_in, &vt.pool, 0));
    EXPECT_FALSE(s.update_from_input(3, nullptr));
    Stat_string none;
    ASSERT_TRUE(none.init(&col, static_cast<VT::Output_string_obj*>(nullptr), &vt.pool, 0));
    EXPECT_FALSE(none.update_from_input(3, &user));
}

TEST_F(Stat_kinds_fixture, StringLooksLengthAndCharacterCell)
{
    Stat_string s;
    ASSERT_TRUE(s.init(&col, s_in, s_out, s_var, s_ptr, &vt.pool, 0));
    s.set_editable(true);
    EXPECT_EQ(s_ptr->get_value(), S_IN);
    s.set_editable(false);
    EXPECT_EQ(s_ptr->get_value(), S_OUT);
    s.set_hidden(true);
    EXPECT_EQ(s_ptr->get_value(), NULL_ID);
    s.set_hidden(false);
    EXPECT_EQ(s_ptr->get_value(), S_OUT);
    EXPECT_EQ(s.get_len(), 20);
    EXPECT_EQ(s.get_character_width(), 8);  // font size 2: 8 x 12
    EXPECT_EQ(s.get_character_height(), 12);
    EXPECT_EQ(s.get_width(), 80);
    s.set_string_var();
    EXPECT_EQ(s_out->get_variable_reference(), S_VAR);
    EXPECT_EQ(s_in->get_variable_reference(), S_VAR);
}

TEST_F(Stat_kinds_fixture, RunTimeStringObjectsShareOneVariable)
{
    Stat_string s;
    auto* font = vt.pool.find<VT::Font_attributes_obj>(FONT);
    ASSERT_TRUE(s.dyn_create_objects(&vt.pool, 400, true, true, true, true));
    ASSERT_TRUE(s.dyn_init(&vt.pool, &col, font, 0));
    EXPECT_EQ(s.get_shape(), Stat_string::SHAPE_POINTER);
    EXPECT_EQ(s.get_len(), Stat_string::MAX_CHARS);
    auto* in = vt.pool.find<VT::Input_string_obj>(s.get_in_object_id());
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->get_variable_reference(), s.get_var_id());
    EXPECT_EQ(in->get_font_attributes(), FONT);
    EXPECT_EQ(vt.pool.pending_uploads(), 4);
}

TEST_F(Stat_kinds_fixture, IndicatorSetsEveryClientAndReportsAStateBeyondATable)
{
    auto* fill = vt.add(new VT::Fill_attributes_obj(160, "fa_lamp", 2, 1, NULL_ID));
    auto* rect = vt.add(new VT::Rectangle_obj(161, "rec_lamp", NULL_ID, 10, 10, 0, NULL_ID));
    auto* ptr = vt.add(new VT::Object_pointer_obj(162, "ptr_lamp", NULL_ID));
    static const unsigned short colours[] = {0, 10, 12};
    static const unsigned short fills[] = {160, 163};
    static const unsigned short looks[] = {B_T, B_F, B_TRO};
    Stat_indicator ind;
    ASSERT_TRUE(ind.init(&col));
    EXPECT_TRUE(ind.set_state(7));  // no clients: every state is taken
    EXPECT_EQ(ind.get_object_id(), NULL_ID);
    Stat_indicator_gen_client<VT::Rectangle_obj> none(nullptr, fills, 2);
    Stat_indicator_gen_client<VT::Fill_attributes_obj> c1(fill, colours, 3);
    Stat_indicator_gen_client<VT::Rectangle_obj> c2(rect, fills, 2);
    Stat_indicator_gen_client<VT::Object_pointer_obj> c3(ptr, looks, 3);
    ind.add_client(&none);
    ind.add_client(&c1);
    ind.add_client(&c2);
    ind.add_client(&c3);
    EXPECT_EQ(ind.get_object_id(), 160);
    vt.sent();
    EXPECT_FALSE(ind.set_state(1));  // the client without an object refuses
    EXPECT_EQ(fill->get_fill_colour(), 10);
    EXPECT_EQ(rect->get_fill_attributes(), 163);
    EXPECT_EQ(ptr->get_value(), B_F);
    EXPECT_FALSE(ind.set_state(2));  // beyond the rectangle's table
    EXPECT_EQ(rect->get_fill_attributes(), 163);
    EXPECT_EQ(fill->get_fill_colour(), 12);
    EXPECT_EQ(ptr->get_value(), B_TRO);
}

TEST_F(Stat_kinds_fixture, AnIndicatorClientCanHoldItsOwnStates)
{
    auto* rect = vt.add(new VT::Rectangle_obj(161, "rec_lamp", NULL_ID, 10, 10, 0, NULL_ID));
    Stat_indicator ind;
    ASSERT_TRUE(ind.init(&col));
    Stat_indicator_gen_client<VT::Rectangle_obj> c;
    c.set_object(rect);
    EXPECT_TRUE(c.add_state(170));
    EXPECT_TRUE(c.add_state(171));
    ind.add_client(&c);
    EXPECT_TRUE(ind.set_state(1));
    EXPECT_EQ(rect->get_fill_attributes(), 171);
    EXPECT_FALSE(ind.set_state(2));
    static const unsigned short theirs[] = {1, 2};
    Stat_indicator_gen_client<VT::Rectangle_obj> borrowed(rect, theirs, 2);
    EXPECT_FALSE(borrowed.add_state(3));
}

TEST_F(Stat_kinds_fixture, BoolShowsItsLooksForEachState)
{
    const struct {
        bool editable;
        bool both_read_only;
        bool value;
        unsigned short shown;
    } cases[] = {
        {true, true, true, B_T},    {true, true, false, B_F},   {false, true, true, B_TRO},
        {false, true, false, B_FRO}, {false, false, true, B_T}, {false, false, false, B_F},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.editable << c.both_read_only << c.value);
        Stat_bool s;
        ASSERT_TRUE(s.init(&col, b_ptr, b_in, b_t, b_f, b_tro, c.both_read_only ? b_fro : nullptr));
        s.set_editable(c.editable);
        EXPECT_TRUE(s.set(c.value));
        EXPECT_EQ(b_ptr->get_value(), c.shown);
        EXPECT_EQ(b_in->get_value(), c.value ? 1 : 0);
        col.remove(&s);
    }
}

TEST_F(Stat_kinds_fixture, BoolRewritesThePointerOnlyOnAChange)
{
    Stat_bool s;
    ASSERT_TRUE(s.init(&col, b_ptr, b_t, b_f));
    EXPECT_EQ(s.get_width(), 30);
    EXPECT_EQ(s.get_height(), 16);
    EXPECT_TRUE(s.set(true));
    vt.sent();
    EXPECT_TRUE(s.set(true));
    EXPECT_TRUE(Recording_pool::of(vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, B_PTR).empty());
    EXPECT_TRUE(s.set(false));
    EXPECT_EQ(Recording_pool::of(vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, B_PTR).size(), 1u);
}

TEST_F(Stat_kinds_fixture, BoolInputNeedsBothEditableLooks)
{
    Stat_bool s;
    ASSERT_TRUE(s.init(&col, b_ptr, b_in, b_t, nullptr, nullptr, nullptr));
    EXPECT_FALSE(s.update_from_input(1, &user));
    EXPECT_FALSE(s.get());
    Stat_bool ok;
    ASSERT_TRUE(ok.init(&col, b_ptr, b_in, b_t, b_f, nullptr, nullptr));
    EXPECT_TRUE(ok.update_from_input(7, &user));
    EXPECT_TRUE(ok.get());
    EXPECT_EQ(b_ptr->get_value(), B_T);
    ASSERT_EQ(user.updates.size(), 1u);
    EXPECT_EQ(user.updates[0], &ok);
}

TEST_F(Stat_kinds_fixture, RunTimeBoolObjects)
{
    Stat_bool s;
    auto* font = vt.pool.find<VT::Font_attributes_obj>(FONT);
    ASSERT_TRUE(s.dyn_create_objects(&vt.pool, true, true));
    ASSERT_TRUE(s.dyn_init(&vt.pool, &col, font));
    ASSERT_TRUE(s.dyn_set_format(b_t, b_f, nullptr, nullptr));
    EXPECT_TRUE(s.get_editable());
    EXPECT_TRUE(s.set(true));
    EXPECT_EQ(vt.pool.find<VT::Object_pointer_obj>(s.get_object_id())->get_value(), B_T);
    EXPECT_EQ(vt.pool.pending_uploads(), 2);
}
