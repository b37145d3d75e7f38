// The units manager on a recording client pool: the unit texts each locale
// writes into the pool's labels, the shared table and its bounds.
#include "vtui/helpers/Units_man.h"

#include "tests/support/vtui/Recording_pool.h"

#include <gtest/gtest.h>

namespace {

struct Locale_case {
    const char* what;
    uint8_t distance, area, volume, mass, pressure, generic;
    std::vector<std::pair<const char*, const char*>> texts; // variable, text
    std::vector<std::pair<int, float>> factors;            // type, factor in force
};

class Units_fixture : public testing::Test {
protected:
    void SetUp() override
    {
        vt.add_units_objects();
        vt.start();
        ASSERT_TRUE(units.init(&vt.pool));
        vt.sent();
    }
    std::string text_of(const char* variable)
    {
        std::string t = vt.pool.find<VT::String_variable_obj>(variable)->get_string();
        return t.substr(0, t.find_last_not_of(' ') + 1);
    }
    Recording_pool vt;
    Units_man units;
};

} // namespace

TEST_F(Units_fixture, EachLocaleWritesItsUnitTexts)
{
    const Locale_case cases[] = {
        {"distance no action, generic US", 3, 0, 0, 0, 0, 2,
         {{"UNIT_DISTANCE", "ft"}, {"UNIT_DISTANCE_SM", "in"}, {"UNIT_DISTANCE_LG", "mi"}, {"UNIT_SPEED", "mph"}},
         {{Units_man::UNITS_SPEED, 2.23693633f}}},
        {"volume no action, generic metric", 0, 0, 3, 0, 0, 0,
         {{"UNIT_VOLUME", "l"}, {"UNIT_VOLUME_DRY", "l"}, {"UNIT_PULSE_PER_VOLUME", "pulses/l"}},
         {{Units_man::UNITS_VOLUME, 1.0f}}},
        {"volume US, mass imperial", 0, 0, 2, 1, 0, 0,
         {{"UNIT_VOLUME", "gal"}, {"UNIT_VOLUME_DRY", "gal"}, {"UNIT_PULSE_PER_VOLUME", "pulses/gal"},
          {"UNIT_MASS", "lb"}, {"UNIT_MASS_KGN", "lbN"}, {"UNIT_MASS_PER_REV", "lb/rev"},
          {"UNIT_PULSE_PER_KG_N", "pulses/lbN"}},
         {{Units_man::UNITS_PULSE_PER_VOLUME, 3.78541183f}, {Units_man::UNITS_MASS, 2.20462251f}}},
        {"generic imperial", 0, 0, 0, 0, 0, 1, {{"UNIT_MASS_PER_VOLUME", "lb/ft3"}}, {}},
        {"generic US", 0, 0, 0, 0, 0, 2, {{"UNIT_MASS_PER_VOLUME", "lb/gal"}}, {}},
        {"pressure and area never US", 0, 2, 0, 0, 2, 0,
         {{"UNIT_PRESSURE", "kpa"}, {"UNIT_AREA_LG", "ha"}}, {}},
    };
    for (const Locale_case& c : cases) {
        SCOPED_TRACE(c.what);
        VT::Locale_info info;
        info.language.set("en");
        info.distance = c.distance;
        info.area = c.area;
        info.volume = c.volume;
        info.mass = c.mass;
        info.pressure = c.pressure;
        info.generic = c.generic;
        EXPECT_EQ(units.configure(info), 0);
        auto cmds = vt.sent();
        for (const auto& t : c.texts) {
            EXPECT_EQ(text_of(t.first), t.second) << t.first;
            EXPECT_FALSE(Recording_pool::of(cmds, Recording_pool::CHANGE_STRING_VALUE, vt.unit_id(t.first)).empty())
                << t.first << " not sent";
        }
        for (const auto& f : c.factors)
            EXPECT_FLOAT_EQ(float(Units_man::factor_of(units.get(f.first))), f.second);
    }
}

TEST_F(Units_fixture, LocaleObjectsFollowSystemLanguageAndDecimalMark)
{
    VT::Locale_info info;
    info.language.set("fr");
    info.distance = 1;
    info.decimal_mark = 0;
    EXPECT_EQ(units.configure(info), 1);
    EXPECT_EQ(vt.pool.find<VT::Object_pointer_obj>("string_locale_cur_units")->get_value(), 301);
    EXPECT_EQ(vt.pool.find<VT::Input_list_obj>("list_locale_units")->get_value(), 1);
    EXPECT_EQ(vt.pool.find<VT::Input_list_obj>("list_locale_language")->get_value(), 1);
    EXPECT_EQ(text_of("UNIT_DECIMAL"), ",");

    // Metric in this language writes the speed through the private entry;
    // the system recorded for speed is left as it was.
    info.distance = 0;
    units.configure(info);
    EXPECT_EQ(text_of("UNIT_SPEED"), "km/h");
    EXPECT_EQ(units.get_system_type(Units_man::UNITS_SPEED), Units_man::UNITS_IMPERIAL);
    EXPECT_EQ(vt.pool.find<VT::Object_pointer_obj>("string_locale_cur_units")->get_value(), 300);

    // An unknown language leaves the language list alone.
    info.language.set("xx");
    EXPECT_EQ(units.configure(info), -1);
    EXPECT_EQ(vt.pool.find<VT::Input_list_obj>("list_locale_language")->get_value(), 1);
}

TEST_F(Units_fixture, TableBoundsAndSharedChanges)
{
    EXPECT_EQ(&Units_man::get(3, 0), &Units_man::null_ustring);
    EXPECT_EQ(&Units_man::get(0, 25), &Units_man::null_ustring);
    EXPECT_FALSE(Units_man::set(0, 25, Units_string{"x", 1.0f}));
    EXPECT_EQ(&units.get(99), &units.get(-1)); // the spare record
    EXPECT_FALSE(units.set(26, Stat_units{}));
    EXPECT_EQ(Units_man::get(0, Units_man::UNITS_COUNT_PER_AREA).factor, 0.0f);
    EXPECT_EQ(std::string(Units_man::get(1, Units_man::UNITS_ANGLE).text), "\xBA");

    Units_string saved = Units_man::get(1, Units_man::UNITS_FIXME);
    ASSERT_TRUE(Units_man::set(1, Units_man::UNITS_FIXME, Units_string{"z", 2.0f}));
    Units_man second;
    EXPECT_EQ(std::string(Units_man::get(1, Units_man::UNITS_FIXME).text), "z");
    Units_man::set(1, Units_man::UNITS_FIXME, saved);
}

TEST(Units_man_test, APoolWithoutTheUnitObjectsLeavesTheRecordsEmpty)
{
    Recording_pool vt;
    vt.start();
    Units_man units;
    EXPECT_TRUE(units.init(&vt.pool));
    VT::Locale_info info;
    info.distance = 1;
    EXPECT_EQ(units.configure(info), -1);
    EXPECT_EQ(units.get(Units_man::UNITS_DISTANCE).obj, nullptr);
    EXPECT_FLOAT_EQ(float(Units_man::factor_of(units.get(Units_man::UNITS_DISTANCE))), 3.2808399f);
}
