#include "can/JIN_rawname_friendly.h"
#include "can/Known_names.h"

#include <gtest/gtest.h>

using F = JIN_rawname_friendly;
using namespace J1939;

namespace {

JIN_name::RAWNAME name_of(unsigned group, unsigned device_class, unsigned function)
{
    return JIN_name::RAWNAME(static_cast<industry_group_t>(group), 0,
                             static_cast<device_class_t>(device_class),
                             static_cast<function_code_t>(function), 0, 0, Known_names::maker, 1,
                             true);
}

TEST(JIN_rawname_friendly, TextsAreMadeFromEnumeratorNames)
{
    EXPECT_EQ(F::text_of("DEV_CODE_PLANTER").toStdString(), "Planter");
    EXPECT_EQ(F::text_of("FUNC_CODE__OFF_BOARD_DIAG_TOOL").toStdString(), "Off Board Diag Tool");
    EXPECT_EQ(F::industry_group_t_strings.size(), 5);
    EXPECT_EQ(F::manufacturer_code_t_strings[SOWVANE_MANUFACTURER_CODE].join("").toStdString(),
              "Vormek Positioning Systems");
    EXPECT_EQ(F::fmi_t_strings.size(), 21);
}

TEST(JIN_rawname_friendly, TranslateByCode)
{
    struct Case {
        F::fields_t field;
        long long value;
        bool numeric_fallback;
        bool with_name;
        const char* text;
    } cases[] = {
        {F::INDUSTRY_GROUP, 2, false, false, "Ag Or Forestry"},
        {F::DEVICE_CLASS, 1, false, false, "Highway Tractor/Ag Tractor/Skid Steer Loader"},
        {F::DEVICE_CLASS, 4, false, false, "Planter/Crawler"},
        {F::FUNCTION, 29, false, false, "Virtual Terminal"},
        {F::FUNCTION_INSTANCE, 3, true, true, "Function Instance(03)"},
        {F::IDENTITY_NUMBER, 123, true, false, "123"},
        {F::ECU_INSTANCE, 7, false, false, "07"},
        {F::MANUFACTURER_CODE, 2047, false, false, ""},
        {F::MANUFACTURER_CODE, 2047, true, true, "Manufacturer Code(2047)"},
        {F::SELF_CONFIGURABLE, 1, false, false, "True"},
        {F::SELF_CONFIGURABLE, 0, false, false, "False"},
        {static_cast<F::fields_t>(10), 1, true, true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(F::translate(c.field, c.value, c.numeric_fallback, c.with_name).toStdString(),
                  c.text)
            << "field " << c.field << " value " << c.value;
}

TEST(JIN_rawname_friendly, TranslateInContext)
{
    struct Case {
        unsigned group, device_class, function;
        F::fields_t field;
        const char* text;
    } cases[] = {
        {2, 1, 0, F::DEVICE_CLASS, "Ag Tractor"},
        {3, 4, 0, F::DEVICE_CLASS, "Crawler"},
        {2, 4, 128, F::FUNCTION, "Planter Seed Rate Control"},
        {2, 6, 128, F::FUNCTION, "Sprayer Rate Control"},
        {0, 0, 29, F::FUNCTION, "Virtual Terminal"},
        {2, 0, 130, F::FUNCTION, "Task Controller"},
        {3, 0, 141, F::FUNCTION, "Joystick Control"},
        {2, 9, 129, F::FUNCTION, "Operator Controls"}, // any other combination
        {2, 4, 135, F::FUNCTION, "Weighing System"},   // not listed there: by code
        {2, 4, 200, F::FUNCTION, "200"},               // no text at all: the number
    };
    for (const Case& c : cases)
        EXPECT_EQ(F::translate_context(c.field, name_of(c.group, c.device_class, c.function), true,
                                       false)
                      .toStdString(),
                  c.text)
            << c.group << "/" << c.device_class << "/" << c.function;
}

TEST(JIN_rawname_friendly, FieldListAndNames)
{
    const JIN_name::RAWNAME seeder = Known_names::get_seeder(5);
    EXPECT_EQ(F::translate(seeder, F::INDUSTRY_GROUP, F::FUNCTION_INSTANCE, F::IDENTITY_NUMBER, F::END)
                  .toStdString(),
              "Ag Or Forestry,Function Instance(00),Identity Number(05)");
    EXPECT_EQ(F::get_field_name(F::DEVICE_CLASS).toStdString(), "Device Class");
    EXPECT_EQ(F::get_field_name(static_cast<F::fields_t>(12)).toStdString(), "NONAME");
    EXPECT_EQ(F::get_field_value(seeder, F::SELF_CONFIGURABLE), 1);
    EXPECT_EQ(F::get_field_value(seeder, F::DEVICE_CLASS), 4);
}

} // namespace
