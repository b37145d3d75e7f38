// The unit texts the screens show beside their values: the units in force
// from the start, and the new ones after a change of locale.
#include "tests/apps/sowvane/screens/Seeder_vt.h"

#include "vt_object_model/terminal/VtSystemInterface.h"

#include <cstring>

namespace {

// The text an output string shows on the VT: its string variable's when it
// refers to one, else its own; without trailing spaces.
std::string shown_text(VT::Object_pool& pool, uint32_t id)
{
    auto* text = find_pool_object<VT::Output_string_obj>(&pool, id);
    if (text == nullptr)
        return "(no object)";
    std::string out = text->get_string() ? text->get_string() : "";
    if (text->get_variable_reference() != VT::Object_pool::NULL_ID) {
        auto* variable = pool.find<VT::String_variable_obj>(text->get_variable_reference());
        out = variable != nullptr && variable->get_string() ? variable->get_string() : "(no variable)";
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

struct Unit_row {
    const char* under;
    uint32_t Screen_object_ids::Group_main::*field;
    const char* metric;
    const char* imperial;
};

// Under Speed, CovRate, Press., TotArea and SubArea (the last two share one).
const Unit_row run_screen_units[] = {
    {"Speed", &Screen_object_ids::Group_main::speed_units, "km/h", "mph"},
    {"CovRate", &Screen_object_ids::Group_main::area_rate_units, "ha/hr", "ac/hr"},
    {"Press.", &Screen_object_ids::Group_main::pressure_units, "kpa", "kpa"},
    {"TotArea and SubArea", &Screen_object_ids::Group_main::area_units, "ha", "ac"},
};

} // namespace

TEST_F(Screens_fixture, TheRunScreenShowsTheUnitsInUseAndFollowsAChangeOfUnits)
{
    start();
    for (const Unit_row& row : run_screen_units)
        EXPECT_EQ(shown_text(vt.pool, ids().main.*row.field), row.metric) << "under " << row.under;

    VT::Locale_info imperial = vt.pool.get_locale();
    imperial.distance = 1;
    imperial.area = 1;
    imperial.volume = 1;
    vt.pool.set_locale(imperial);
    pump();
    fire(ui.get_locale_timeout());
    vt.sent();
    for (const Unit_row& row : run_screen_units)
        EXPECT_EQ(shown_text(vt.pool, ids().main.*row.field), row.imperial) << "under " << row.under;
}

// The multi-tank calibration calibrates granular tanks: the results page
// gives their factors in mass per shaft revolution, in the units in force.
TEST_F(Screens_fixture, TheMultiTankResultsGiveTheFactorsInMassPerRevolutionOfTheUnitsInForce)
{
    start();
    ASSERT_TRUE(ui.get_screen_man().switch_to_screen("multi_tank_cal_3_mask"));
    pump();
    vt.sent();
    const uint32_t caption = ids().multi_tank_cal_3_mask.text;
    EXPECT_EQ(shown_text(vt.pool, caption), "kg/rev");
    use_system(1);
    EXPECT_EQ(shown_text(vt.pool, caption), "lb/rev");
    use_system(0);
    EXPECT_EQ(shown_text(vt.pool, caption), "kg/rev");
}

// Every unit label a screen shows is wide enough for its unit in every
// units system, in the font the label is drawn in.
TEST_F(Screens_fixture, EveryUnitLabelHoldsItsUnitInEverySystem)
{
    start();
    Units_man& units = ui.get_units_man();
    int labels = 0;
    for (uint32_t id = 0; id < VT::Object_pool::NULL_ID; ++id) {
        auto* label = vt.pool.find<VT::Output_string_obj>(uint16_t(id));
        if (label == nullptr || label->get_variable_reference() == VT::Object_pool::NULL_ID)
            continue;
        for (int type = 0; type < Units_man::NUM_UNITS_TYPES; ++type) {
            const Stat_units& record = units.get(type);
            if (record.obj == nullptr || record.obj->get_id() != label->get_variable_reference())
                continue;
            ++labels;
            auto* font = vt.pool.find<VT::Font_attributes_obj>(label->get_font_attributes());
            ASSERT_NE(font, nullptr) << "label " << id;
            uint32_t cell_width = 0;
            uint32_t cell_height = 0;
            VtSystemInterface::getFontSizePixels(font->get_font_size(), cell_width, cell_height);
            unsigned short width = 0;
            unsigned short height = 0;
            label->get_size(width, height);
            EXPECT_LE(cell_height, height) << "label " << id;
            for (int system = 0; system < Units_man::NUM_UNITS_SYSTEMS; ++system) {
                const char* text = Units_man::get(system, type).text;
                EXPECT_LE(std::strlen(text) * cell_width, width)
                    << "label " << id << " of " << width << " pixels shows \"" << text << "\"";
            }
        }
    }
    EXPECT_GT(labels, 20);
}
