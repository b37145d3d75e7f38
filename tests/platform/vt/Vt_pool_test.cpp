// The client pool: look-ups, run-time objects, events, and the change
// commands its objects queue while the pool runs, checked byte by byte and
// by the terminal that applies them.
#include "platform/vt/Object_pool.h"
#include "platform/vt/Upload_bar_progress.h"
#include "platform/vt/Vt_language.h"
#include "platform/vt/Vt_session.h"

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "tests/support/vt_object_model/InProcessVt.h"

#include "vt_object_model/VtObjects.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace VT;
using Bytes = std::vector<uint8_t>;

namespace {

// A small pool of every kind the setters touch, uploaded to an in-process
// terminal and then running.
class Running_pool : public testing::Test {
public:
    void SetUp() override
    {
        add(new Working_set_obj(10, "ws", 0, true, 11));
        auto* mask = new Data_mask_obj(11, "mask", 1, 22);
        mask->add_child(12, 0, 0);
        mask->add_child(15, 10, 10);
        add(mask);
        auto* box = new Container_obj(12, "box", 100, 50, false);
        box->add_child(13, 1, 1);
        add(box);
        add(new Rectangle_obj(13, "rect", 28, 20, 10, 0, 20));
        add(new Number_variable_obj(14, "nv", 5));
        add(new Output_number_obj(15, "on", 40, 16, 1, 27, 0, Object_pool::NULL_ID, 7, 0, 1.0f, 1, 0, 2));
        add(new Output_string_obj(16, "os", 80, 16, 1, 27, 0, Object_pool::NULL_ID, 0, "abcdefgh"));
        add(new String_variable_obj(17, "sv", "hello"));
        add(new Object_pointer_obj(18, "ptr", 14));
        auto* list = new Input_list_obj(19, "list", 80, 16, Object_pool::NULL_ID, 0, true);
        list->add_item(16);
        list->add_item(15);
        add(list);
        add(new Fill_attributes_obj(20, "fill", 2, 3, Object_pool::NULL_ID));
        add(new Alarm_mask_obj(21, "alarm", 12, 22, 1, 0));
        auto* keys = new Soft_key_mask_obj(22, "skm", 7);
        keys->add_key(23);
        add(keys);
        add(new Key_obj(23, "key", 7, 1));
        add(new Soft_key_mask_obj(24, "skm2", 7));
        add(new Input_number_obj(25, "in", 40, 16, 1, 27, 1, 14, 5, 0, 100, 0, 1.0f, 0, 0, 2, true));
        add(new Button_obj(26, "button", 40, 20, 7, 8, 9, false));
        add(new Font_attributes_obj(27, "font", 0, 2, 0, 0));
        add(new Line_attributes_obj(28, "line_attr", 0, 1, 0xFFFF));
        add(new Line_obj(29, "line", 28, 20, 10, 0));
        add(new Linear_bar_graph_obj(30, "bar", 60, 10, 2, 1, 1, 0, 0, 100, Object_pool::NULL_ID, 10,
                                     Object_pool::NULL_ID, 0));

        Bytes stream;
        pool.serialise_pool(stream);
        vt.uploadPool(stream.data(), uint32_t(stream.size()));
        ASSERT_FALSE(vt.processor.getPoolError().failed);
        vt.takeResponses();
        pool.set_running(true);
    }

    void add(VT_obj* o) { ASSERT_TRUE(pool.add_object(o)); }

    // The commands queued since the last call, each marked answered.
    std::vector<Bytes> sent()
    {
        std::vector<Bytes> out;
        Vt_command c;
        while (pool.take_command(c)) {
            out.push_back(c.bytes);
            pool.command_done();
        }
        return out;
    }

    template <class T>
    T& there(uint32_t id)
    {
        return static_cast<T&>(*vt.processor.getObject(id));
    }

    Object_pool pool{nullptr};
    InProcessVt vt;
};

struct Setter_case {
    const char* what;
    std::function<bool(Object_pool&)> change;
    Bytes command;
    // Checks the terminal after it took the command (and answered it without
    // error); null when the terminal cannot carry it out here.
    std::function<bool(Running_pool&)> check;
};

TEST_F(Running_pool, SettersQueueTheStandardsCommands)
{
    using P = Object_pool;
    const std::vector<Setter_case> cases = {
        {"number variable", [](P& p) { return p.find<Number_variable_obj>("nv")->set_value(0x01020304); },
         {0xA8, 14, 0, 0xFF, 4, 3, 2, 1},
         [](Running_pool& t) { return t.there<VtObjectNumberVariable>(14).getValue() == 0x01020304u; }},
        {"output number", [](P& p) { return p.find<Output_number_obj>("on")->set_value(300); },
         {0xA8, 15, 0, 0xFF, 0x2C, 1, 0, 0},
         [](Running_pool& t) { return t.there<VtObjectOutputFieldNumber>(15).getValue() == 300u; }},
        {"decimals", [](P& p) { return p.find<Output_number_obj>("on")->set_no_decimals(3); },
         {0xAF, 15, 0, 9, 3, 0, 0, 0},
         [](Running_pool& t) { return t.there<VtObjectOutputFieldNumber>(15).getNumberOfDecimals() == 3u; }},
        {"variable reference", [](P& p) { return p.find<Output_number_obj>("on")->set_variable_reference(14); },
         {0xAF, 15, 0, 6, 14, 0, 0, 0},
         [](Running_pool& t) { return t.there<VtObjectOutputFieldNumber>(15).getVariableReference() == 14u; }},
        {"pointer", [](P& p) { return p.find<Object_pointer_obj>("ptr")->set_value(Object_pool::NULL_ID); },
         {0xA8, 18, 0, 0xFF, 0xFF, 0xFF, 0, 0},
         [](Running_pool& t) { return t.there<VtObjectPointer>(18).getValue() == VT_NULL_ID; }},
        {"hide", [](P& p) { return p.find<Container_obj>("box")->set_hidden(1); },
         {0xA0, 12, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectContainer>(12).getHidden(); }},
        {"child location", [](P& p) { return p.find<Data_mask_obj>("mask")->set_child_location(15, -5, 20); },
         {0xA5, 11, 0, 15, 0, 122, 147, 0xFF},
         [](Running_pool& t) {
             VtObjectRef* r = t.there<VtObjectDataMask>(11).getChilds().at(1);
             return r->x == 5 && r->y == 30;
         }},
        {"child position", [](P& p) { return p.find<Data_mask_obj>("mask")->set_child_position(15, 200, 300); },
         {0xB4, 11, 0, 15, 0, 200, 0, 0x2C, 1},
         [](Running_pool& t) {
             VtObjectRef* r = t.there<VtObjectDataMask>(11).getChilds().at(1);
             return r->x == 200 && r->y == 300;
         }},
        {"string variable", [](P& p) { return p.find<String_variable_obj>("sv")->set_string("hi"); },
         {0xB3, 17, 0, 5, 0, 'h', 'i', ' ', ' ', ' '},
         [](Running_pool& t) { return std::string(t.there<VtObjectStringVariable>(17).getValue().c_str()) == "hi   "; }},
        {"string cut to the field",
         [](P& p) { return p.set_string(p.find<VT_obj>("os"), 0, "0123456789", true, 0); },
         {0xB3, 16, 0, 8, 0, '0', '1', '2', '3', '4', '5', '6', '7'},
         [](Running_pool& t) {
             return std::string(t.there<VtObjectOutputFieldString>(16).getValue().c_str()) == "01234567";
         }},
        {"list item", [](P& p) { return p.find<Input_list_obj>("list")->set_child_objects_val(1, 17, true); },
         {0xB1, 19, 0, 1, 17, 0, 0xFF, 0xFF},
         [](Running_pool& t) {
             const auto& items = t.there<VtObjectInputFieldList>(19).getElements();
             return items.at(0)->oid == 16u && items.at(1)->oid == 17u;
         }},
        {"list item emptied", [](P& p) { return p.find<Input_list_obj>("list")->set_child_objects_val(0, 65535, true); },
         {0xB1, 19, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectInputFieldList>(19).getElements().at(0)->oid == VT_NULL_ID; }},
        {"fill colour", [](P& p) { return p.find<Fill_attributes_obj>("fill")->set_fill_colour(12); },
         {0xAC, 20, 0, 2, 12, 0xFF, 0xFF, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectFillAttribute>(20).getFillColour().getIndex() == 12u; }},
        {"background colour", [](P& p) { return p.find<Output_string_obj>("os")->set_background_colour(9); },
         {0xA7, 16, 0, 9, 0xFF, 0xFF, 0xFF, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectOutputFieldString>(16).getBackgroundColour().getIndex() == 9u; }},
        {"size", [](P& p) { return p.find<Rectangle_obj>("rect")->set_size(300, 40); },
         {0xA6, 13, 0, 0x2C, 1, 40, 0, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectRectangle>(13).getWidth() == 300u; }},
        {"fill attributes of a rectangle", [](P& p) { return p.find<Rectangle_obj>("rect")->set_fill_attributes(65535); },
         {0xAF, 13, 0, 5, 0xFF, 0xFF, 0, 0},
         [](Running_pool& t) { return t.there<VtObjectRectangle>(13).getFillAttributes() == VT_NULL_ID; }},
        {"disable input", [](P& p) { return p.find<Input_number_obj>("in")->set_enabled(false); },
         {0xA1, 25, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
         [](Running_pool& t) { return !vtIsEnabled(&t.there<VtObjectInputFieldNumber>(25)); }},
        {"input number", [](P& p) { return p.find<Input_number_obj>("in")->set_value(42); },
         {0xA8, 25, 0, 0xFF, 42, 0, 0, 0},
         [](Running_pool& t) { return t.there<VtObjectInputFieldNumber>(25).getValue() == 42u; }},
        {"alarm priority", [](P& p) { return p.find<Alarm_mask_obj>("alarm")->set_priority(0); },
         {0xB0, 21, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectAlarmMask>(21).getPriority() == 0u; }},
        {"font", [](P& p) { return p.find<Font_attributes_obj>("font")->set_font(12, 4, 0, 1); },
         {0xAA, 27, 0, 12, 4, 0, 1, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectFontAttribute>(27).getFontSize() == 4u; }},
        {"line attributes", [](P& p) { return p.find<Line_attributes_obj>("line_attr")->set_line(1, 3, 0x00FF); },
         {0xAB, 28, 0, 1, 3, 0xFF, 0, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectLineAttribute>(28).getLineWidth() == 3u; }},
        {"end point", [](P& p) { return p.find<Line_obj>("line")->set_end_point(30, 5, 1); },
         {0xA9, 29, 0, 30, 0, 5, 0, 1},
         [](Running_pool& t) { return t.there<VtObjectLine>(29).getLineDirection() == 1u; }},
        {"bar graph value", [](P& p) { return p.find<Linear_bar_graph_obj>("bar")->set_value(77); },
         {0xA8, 30, 0, 0xFF, 77, 0, 0, 0},
         [](Running_pool& t) { return t.there<VtObjectLinearBarGraph>(30).getValue() == 77u; }},
        // The button is on no mask, so there is nothing the terminal could select.
        {"select button", [](P& p) { return p.find<Button_obj>("button")->select(); },
         {0xA2, 26, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, nullptr},
        {"active mask", [](P& p) { return p.activate_alarm_mask(p.find<Alarm_mask_obj>("alarm")); },
         {0xAD, 10, 0, 21, 0, 0xFF, 0xFF, 0xFF},
         [](Running_pool& t) { return t.vt.display.getActiveMaskId() == 21u; }},
        {"soft key mask", [](P& p) { return p.find<Data_mask_obj>("mask")->set_soft_key_mask(24); },
         {0xAE, 1, 11, 0, 24, 0, 0xFF, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectDataMask>(11).getSoftKeyMask() == 24u; }},
        {"soft key mask of an alarm mask", [](P& p) { return p.find<Alarm_mask_obj>("alarm")->set_soft_key_mask(24); },
         {0xAE, 2, 21, 0, 24, 0, 0xFF, 0xFF},
         [](Running_pool& t) { return t.there<VtObjectAlarmMask>(21).getSoftKeyMask() == 24u; }},
    };
    for (const Setter_case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.change(pool));
        std::vector<Bytes> commands = sent();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0], c.command);
        if (!c.check)
            continue;
        vt.receive(commands[0]);
        std::vector<Bytes> answers = vt.takeResponses();
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0][0], c.command[0]);
        // Where the session reads the error codes, the terminal put none.
        ASSERT_GT(answers[0].size(), size_t(Vt_session::error_byte_of(c.command[0])));
        EXPECT_EQ(answers[0][Vt_session::error_byte_of(c.command[0])], 0);
        EXPECT_TRUE(c.check(*this));
    }
}

TEST_F(Running_pool, ChangesOfAnIdlePoolOnlyChangeThePool)
{
    pool.set_running(false);
    Number_variable_obj* nv = pool.find<Number_variable_obj>("nv");
    ASSERT_TRUE(nv->set_value(9));
    EXPECT_EQ(nv->get_value(), 9u);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(pool.pending_updates(), 0);
    // And a change asked not to be sent is not, even while running.
    pool.set_running(true);
    EXPECT_TRUE(pool.set_string(pool.find<String_variable_obj>("sv"), 0, "x", false, 0));
    EXPECT_STREQ(pool.find<String_variable_obj>("sv")->get_string(), "x    ");
    EXPECT_TRUE(sent().empty());
}

TEST_F(Running_pool, UploadModeHoldsCommandsAndALaterValueReplacesAWaitingOne)
{
    const unsigned long finished = pool.finished_updates();
    pool.request_pool_upload_mode();
    pool.find<Number_variable_obj>("nv")->set_value(1);
    pool.find<Number_variable_obj>("nv")->set_value(2);
    pool.find<Output_number_obj>("on")->set_value(3);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(pool.pending_updates(), 2);
    pool.unrequest_pool_upload_mode();
    std::vector<Bytes> commands = sent();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0][4], 2);
    EXPECT_EQ(commands[1][1], 15);
    EXPECT_EQ(pool.pending_updates(), 0);
    // The replaced value was never sent: two answered commands.
    EXPECT_EQ(pool.finished_updates(), finished + 2);
}

// More waiting changes than the queue holds: no object's last value is
// lost (the VT would show a stale one for good); the oldest command that is
// not a value gives way instead.
TEST(Object_pool, AFullQueueKeepsEveryValueAndDropsTheOldestOtherCommand)
{
    Object_pool pool(nullptr, 0, 0, 2);
    ASSERT_TRUE(pool.add_object(new Working_set_obj(1, "ws", 0, true, Object_pool::NULL_ID)));
    ASSERT_TRUE(pool.add_object(new Data_mask_obj(2, "mask", 0, Object_pool::NULL_ID)));
    const char* names[] = {"nv10", "nv11", "nv12", "nv13"};
    for (unsigned short id = 10; id < 14; ++id)
        ASSERT_TRUE(pool.add_object(new Number_variable_obj(id, names[id - 10], 0)));
    pool.set_running(true);
    ASSERT_TRUE(pool.activate_data_mask(pool.find<Data_mask_obj>("mask")));
    for (unsigned short id = 10; id < 14; ++id)
        ASSERT_TRUE(pool.find<Number_variable_obj>(id)->set_value(id + 100u));

    std::vector<unsigned short> changed;
    Vt_command c;
    while (pool.take_command(c)) {
        EXPECT_NE(c.bytes[0], 0xAD) << "the mask change was the oldest other command";
        EXPECT_EQ(c.bytes[4], uint8_t(c.object_id + 100));
        changed.push_back(c.object_id);
        pool.command_done();
    }
    EXPECT_EQ(changed, (std::vector<unsigned short>{10, 11, 12, 13}));
}

TEST_F(Running_pool, LookUpsGiveNullForMissingOrWronglyTypedObjects)
{
    EXPECT_EQ(pool.find<Container_obj>("nv"), nullptr);
    EXPECT_EQ(pool.find<Container_obj>("nothing"), nullptr);
    EXPECT_EQ(pool.find<Number_variable_obj>(uint16_t(999)), nullptr);
    EXPECT_EQ(pool.find<Number_variable_obj>(uint16_t(14))->get_id(), 14);
    EXPECT_EQ(Object_pool_base<VT_obj>::find_object(&pool, uint16_t(12))->get_type(), CONTAINER);
    EXPECT_FALSE(pool.activate_data_mask(nullptr));
    EXPECT_FALSE(pool.set_string(nullptr, 0, "x", true, 0));
    EXPECT_FALSE(pool.set_string(pool.find<VT_obj>("nv"), 0, "x", true, 0));
}

TEST(Object_pool, DynamicIdsAreFreshAndNamesUnique)
{
    Object_pool pool(nullptr, 100, 103);
    pool.add_object(new Number_variable_obj(101, "taken", 0));
    pool.add_object(new Number_variable_obj(50, "SlL102", 0));
    char buffer[32];
    char* name = buffer;
    std::vector<unsigned short> got;
    unsigned short id = 0;
    while (pool.get_dyn_obj_id(id, &name, sizeof buffer, "SlL")) {
        got.push_back(id);
        ASSERT_TRUE(pool.add_object(new Number_variable_obj(id, name, 0)));
    }
    // 101 is in use and "SlL102" is a name in use: 100 and 103 remain.
    EXPECT_EQ(got, (std::vector<unsigned short>{100, 103}));
    EXPECT_FALSE(pool.get_dyn_obj_id(id, &name, sizeof buffer, "SlL"));

    Object_pool other(nullptr);
    char tiny[4];
    char* small = tiny;
    EXPECT_FALSE(other.get_dyn_obj_id(id, &small, sizeof tiny, "prefix"));
    EXPECT_FALSE(other.get_dyn_obj_id(id, nullptr, 32, "p"));
    char* fresh = buffer;
    ASSERT_TRUE(other.get_dyn_obj_id(id, &fresh, sizeof buffer, "SsV"));
    EXPECT_EQ(id, Object_pool::DEFAULT_FIRST_DYN_ID);
    EXPECT_STREQ(buffer, "SsV20000");
}

TEST(Object_pool, UploadQueuesOnlyObjectsOfThePool)
{
    Object_pool pool(nullptr);
    auto* nv = new Number_variable_obj(20000, "dyn", 0);
    EXPECT_FALSE(pool.upload(nv)) << "not added yet";
    ASSERT_TRUE(pool.add_object(nv));
    EXPECT_EQ(nv->get_pool(), &pool);
    EXPECT_TRUE(pool.upload(nv));
    EXPECT_EQ(pool.pending_uploads(), 1);
    VT_obj* taken = nullptr;
    ASSERT_TRUE(pool.take_upload(taken));
    EXPECT_EQ(taken, nv);
    EXPECT_EQ(pool.pending_uploads(), 1) << "in flight until done";
    pool.upload_done();
    EXPECT_EQ(pool.pending_uploads(), 0);
    auto* dup = new Number_variable_obj(20000, "other", 0);
    EXPECT_FALSE(pool.add_object(dup));
    delete dup;
}

TEST(Object_pool, EventsReachTheRegisteredWaiterUnderTheirModuleIds)
{
    module_man mm;
    waiter_descriptor waiter;
    waiter.init(&mm);
    Object_pool pool(&mm);
    pool.register_event_waiter(waiter);
    short id = 0;
    pool.get_module_id(id);
    EXPECT_NE(id, 0);
    pool.set_connection_state(CONN_ACTIVE);
    pool.post_vt_event(0, 1, 23);
    pool.post_vt_event(10, 5, 0x04030201);
    waiter_event ev;
    ASSERT_EQ(waiter.get_event(&ev, Atime::now()), 0);
    EXPECT_EQ(ev.module_id, id);
    EXPECT_EQ(ev.data, unsigned(EVENT_CONNECTION));
    EXPECT_EQ(ev.code, CONN_ACTIVE);
    ASSERT_EQ(waiter.get_event(&ev, Atime::now()), 0);
    EXPECT_EQ(pool.vt_event_of(ev.module_id), 0);
    EXPECT_EQ(ev.data, 1u);
    EXPECT_EQ(ev.code, 23);
    ASSERT_EQ(waiter.get_event(&ev, Atime::now()), 0);
    EXPECT_EQ(pool.vt_event_of(ev.module_id), 10);
    EXPECT_EQ(pool.vt_event_of(id), -1);
    // A locale equal to the last one is no news.
    Locale_info fr;
    fr.language.set("fr");
    pool.set_locale(fr);
    pool.set_locale(fr);
    ASSERT_EQ(waiter.get_event(&ev, Atime::now()), 0);
    EXPECT_EQ(ev.data, unsigned(EVENT_LOCALE));
    EXPECT_EQ(waiter.get_event(&ev, Atime::now()), -1);
    EXPECT_TRUE(pool.get_locale() == "fr");
}

TEST(Upload_bar_progress, ShowsPercentInTheVariable)
{
    Number_variable_obj var(1, "var_upload", 0);
    Upload_bar_progress bar(&var);
    bar.set_progress(0, 80000);
    EXPECT_EQ(var.get_value(), 0u);
    bar.set_progress(40000, 80000);
    EXPECT_EQ(var.get_value(), 50u);
    bar.set_progress(90000, 80000);
    EXPECT_EQ(var.get_value(), 100u);
    Upload_bar_progress none(nullptr);
    none.set_progress(1, 0);
    EXPECT_EQ(none.get_percent(), 100);
}

TEST(Language, CodesAndIndexes)
{
    EXPECT_EQ(Language::get_lang_from_code("en"), 0);
    EXPECT_EQ(Language::get_lang_from_code("fr"), 1);
    EXPECT_EQ(Language::get_lang_from_code("de"), -1);
    EXPECT_EQ(Language::get_lang_from_code("f"), -1);
    EXPECT_EQ(Language::get_lang_from_code(nullptr), -1);
    EXPECT_STREQ(Language::get_lang_code(1), "fr");
    EXPECT_STREQ(Language::get_lang_code(7), "");
    Language lang(nullptr);
    EXPECT_TRUE(lang.set(Language::FRENCH));
    EXPECT_EQ(lang.get(), Language::FRENCH);
    EXPECT_FALSE(lang.set(Language::languages_t(9)));
}

} // namespace
