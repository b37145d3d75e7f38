// Number stats on a running client pool whose change commands are recorded:
// what the VT is told to show for a value in each units system, operator
// edits inside and outside the input's limits, units changes and the stats
// bound to the live data store.
#include "vtui/stat/Auto_stat_num.h"
#include "vtui/stat/Stat_num.h"
#include "vtui/stat/Stat_user.h"

#include "glue/cds/Head.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "tests/support/debug_capture.h"
#include "tests/support/vtui/Float_vt.h"
#include "tests/support/vtui/Recording_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

using VT::Object_pool;

namespace {

constexpr unsigned short OUT = 100, IN = 101, VAR = 102, LABEL = 103, PTR = 104, OUT2 = 105, FONT = 27;

struct Recording_user : Stat_user {
    std::vector<Stat*> updates;
    bool handle_stat_update(Stat* s) override
    {
        updates.push_back(s);
        return true;
    }
};

class Stat_num_fixture : public testing::Test {
protected:
    void SetUp() override
    {
        vt.add(new VT::Font_attributes_obj(FONT, "font", 0, 2, 0, 0));
        out = vt.add(new VT::Output_number_obj(OUT, "on_value", 40, 16, 1, FONT, 0, Object_pool::NULL_ID, 0, 0,
                                               1.0f, 0, 0, 2));
        in = vt.add(new VT::Input_number_obj(IN, "in_value", 40, 16, 1, FONT, 1, Object_pool::NULL_ID, 0, 0,
                                             0xFFFFFFFF, 0, 1.0f, 0, 0, 2, true));
        var = vt.add(new VT::Number_variable_obj(VAR, "nv_value", 0));
        label = vt.add(new VT::Output_string_obj(LABEL, "os_label", 40, 16, 1, FONT, 0, Object_pool::NULL_ID, 0, ""));
        ptr = vt.add(new VT::Object_pointer_obj(PTR, "ptr_value", Object_pool::NULL_ID));
        out2 = vt.add(new VT::Output_number_obj(OUT2, "on_other", 40, 16, 1, FONT, 0, Object_pool::NULL_ID, 0, 0,
                                                1.0f, 0, 0, 2));
        vt.add_units_objects();
        units.init(&vt.pool);
        vt.start();
    }

    // Applies a locale with one system for every category.
    void locale(int system)
    {
        VT::Locale_info info;
        info.language.set("en");
        info.distance = info.area = info.volume = info.mass = info.pressure = info.generic = uint8_t(system);
        units.configure(info);
    }

    Recording_pool vt;
    Units_man units;
    Stat_collector col;
    VT::Output_number_obj* out = nullptr;
    VT::Input_number_obj* in = nullptr;
    VT::Number_variable_obj* var = nullptr;
    VT::Output_string_obj* label = nullptr;
    VT::Object_pointer_obj* ptr = nullptr;
    VT::Output_number_obj* out2 = nullptr;
};

struct Show_case {
    int units;
    double scale;
    int decimals;
    int system;
    double value;
    const char* shown;
};

} // namespace

TEST_F(Stat_num_fixture, TheVtShowsTheValueScaledAndRoundedInTheUnitsInForce)
{
    const Show_case cases[] = {
        {Units_man::UNITS_SPEED, 0.01, 1, 0, 2.5, "9.0"},            // m/s as km/h
        {Units_man::UNITS_SPEED, 0.01, 1, 1, 2.5, "5.6"},            // as mph
        {Units_man::UNITS_DISTANCE_SM, 0.001, 1, 0, 0.1234, "12.3"}, // m as cm
        {Units_man::UNITS_DISTANCE_SM, 0.001, 1, 1, 0.1234, "4.8"},  // as in
        {Units_man::UNITS_VOLUME, 0.1, 0, 1, 100.0, "22"},           // l as imperial gal
        {Units_man::UNITS_VOLUME, 0.1, 0, 2, 100.0, "26"},           // as US gal
        {Units_man::UNITS_MASS, 0.5, 1, 0, -3.26, "-3.5"},           // negative, whole steps
        {Units_man::UNITS_PRESSURE, 1.0, 0, 1, 689.5, "100"},        // kPa as psi
        {Units_man::UNITS_MASS_PER_AREA, 0.1, 1, 1, 100.0, "89.2"},  // kg/ha as lb/ac
        {Units_man::UNITS_COUNT_PER_AREA, 1.0, 0, 1, 42.0, "42"},    // no factor: shown as it is
    };
    for (const Show_case& c : cases) {
        SCOPED_TRACE(testing::Message() << "units " << c.units << " system " << c.system << " value " << c.value);
        locale(c.system);
        Stat_num s;
        Stat_num_format f(c.units, c.scale, c.decimals);
        ASSERT_TRUE(s.init(&col, out, 0, f, f, nullptr, Stat_num::RAW_MAX, 0, &vt.pool, label));
        s.set_units(units);
        s.update_scale();
        EXPECT_TRUE(s.set_val(c.value));
        EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 0);
        vt.sent();
        EXPECT_EQ(vt.mirror.shown_output_number(OUT), c.shown);
        col.remove(&s);
    }
}

TEST_F(Stat_num_fixture, WithoutARangeValueZeroSitsInTheMiddleOfTheRawRange)
{
    Stat_num s;
    ASSERT_TRUE(s.init(&col, out, 0, Stat_num_format(), Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0, &vt.pool,
                       nullptr));
    EXPECT_EQ(s.get_raw(), 0x7FFFFFu);
    EXPECT_EQ(out->get_offset(), -0x7FFFFF);
    EXPECT_EQ(col.count(), 1);
}

// ---- the encoding on the VT ----

namespace {

constexpr double PER_ACRE = 0.11208511561944565; // 0.1 lb/ac in kg/ha

struct Typed {
    const char* text; // what the operator types, in the units shown
    double stored;    // the value the stat then holds, in base units
};

struct Encoding_case {
    const char* what;
    int units;
    double metric_scale, imperial_scale;
    int decimals;
    bool ranged;
    double min, max;
    int system;
    // What the input and output are given.
    int offset;
    unsigned raw_min, raw_max;
    std::vector<Typed> typed;
};

} // namespace

// Whatever a number holds, its raw values, limits and offset stay below 2^24:
// a VT that computes (raw + offset) x scale in 32-bit floats shows every
// value of the range exactly to its decimals, and what the operator types
// comes back as exactly that value (100 stays 100, 120 stays 120).
TEST_F(Stat_num_fixture, AFloatVtShowsAndTakesBackEveryValueOfTheRangeExactly)
{
    const Encoding_case cases[] = {
        {"rate in kg/ha", Units_man::UNITS_MASS_PER_AREA, 0.1, PER_ACRE, 1, true, 0, 99999, 0, 0, 0, 999990,
         {{"100.0", 100}, {"120.0", 120}, {"0.0", 0}, {"99999.0", 99999}, {"102.5", 102.5}}},
        {"rate in lb/ac", Units_man::UNITS_MASS_PER_AREA, 0.1, PER_ACRE, 1, true, 0, 99999, 1, 0, 0, 892170,
         {{"100.0", 1000 * PER_ACRE}, {"120.0", 1200 * PER_ACRE}, {"89217.0", 892170 * PER_ACRE}}},
        {"negative range in lb/ac", Units_man::UNITS_MASS_PER_AREA, 0.1, PER_ACRE, 1, true, -50, 150, 1, -446, 0,
         1784, {{"-20.0", -200 * PER_ACRE}, {"-44.6", -446 * PER_ACRE}, {"0.0", 0}, {"133.8", 1338 * PER_ACRE}}},
        {"remaining litres below zero", Units_man::UNITS_VOLUME, 0.1, 0.1, 1, true, -9999, 99999, 0, -99990, 0,
         1099980, {{"-5.5", -5.5}, {"-9999.0", -9999}, {"0.0", 0}, {"99999.0", 99999}}},
        {"percent from 1", Units_man::UNITS_NONE, 0.1, 0.1, 1, true, 1, 100, 0, 0, 10, 1000,
         {{"50.5", 50.5}, {"1.0", 1}, {"100.0", 100}}},
        {"signed count without range", Units_man::UNITS_NONE, 1.0, 1.0, 0, false, 0, 0, 0, -0x7FFFFF, 0,
         2 * 0x7FFFFFu, {{"-3", -3}, {"100", 100}, {"0", 0}, {"8388607", 8388607}}},
    };
    for (const Encoding_case& c : cases) {
        SCOPED_TRACE(c.what);
        locale(c.system);
        Recording_user user;
        Stat_num s;
        ASSERT_TRUE(s.init(&col, in, out, ptr, var, 0, Stat_num_format(c.units, c.metric_scale, c.decimals),
                           Stat_num_format(c.units, c.imperial_scale, c.decimals), Stat_num::RAW_MAX, 0, &vt.pool,
                           nullptr));
        s.set_units(units);
        s.update_scale();
        if (c.ranged)
            s.set_range(c.min, c.max);
        s.set_editable(true);
        s.update_val(Stat::UPDATE_NORMAL);
        vt.sent();

        EXPECT_EQ(in->get_offset(), c.offset);
        EXPECT_EQ(out->get_offset(), c.offset);
        EXPECT_EQ(in->get_min_value(), c.raw_min);
        EXPECT_EQ(in->get_max_value(), c.raw_max);
        EXPECT_FLOAT_EQ(in->get_scale(), out->get_scale());
        for (int64_t n : {int64_t(in->get_offset()), int64_t(in->get_min_value()), int64_t(in->get_max_value()),
                          int64_t(var->get_value())})
            EXPECT_TRUE(float_vt::exact(n)) << n;
        EXPECT_EQ(float_vt::first_inexact(in->get_min_value(), in->get_max_value(), in->get_offset(),
                                          in->get_scale(), c.decimals),
                  "");

        for (const Typed& t : c.typed) {
            SCOPED_TRACE(t.text);
            const int64_t raw = float_vt::entered_raw(t.text, in->get_offset(), in->get_scale());
            ASSERT_GE(raw, 0);
            EXPECT_TRUE(s.update_from_input(uint32_t(raw), &user));
            EXPECT_NEAR(s.get_stat_val(), t.stored, 1e-9 * std::max(1.0, std::fabs(t.stored)));
            vt.sent();
            EXPECT_EQ(float_vt::shown(var->get_value(), out->get_offset(), out->get_scale(), c.decimals), t.text);
            // The stored value set again is the same raw value.
            EXPECT_FALSE(s.set_val(t.stored));
        }
        col.remove(&s);
    }
}

// A value outside the range shows as the nearest end of it; a range wider
// than 2^24 counts is cut at its top.
TEST_F(Stat_num_fixture, AValueOutsideTheRangeShowsAsItsNearestEnd)
{
    Stat_num s;
    ASSERT_TRUE(s.init(&col, out, 0, Stat_num_format(Units_man::UNITS_NONE, 0.1, 1),
                       Stat_num_format(Units_man::UNITS_NONE, 0.1, 1), nullptr, Stat_num::RAW_MAX, 0, &vt.pool,
                       nullptr));
    s.set_range(-50.0, 5000.0);
    const struct {
        double value;
        unsigned raw;
    } values[] = {{-80.0, 0}, {1e12, 50500}, {-1e12, 0}, {5000.0, 50500}, {-50.0, 0}, {0.0, 500}};
    for (const auto& v : values) {
        s.set_val(v.value);
        EXPECT_EQ(s.get_raw(), v.raw) << v.value;
    }

    // A range wider than a VT computes exactly at one decimal is shown
    // whole, not cut; the next narrower range has its decimal back.
    s.set_range(0.0, 1e7);
    EXPECT_EQ(out->get_offset(), 0);
    EXPECT_EQ(out->get_no_decimals(), 0);
    s.set_val(1e7);
    EXPECT_EQ(s.get_raw(), 10000000u);
    EXPECT_LT(s.get_raw(), Stat_num::RAW_MAX);
    s.set_range(0.0, 5000.0);
    EXPECT_EQ(out->get_no_decimals(), 1);
    s.set_val(4999.9);
    EXPECT_EQ(s.get_raw(), 49999u);

    // Without decimals left to give, it is shown in tens: a float VT
    // still shows the value to its step.
    Stat_num whole;
    ASSERT_TRUE(whole.init(&col, out, 0, Stat_num_format(Units_man::UNITS_NONE, 1.0, 0),
                           Stat_num_format(Units_man::UNITS_NONE, 1.0, 0), nullptr, Stat_num::RAW_MAX, 0, &vt.pool,
                           nullptr));
    whole.set_range(0.0, 1e8);
    whole.set_val(12345678.0);
    EXPECT_EQ(whole.get_raw(), 1234568u);
    EXPECT_EQ(float_vt::shown(whole.get_raw(), out->get_offset(), out->get_scale(), 0), "12345680");

    // Only a range beyond every coarser step is cut at its top.
    Debug_capture lines;
    whole.set_range(0.0, 1e20);
    whole.set_val(1e20);
    EXPECT_EQ(whole.get_raw(), Stat_num::RAW_MAX);
    EXPECT_NE(lines.text().find("cut"), std::string::npos);
}

// The units change gives the objects their new scale, offset and limits
// before the value in the new units reaches the variable they share; both
// systems keep every raw value, limit and offset below 2^24.
TEST_F(Stat_num_fixture, AUnitsChangeSendsTheNewEncodingBeforeTheValue)
{
    Stat_num s;
    locale(0);
    ASSERT_TRUE(s.init(&col, in, out, ptr, var, 0, Stat_num_format(Units_man::UNITS_MASS_PER_AREA, 0.1, 1),
                       Stat_num_format(Units_man::UNITS_MASS_PER_AREA, PER_ACRE, 1), Stat_num::RAW_MAX, 0, &vt.pool,
                       nullptr));
    s.set_units(units);
    s.update_scale();
    s.set_range(-50.0, 150.0);
    s.set_val(100.0);
    s.update_val(Stat::UPDATE_NORMAL);
    vt.sent();
    EXPECT_EQ(float_vt::shown(var->get_value(), out->get_offset(), out->get_scale(), 1), "100.0");

    const struct {
        int system;
        int offset;
        const char* shown;
    } steps[] = {{1, -446, "89.2"}, {0, -500, "100.0"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.system);
        locale(step.system);
        EXPECT_TRUE(s.set_units(units, true));
        s.update_val(Stat::UPDATE_NORMAL);
        const std::vector<Vt_cmd> cmds = vt.sent();
        size_t value_at = cmds.size(), last_attribute = 0;
        for (size_t i = 0; i < cmds.size(); ++i) {
            if (cmds[i].function == Recording_pool::CHANGE_NUMERIC_VALUE && cmds[i].id == VAR)
                value_at = std::min(value_at, i);
            if (cmds[i].function == Recording_pool::CHANGE_ATTRIBUTE)
                last_attribute = i;
        }
        ASSERT_LT(value_at, cmds.size());
        EXPECT_LT(last_attribute, value_at);
        EXPECT_EQ(vt.mirror.attributes.at({IN, 9}), uint32_t(step.offset));
        EXPECT_EQ(vt.mirror.attributes.at({OUT, 7}), uint32_t(step.offset));
        for (int aid : {7, 8})
            EXPECT_TRUE(float_vt::exact(vt.mirror.attributes.at({IN, aid})));
        EXPECT_TRUE(float_vt::exact(vt.mirror.values.at(VAR)));
        EXPECT_EQ(float_vt::shown(var->get_value(), out->get_offset(), out->get_scale(), 1), step.shown);
    }
}

TEST_F(Stat_num_fixture, RoundingToDecimalsIsSymmetricForNegatives)
{
    const struct {
        double x;
        int d;
        double expected;
    } cases[] = {{2.345, 2, 2.35}, {-2.345, 2, -2.34}, {-1.26, 1, -1.3}, {-1.25, 1, -1.2},
                 {-0.26, 1, -0.3}, {0.26, 1, 0.3},     {-0.24, 1, -0.2}, {0.0, 2, 0.0}};
    for (const auto& c : cases)
        EXPECT_NEAR(Stat_num::round_to_decimals(c.x, c.d), c.expected, 1e-9) << c.x << " to " << c.d;
}

TEST_F(Stat_num_fixture, OperatorEditInsideTheLimitsIsTakenAndOneOutsideIsRefused)
{
    Recording_user user;
    Stat_num s;
    Stat_num_format f(Units_man::UNITS_MASS_PER_AREA, 0.1, 1);
    ASSERT_TRUE(s.init(&col, in, 0, f, f, nullptr, Stat_num::RAW_MAX, 0, &vt.pool, label));
    locale(1);
    s.set_units(units);
    s.update_scale();
    s.set_editable(true);
    s.set_range(0.0, 200.0);
    vt.sent();
    // The input's limits are the range in lb/ac.
    double k = 0.892179132;
    auto raw_for_display = [&](double shown) {
        return unsigned(int64_t(std::lround(shown / (k * 0.1))) - in->get_offset());
    };
    EXPECT_EQ(in->get_min_value(), raw_for_display(0.0));
    EXPECT_EQ(in->get_max_value(), raw_for_display(Stat_num::round_to_decimals(200.0 * k, 1)));

    unsigned inside = raw_for_display(89.2);
    EXPECT_TRUE(s.update_from_input(inside, &user));
    ASSERT_EQ(user.updates.size(), 1u);
    EXPECT_EQ(user.updates[0], &s);
    EXPECT_EQ(s.get_raw(), inside);
    EXPECT_NEAR(s.get_stat_val(), 89.2 / k, 0.1);
    vt.sent();

    Debug_capture lines;
    unsigned outside = raw_for_display(250.0);
    EXPECT_FALSE(s.update_from_input(outside, &user));
    EXPECT_EQ(user.updates.size(), 1u);
    EXPECT_EQ(s.get_raw(), inside);
    EXPECT_NE(lines.text().find("refused"), std::string::npos);
    // The VT is told the stored value again.
    auto back = Recording_pool::of(vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, IN);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].value, inside);
}

TEST_F(Stat_num_fixture, AnInputOfATypeWithoutFactorRefusesEdits)
{
    Recording_user user;
    Stat_num s;
    Stat_num_format f(Units_man::UNITS_COUNT_PER_AREA, 1.0, 0);
    ASSERT_TRUE(s.init(&col, in, 0, f, f, nullptr, Stat_num::RAW_MAX, 0, &vt.pool, nullptr));
    locale(0);
    s.set_units(units);
    EXPECT_EQ(s.get_units_factor(), 0.0);
    s.update_scale();
    EXPECT_FLOAT_EQ(in->get_scale(), 1.0f);
    Debug_capture lines;
    EXPECT_FALSE(s.update_from_input(Stat_num::RAW_MAX / 2 + 5, &user));
    EXPECT_TRUE(user.updates.empty());
    EXPECT_NE(lines.text().find("no factor"), std::string::npos);
}

TEST_F(Stat_num_fixture, LocaleChangeSwitchesUnitsTextAndScaleAndKeepsTheValue)
{
    Stat_num s;
    Stat_num_format f(Units_man::UNITS_SPEED, 0.01, 1);
    ASSERT_TRUE(s.init(&col, out, 0, f, f, nullptr, Stat_num::RAW_MAX, 0, &vt.pool, label));
    locale(0);
    s.set_units(units);
    s.update_scale();
    s.set_val(10.0);
    s.update_val(Stat::UPDATE_NORMAL);
    vt.sent();
    EXPECT_EQ(vt.mirror.shown_output_number(OUT), "36.0");
    EXPECT_EQ(vt.mirror.texts[vt.unit_id("UNIT_SPEED")].substr(0, 4), "km/h");
    EXPECT_EQ(label->get_variable_reference(), vt.unit_id("UNIT_SPEED"));

    locale(1);
    EXPECT_TRUE(s.set_units(units, true));
    EXPECT_EQ(s.get_system(), Units_man::UNITS_IMPERIAL);
    s.update_scale();
    s.update_val(Stat::UPDATE_NORMAL);
    vt.sent();
    EXPECT_EQ(vt.mirror.shown_output_number(OUT), "22.4");
    EXPECT_EQ(vt.mirror.texts[vt.unit_id("UNIT_SPEED")].substr(0, 3), "mph");
    EXPECT_NEAR(s.get_stat_val(), 10.0, 1e-9);

    // The same system again changes nothing.
    EXPECT_FALSE(s.set_units(units, true));
}

TEST_F(Stat_num_fixture, PushesAreRateLimitedUntilForced)
{
    Stat_num s;
    ASSERT_TRUE(s.init(&col, out, 1000, Stat_num_format(), Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0,
                       &vt.pool, nullptr));
    vt.sent();
    // The set-up's own write takes no turn: the first value goes at once,
    // the next waits for the interval.
    EXPECT_TRUE(s.set_val(4.0));
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 0);
    EXPECT_EQ(Recording_pool::of(vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, OUT).size(), 1u);
    EXPECT_TRUE(s.set_val(5.0));
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 1);
    EXPECT_TRUE(vt.sent().empty());
    EXPECT_FALSE(s.val_up_to_date());
    s.force_send_update();
    auto cmds = Recording_pool::of(vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, OUT);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].value, Stat_num::RAW_MAX / 2 + 5);
    EXPECT_TRUE(s.val_up_to_date());
    // Setting what the VT holds already is no change.
    EXPECT_FALSE(s.set_val(5.0));
}

// A value that is not a number, or an infinity, has no raw value: the stat
// refuses it and keeps the value it had.
TEST_F(Stat_num_fixture, AValueThatIsNotFiniteIsRefused)
{
    Stat_num s;
    ASSERT_TRUE(s.init(&col, out, 0, Stat_num_format(), Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0, &vt.pool,
                       nullptr));
    s.set_range(-100.0, 100.0);
    EXPECT_TRUE(s.set_val(5.0));
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 0);
    vt.sent();
    for (double v : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        SCOPED_TRACE(v);
        EXPECT_FALSE(s.set_val(v));
        EXPECT_DOUBLE_EQ(s.get_stat_val(), 5.0);
        EXPECT_TRUE(s.val_up_to_date());
        EXPECT_FALSE(s.increment(v));
    }
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 0);
    EXPECT_TRUE(vt.sent().empty());
}

TEST_F(Stat_num_fixture, AVariableCarriesTheValueForItsObjects)
{
    Stat_num s;
    ASSERT_TRUE(s.init(&col, in, out, ptr, var, 0, Stat_num_format(), Stat_num_format(), Stat_num::RAW_MAX, 0,
                       &vt.pool, nullptr));
    EXPECT_EQ(in->get_variable_reference(), VAR);
    s.set_editable(true);
    EXPECT_EQ(ptr->get_value(), IN);
    s.set_editable(false);
    EXPECT_EQ(ptr->get_value(), OUT);
    vt.sent();
    s.set_val_int(-3);
    s.update_val(Stat::UPDATE_NORMAL);
    auto cmds = vt.sent();
    EXPECT_EQ(Recording_pool::of(cmds, Recording_pool::CHANGE_NUMERIC_VALUE, VAR).size(), 1u);
    EXPECT_TRUE(Recording_pool::of(cmds, Recording_pool::CHANGE_NUMERIC_VALUE, OUT).empty());
    EXPECT_EQ(s.get_val_int(), -3);

    EXPECT_TRUE(s.can_update_from_id(VAR));
    EXPECT_TRUE(s.can_update_from_id(IN));
    EXPECT_TRUE(s.can_update_from_id(OUT));
    EXPECT_FALSE(s.can_update_from_id(PTR));
}

// An input shown without a look pointer shows its edit state and live
// editing by its input options (a version 4 VT: the enabled state by
// Enable/Disable Object, the live editing bit by Change Attribute of options
// 2); its display options stay as they are.
TEST_F(Stat_num_fixture, EditStateAndLiveEditGoToTheInputOptionsNotTheLook)
{
    vt.pool.set_vt_version(4);
    Stat_num s;
    ASSERT_TRUE(s.init(&col, in, 0, Stat_num_format(), Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0, &vt.pool,
                       nullptr));
    vt.sent();
    const unsigned char display = in->get_options();
    const std::function<void()> steps[] = {
        [&] { s.set_editable(false); },
        [&] { s.set_live_edit(true); },
        [&] { s.set_editable(true); },
        [&] { s.set_live_edit(false); },
    };
    // Options 2 as Change Attribute sets it, or (-1, the state) as
    // Enable/Disable Object does.
    std::vector<std::pair<int, uint32_t>> sent;
    for (const auto& step : steps) {
        step();
        for (const Vt_cmd& c : vt.sent()) {
            ASSERT_EQ(c.id, IN);
            if (c.function == Recording_pool::CHANGE_ATTRIBUTE) {
                ASSERT_EQ(c.aid, 15);
                sent.push_back({15, c.value});
            } else {
                ASSERT_EQ(c.function, Recording_pool::ENABLE_DISABLE);
                sent.push_back({-1, c.value});
            }
        }
    }
    EXPECT_EQ(sent, (std::vector<std::pair<int, uint32_t>>{{-1, 0}, {15, 2}, {-1, 0}, {-1, 1}, {15, 1}, {-1, 1}}));
    EXPECT_EQ(in->get_input_options(), 1);
    EXPECT_EQ(in->get_options(), display);
}

TEST_F(Stat_num_fixture, AnUnboundStatTakesNoEventThatNamesNoObject)
{
    Stat_num s;
    EXPECT_FALSE(s.can_update_from_id(Object_pool::NULL_ID));
    EXPECT_FALSE(s.get_editable());
    s.set_editable(true);
    EXPECT_FALSE(s.get_editable()); // no input object
}

TEST_F(Stat_num_fixture, AMissingObjectLeavesTheStatInactiveWithALine)
{
    Debug_capture lines;
    Stat_num s;
    VT::Output_number_obj* missing = vt.pool.find<VT::Output_number_obj>("on_not_there");
    EXPECT_FALSE(s.init(&col, missing, 0, Stat_num_format(), Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0,
                        &vt.pool, nullptr));
    EXPECT_FALSE(s.is_active());
    EXPECT_EQ(col.count(), 0);
    EXPECT_NE(lines.text().find("missing"), std::string::npos);
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 0);
    EXPECT_FALSE(s.update_from_input(5, nullptr));
}

TEST_F(Stat_num_fixture, CollectorSuspendsAndResumesTheEditableState)
{
    Stat_num a, b;
    ASSERT_TRUE(a.init(&col, in, out, ptr, var, 0, Stat_num_format(), Stat_num_format(), Stat_num::RAW_MAX, 0,
                       &vt.pool, nullptr));
    ASSERT_TRUE(b.init(&col, out2, 0, Stat_num_format(), Stat_num_format(), nullptr, Stat_num::RAW_MAX, 0,
                       &vt.pool, nullptr));
    a.set_editable(true);
    col.suspend_editable();
    EXPECT_EQ(ptr->get_value(), OUT);
    EXPECT_TRUE(a.editable_flag());
    col.resume_editable();
    EXPECT_EQ(ptr->get_value(), IN);
    a.set_editable(false);
    col.resume_editable();
    EXPECT_EQ(ptr->get_value(), OUT);
}

TEST_F(Stat_num_fixture, RunTimeObjectsJoinThePool)
{
    Stat_num s;
    ASSERT_TRUE(s.dyn_create_objects(&vt.pool, true, true, true, true));
    ASSERT_TRUE(s.dyn_init(&vt.pool, &col, vt.pool.find<VT::Font_attributes_obj>(FONT), label));
    ASSERT_NE(s.get_in_object_id(), Object_pool::NULL_ID);
    auto* made = vt.pool.find<VT::Input_number_obj>(s.get_in_object_id());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(std::string(made->get_name()).substr(0, 3), "SnI");
    EXPECT_EQ(made->get_variable_reference(), s.get_var_id());
    EXPECT_EQ(vt.pool.pending_uploads(), 4);
    EXPECT_EQ(col.count(), 1);
}

// ---- bound to the live data store ----

namespace {

struct Block {
    int count;
    float rate;
    double area;
};

struct Owner : Stat_owner {
    int incomplete = 0;
    void values_incomplete() override { ++incomplete; }
};

template <class T>
class Auto_stat_fixture : public Stat_num_fixture {
protected:
    Auto_stat_fixture() : head(&mm, reinterpret_cast<unsigned long>(&block)) { waiter.init(&mm); }

    T& field();
    // Delivers the change events as the UI module does.
    int deliver()
    {
        int n = 0;
        waiter_event e;
        while (waiter.get_event(&e, Atime::now()) == 0) {
            if (e.module_id == head.get_virt_access_id()) {
                CDS::Virt_access::from_event_code(e.code)->handle_event();
                ++n;
            }
        }
        return n;
    }

    module_man mm;
    Block block{};
    CDS::Head head;
    waiter_descriptor waiter;
    Owner owner;
};
template <>
int& Auto_stat_fixture<int>::field() { return block.count; }
template <>
float& Auto_stat_fixture<float>::field() { return block.rate; }
template <>
double& Auto_stat_fixture<double>::field() { return block.area; }

using Field_types = testing::Types<int, float, double>;
TYPED_TEST_SUITE(Auto_stat_fixture, Field_types);

} // namespace

TYPED_TEST(Auto_stat_fixture, FollowsItsFieldWhenTheStoreSignalsAChange)
{
    Auto_stat_num<TypeParam> s;
    TypeParam& f = this->field();
    CDS::Access_base access(&this->head, this->head.offset_of(&f), int(sizeof f));
    ASSERT_TRUE(s.init(access, f, &this->owner, &this->col, this->out, 0, Stat_num_format(), Stat_num_format(),
                       nullptr, Stat_num::RAW_MAX, 0, &this->vt.pool, nullptr));
    ASSERT_EQ(s.CDS::Virt_access::autoreg(&this->waiter), 0);
    this->vt.sent();

    TypeParam v = TypeParam(7);
    this->head.write(&f, &v, int(sizeof v));
    EXPECT_EQ(this->deliver(), 1);
    EXPECT_EQ(this->owner.incomplete, 1);
    EXPECT_EQ(s.update_val(Stat::UPDATE_NORMAL), 0);
    auto cmds = Recording_pool::of(this->vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, OUT);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].value, Stat_num::RAW_MAX / 2 + 7);

    // The same value again: no change, the owner is left alone.
    this->head.write(&f, &v, int(sizeof v));
    this->deliver();
    EXPECT_EQ(this->owner.incomplete, 1);
    // send_now pushes at once even when unchanged.
    s.handle_event(true);
    EXPECT_EQ(Recording_pool::of(this->vt.sent(), Recording_pool::CHANGE_NUMERIC_VALUE, OUT).size(), 1u);
}

TEST_F(Stat_num_fixture, AnAutoStatWithoutStoreStaysInactiveWithALine)
{
    Debug_capture lines;
    Auto_stat_num<float> s;
    float field = 0;
    EXPECT_FALSE(s.init(CDS::Access_base(), field, nullptr, &col, out, 0, Stat_num_format(), Stat_num_format(),
                        nullptr, Stat_num::RAW_MAX, 0, &vt.pool, nullptr));
    EXPECT_EQ(col.count(), 0);
    s.handle_event(true); // a stray callback does nothing
    EXPECT_NE(lines.text().find("no data-store field"), std::string::npos);
}
