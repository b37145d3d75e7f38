// The implement's pool specification: every object the toolkit and the
// screens look up by name is in the file with the type they cast it to, and
// the file together with a generated image is one pool the terminal accepts.
#include "Vt_test_images.h"

#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"

#include "tests/support/vt_object_model/InProcessVt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace VT;

namespace {

struct Looked_up {
    std::string name;
    VT_obj_type type;
};

// The names the code looks up, with the type it expects.
std::vector<Looked_up> looked_up_names()
{
    std::vector<Looked_up> names = {
        // start-up and user interface
        {"mask_intro", DATA_MASK}, {"var_upload", NUMBER_VARIABLE},
        {"fill_attributes_tp_enabled", FILL_ATTRIBUTES}, {"fill_attributes_red", FILL_ATTRIBUTES},
        // screen manager, screens, data screens
        {"key_help_content", KEY}, {"pencil", CONTAINER}, {"common_data_mask_items", CONTAINER},
        {"standard_main_area_title", OUTPUT_STRING}, {"skptr_edit_pic", OBJECT_POINTER},
        {"skcol_rec_orange", RECTANGLE}, {"skpic_cross_red", PICTURE_GRAPHIC}, {"skpic_edit", PICTURE_GRAPHIC},
        {"bar_graph_cover_quad", LINEAR_BAR_GRAPH}, {"key_cross", KEY}, {"key_cross_alt", KEY},
        {"key_tick", KEY},
        // alarm screens
        {"os_alarm_text", OUTPUT_STRING}, {"os_alarm_esc_string", OUTPUT_STRING},
        {"var_alarm_spn", NUMBER_VARIABLE}, {"var_alarm_fmi", NUMBER_VARIABLE},
        {"var_alarm_occurance_count", NUMBER_VARIABLE}, {"ts_alarm_esc_str", STRING_VARIABLE},
        // subscreens
        {"widget_sub_screen", CONTAINER}, {"widget_sub_screen_title", OUTPUT_STRING},
        {"widget_sub_screen_esc_msg", OUTPUT_STRING}, {"ptr_sub_screen_content", OBJECT_POINTER},
        {"ptr_subscreen", OBJECT_POINTER}, {"ts_subscr_esc_str", STRING_VARIABLE},
        // cycle box, decorations, PUI
        {"cycle_box_text", OUTPUT_STRING}, {"ptr_widget_buttons", OBJECT_POINTER},
        {"widget_cycle_box_encoder", CONTAINER}, {"container_buttons_cycle_helper", CONTAINER},
        {"widget_cycle_box_disabled", CONTAINER}, {"os_no_items_text", OUTPUT_STRING},
        {"input_items_container", CONTAINER}, {"button_widget_cycle", BUTTON}, {"ptr_widget_bdr", OBJECT_POINTER},
        {"rec_cycle_selected", RECTANGLE}, {"rec_cycle_unselected", RECTANGLE},
        {"button_cycle_helper_1", BUTTON}, {"button_cycle_helper_2", BUTTON}, {"button_cycle_helper_3", BUTTON},
        // input managers
        {"key_mask_edit_number", SOFT_KEY_MASK}, {"key_increment", KEY}, {"key_decrement", KEY},
        {"key_mask_edit_string_control", SOFT_KEY_MASK}, {"key_mask_edit_string_letter", SOFT_KEY_MASK},
        {"key_mask_edit_string_number", SOFT_KEY_MASK}, {"key_mask_edit_string_symbol", SOFT_KEY_MASK},
        {"key_edit_space", KEY}, {"key_edit_backspace", KEY}, {"key_stringcycle", KEY},
        {"skcontainer_controlcycle", CONTAINER}, {"skcontainer_lettercycle", CONTAINER},
        {"skcontainer_symbolcycle", CONTAINER}, {"skcontainer_numbercycle", CONTAINER},
        // units
        {"os_units_metric", OUTPUT_STRING}, {"os_units_imperial", OUTPUT_STRING},
        {"string_locale_cur_units", OBJECT_POINTER}, {"list_locale_units", INPUT_LIST},
        {"list_locale_language", INPUT_LIST}, {"UNIT_DECIMAL", STRING_VARIABLE},
        // widget list
        {"widget_list", CONTAINER}, {"widget_list_but", BUTTON}, {"widget_list_up_but", BUTTON},
        {"widget_list_down_but", BUTTON}, {"widget_list_scrollbar", LINEAR_BAR_GRAPH},
        {"widget_list_scrollcover", LINEAR_BAR_GRAPH}, {"widget_list_scroll_bdr", RECTANGLE},
        {"ptr_key_down_and_return", OBJECT_POINTER}, {"key_blank", KEY}, {"key_page_down", KEY},
        {"key_page_return", KEY},
    };
    for (int i = 1; i <= 7; ++i)
        for (const char* set : {"letter", "number", "symbol"})
            names.push_back({std::string("key_edit_") + set + std::to_string(i), KEY});
    for (int i = 0; i <= 9; ++i) {
        names.push_back({"widget_list_" + std::to_string(i), CONTAINER});
        names.push_back({"widget_list_but_" + std::to_string(i), BUTTON});
        names.push_back({"widget_list_ostr_" + std::to_string(i), OUTPUT_STRING});
    }
    for (const char* unit : {"NONE", "FIXME", "DISTANCE", "DISTANCE_SM", "DISTANCE_LG", "SPEED", "ANGLE", "AREA",
                             "AREA_LG", "AREA_LG2", "VOLUME", "VOLUME_DRY", "MASS", "MASS_KGN", "PRESSURE",
                             "MASS_PER_AREA", "MASS_N_PER_AREA", "VOLUME_PER_AREA", "COUNT_PER_AREA",
                             "AREA_PER_TIME", "MASS_PER_VOLUME", "MASS_PER_REV", "PULSE_PER_VOLUME",
                             "PULSE_PER_KG_N"})
        names.push_back({std::string("UNIT_") + unit, STRING_VARIABLE});
    return names;
}

// The 63 alarm masks of the user interface.
std::vector<std::string> alarm_mask_names()
{
    std::vector<std::string> names = {"FAN_PRESSURE_LOW", "FAN_PRESSURE_HIGH", "FAN_SPEED_LOW", "FAN_SPEED_HIGH",
                                      "FAN_SENSOR_FAIL_1", "FAN_SENSOR_FAIL_2", "TEMPERATURE",
                                      "NO_FLOW_TANKS_OFF", "NO_FLOW_NO_SPEED", "NO_FLOW_NO_FAN",
                                      "NO_FLOW_NO_FAN_PRESS", "MASTER_OFF", "NO_COMMS", "CASE_DRAIN",
                                      "BLOCKED_HEAD"};
    for (const char* per_tank : {"TANK_LOW_", "TANK_EMPTY_", "TANK_PRESS_MIN_", "TANK_PRESS_MAX_",
                                 "MOTOR_SENSOR_", "MOTOR_JAM_", "TANK_SHAFT_", "TANK_GEAR_", "TANK_ALT_RATE_",
                                 "TANK_INCORR_RATE_", "TANK_OFF_MASTER_ON_", "SHAFT_MV_TANK_OFF_"})
        for (int n = 1; n <= 4; ++n)
            names.push_back(per_tank + std::to_string(n));
    for (std::string& n : names)
        n = "alarm_mask_" + n;
    return names;
}

class Spec_file : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(loader.init(0, 0, 0));
        ASSERT_TRUE(loader.load(vt_test::spec_path().c_str())) << loader.error();
    }

    Object_pool pool{nullptr};
    DOM_xerces_spec_man loader{&pool};
};

TEST_F(Spec_file, EveryLookedUpNameResolvesWithItsType)
{
    for (const Looked_up& l : looked_up_names()) {
        VT_obj* o = Object_pool_base<VT_obj>::find_object(&pool, l.name.c_str(), false);
        ASSERT_NE(o, nullptr) << l.name;
        EXPECT_EQ(o->get_type(), l.type) << l.name;
    }
}

TEST_F(Spec_file, HoldsTheSixtyThreeAlarmMasksWithPriorities)
{
    std::vector<std::string> names = alarm_mask_names();
    ASSERT_EQ(names.size(), 63u);
    int by_priority[3] = {0, 0, 0};
    for (const std::string& n : names) {
        Alarm_mask_obj* mask = pool.find<Alarm_mask_obj>(n.c_str());
        ASSERT_NE(mask, nullptr) << n;
        ASSERT_LE(mask->get_priority(), 2) << n;
        ++by_priority[mask->get_priority()];
        EXPECT_NE(mask->get_soft_key_mask(), Object_pool::NULL_ID) << n;
    }
    // Every priority is in use: the alarm manager's three queues all matter.
    EXPECT_GT(by_priority[0], 0);
    EXPECT_GT(by_priority[1], 0);
    EXPECT_GT(by_priority[2], 0);
}

TEST_F(Spec_file, IdsStayBelowTheGeneratedImageAndNoWorkingSet)
{
    EXPECT_EQ(pool.get_working_set(), nullptr);
    for (const auto& entry : pool.objects())
        EXPECT_LT(entry.first, 10000) << entry.second->get_name();
}

TEST_F(Spec_file, WithTheGeneratedImageIsOnePoolTheTerminalAccepts)
{
    std::vector<uint8_t> image = vt_test::make_image(20);
    Object_deserial deserial;
    ASSERT_TRUE(deserial.init(&pool));
    ASSERT_TRUE(deserial.run(image.data(), uint32_t(image.size()))) << deserial.error();
    ASSERT_NE(pool.get_working_set(), nullptr);

    std::vector<uint8_t> stream;
    pool.serialise_pool(stream);
    InProcessVt vt;
    vt.uploadPool(stream.data(), uint32_t(stream.size()));
    EXPECT_FALSE(vt.processor.getPoolError().failed);
    std::vector<std::vector<uint8_t>> responses = vt.takeResponses();
    ASSERT_FALSE(responses.empty());
    const std::vector<uint8_t>& end = responses.back();
    ASSERT_GE(end.size(), 2u);
    EXPECT_EQ(end[0], 18);
    EXPECT_EQ(end[1], 0) << "End of Object Pool reports an error";
    // Every object went over and reads back as the same record.
    for (const auto& entry : pool.objects()) {
        VtObject* there = vt.processor.getObject(entry.first);
        ASSERT_NE(there, nullptr) << entry.first;
        EXPECT_EQ(there->getType(), unsigned(entry.second->get_type()));
    }
    EXPECT_EQ(vt.processor.getWorkingSet()->getOid(), vt_test::WORKING_SET_ID);
}

TEST_F(Spec_file, PoolFileHoldsTheSameStream)
{
    std::vector<uint8_t> image = vt_test::make_image(1);
    Object_deserial deserial;
    deserial.init(&pool);
    ASSERT_TRUE(deserial.run(image.data(), uint32_t(image.size())));
    std::string path = testing::TempDir() + "vt_pool_" + std::to_string(::getpid()) + ".bin";
    ASSERT_TRUE(pool.serialise_to_file(path.c_str()));
    std::vector<uint8_t> stream;
    pool.serialise_pool(stream);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> file(stream.size() + 10);
    size_t n = std::fread(file.data(), 1, file.size(), f);
    std::fclose(f);
    std::remove(path.c_str());
    file.resize(n);
    EXPECT_EQ(file, stream);
    EXPECT_FALSE(pool.serialise_to_file("/nonexistent/dir/pool.bin"));
}

} // namespace
