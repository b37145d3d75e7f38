// The pool as a VT draws it, at every data-mask size class the generator
// knows and on soft key designators of the sizes VTs report: the generated
// screens alone, and the whole pool the program uploads with the named
// objects of the pool specification (alarm masks, keys and key masks, the
// pencil, the widgets the screens place at run time). Every object inside its
// parent, key and mask; every text inside its field in its font; no value of
// a mask drawn over a text of it, no text or value on a rule of it; a working
// set that a VT lists and lets the operator choose.
#include "Generated_pool.h"

#include "tests/support/pool/Pool_geometry.h"
#include "tests/support/pool/Uploaded_pool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string listed(const std::vector<std::string>& faults)
{
    std::string out;
    for (const std::string& fault : faults)
        out += fault + "\n";
    return out;
}

const int mask_sizes[] = {240, 320, 480};

TEST(PoolGeometryTest, EveryGeneratedMaskFitsAsTheVtDrawsIt)
{
    for (int size : mask_sizes) {
        Generated_pool pool(VtSize(size, size));
        ASSERT_EQ(pool.result, 0) << size;
        const std::vector<std::string> faults =
            check_pool_geometry(pool.objects, generated_pool_geometry_options(size, *pool.table));
        EXPECT_TRUE(faults.empty()) << "mask size " << size << ": " << faults.size() << " faults\n" << listed(faults);
    }
}

TEST(PoolGeometryTest, WholeUploadedPoolFitsAsTheVtDrawsIt)
{
    // The smallest designator a VT may report, which this program's own VT
    // reports too, and larger ones of other VTs.
    const VtSize designators[] = {VtSize(60, 32), VtSize(64, 64), VtSize(80, 80)};
    for (int size : mask_sizes) {
        Uploaded_pool uploaded(VtSize(size, size));
        ASSERT_EQ(uploaded.error, "") << size;
        ASSERT_NE(uploaded.id("alarm_mask_FAN_PRESSURE_LOW"), VT_NULL_ID) << "the specification's objects are there";
        Pool_geometry_options options = uploaded.geometry_options(size);
        for (const VtSize& designator : designators) {
            options.key_width = int(designator.width);
            options.key_height = int(designator.height);
            const std::vector<std::string> faults = check_pool_geometry(uploaded.stream, options);
            EXPECT_TRUE(faults.empty()) << "mask size " << size << ", soft key " << designator.width << " x "
                                        << designator.height << ": " << faults.size() << " faults\n"
                                        << listed(faults);
        }
    }
}

// The check finds what a VT would not show: a title wider than its field in
// its font, a key's mark below the key, a picture larger than its frame.
TEST(PoolGeometryTest, FindsTextsAndMarksThatDoNotShow)
{
    Uploaded_pool uploaded(VtSize(240, 240));
    ASSERT_EQ(uploaded.error, "");
    Pool_builder objects;
    VtMessageReader reader;
    reader.setData(uploaded.stream.data(), uint32_t(uploaded.stream.size()));
    ASSERT_EQ(objects.read_pool(reader), 1);
    auto& title =
        dynamic_cast<VtObjectOutputFieldString&>(*objects.find_object(uploaded.id("os_alarm_title_TANK_ALT_RATE_1")));
    title.setFontAttributes(uploaded.id("font_title"));
    vtChildRefsOf(objects.find_object(uploaded.id("key_cross")))
        ->moveObject(uploaded.id("skpic_cross_red"), 24, 30, false);
    auto& pencil = dynamic_cast<VtObjectContainer&>(*objects.find_object(uploaded.id("pencil")));
    pencil.setSize(VtSize(12, 12));

    const std::string faults = listed(check_pool_geometry(objects, uploaded.geometry_options(240)));
    for (const char* expected : {"text \"Tank 1 alternate rate in use\" needs 448 x 16 in",
                                 "(VtObjectTypePictureGraphic) at (24, 30) size 16 x 16 lies outside",
                                 "(VtObjectTypePictureGraphic) at (2, 2) size 16 x 16 lies outside"})
        EXPECT_NE(faults.find(expected), std::string::npos) << expected << "\nin\n" << faults;
}

// One mask of a small pool, to put values, texts and rules over each other.
class Sibling_overlap : public ::testing::Test {
protected:
    Sibling_overlap() : mask(builder.create_data_mask()) {}

    // A right-justified number in the 8 x 12 font.
    VtObjectOutputFieldNumber* number(int width, int height)
    {
        auto* field = builder.create_output_number(width, height, nullptr, builder.create_font_attribute(2, 0));
        field->setHorizontalJustification(2);
        return field;
    }
    // A text exactly as large as its characters in the 6 x 8 font.
    VtObjectOutputFieldString* text(const char* value)
    {
        return builder.create_text(value, builder.create_font_attribute(0, 0), 2);
    }
    VtObjectContainer* container(bool hidden)
    {
        VtObjectContainer* made = builder.create_container(120, 40);
        made->setHidden(hidden);
        builder.add_to_mask(mask, 0, 0, made);
        return made;
    }
    // The overlaps and crossings the check finds in the mask.
    std::string found()
    {
        std::string out;
        for (const std::string& fault : check_pool_geometry(builder, options))
            if (fault.find(" overlaps ") != std::string::npos || fault.find(" crosses ") != std::string::npos)
                out += fault + "\n";
        return out;
    }

    Pool_builder builder;
    VtObjectDataMask* mask;
    Pool_geometry_options options;
};

// A unit is drawn over its value where their texts meet: beside the value's
// field or under its text it is not; the whole field is not the value's.
TEST_F(Sibling_overlap, AUnitOverTheValuesTextIsFound)
{
    struct Case {
        const char* what;
        int unit_x;
        int unit_y;
        bool found;
    };
    const Case cases[] = {
        {"on the value's line, after its field", 103, 4, false},
        {"on the value's line, over its digits", 82, 4, true},
        {"under the value's text, in its field", 82, 12, false},
        {"reaching up into the value's text", 82, 11, true},
    };
    // A mask of its own for each case.
    std::vector<uint32_t> masks;
    for (const Case& c : cases) {
        VtObjectDataMask* own = builder.create_data_mask();
        builder.add_to_mask(own, 0, 0, number(100, 24));
        builder.add_to_mask(own, c.unit_x, c.unit_y, text("rpm"));
        masks.push_back(own->getOid());
    }
    const std::string faults = found();
    for (size_t i = 0; i < masks.size(); ++i)
        EXPECT_EQ(faults.find("[" + std::to_string(masks[i]) + "] ") != std::string::npos, cases[i].found)
            << cases[i].what << "\n" << faults;
}

// What the screens show one at a time in one place is never drawn together:
// hidden containers stacked in one place (and the one of them the pool
// shows), a pointer's targets; a hidden container beside them may be shown,
// unless the pool is taken as the VT holds it now.
TEST_F(Sibling_overlap, WhatTheScreensShowInTurnIsNotFound)
{
    VtObjectContainer* first = container(true);
    VtObjectContainer* second = container(true);
    VtObjectContainer* shown = container(false);
    builder.add_child(first, 0, 0, number(100, 16));
    builder.add_child(second, 80, 0, text("rpm"));
    builder.add_child(shown, 80, 4, text("kpa"));
    VtObjectPointer* pointer = builder.create_pointer();
    VtObjectOutputFieldNumber* pointed_number = number(100, 16);
    VtObjectOutputFieldString* pointed_text = text("psi");
    pointer->setValue(pointed_number->getOid());
    options.pointer_targets[pointer->getOid()] = {pointed_number->getOid(), pointed_text->getOid()};
    builder.add_to_mask(mask, 0, 100, pointer);
    EXPECT_EQ(found(), "");

    // A hidden container apart from them, over the pointer's number.
    VtObjectContainer* apart = builder.create_container(40, 20);
    apart->setHidden(true);
    builder.add_to_mask(mask, 60, 100, apart);
    builder.add_child(apart, 0, 2, text("bar"));
    EXPECT_NE(found().find("\"bar\""), std::string::npos);
    options.hidden_not_drawn = true;
    EXPECT_EQ(found(), "");
}

// A text or value that a horizontal rule runs through, or touches, is found;
// the lines between columns are left alone.
TEST_F(Sibling_overlap, ATextOnARuleIsFound)
{
    VtObjectLineAttribute* line = builder.create_line_attribute(0, 1);
    builder.add_to_mask(mask, 0, 40, builder.create_horizontal_line(240, line));
    builder.add_to_mask(mask, 60, 0, builder.create_vertical_line(100, line));
    VtObjectInputFieldList* list = builder.create_input_list(60, 18, nullptr);
    list->addElement(builder.create_list_item_text("Actuator", builder.create_font_attribute(2, 0), 60, 18)->getOid());
    builder.add_to_mask(mask, 120, 40, list);
    builder.add_to_mask(mask, 40, 20, text("Ground Spd"));
    builder.add_to_mask(mask, 0, 41, text("Tank"));
    const std::string faults = found();
    EXPECT_NE(faults.find("(VtObjectTypeInputFieldList) at (120, 40) size 60 x 18 crosses"), std::string::npos)
        << faults;
    EXPECT_EQ(faults.find("Ground Spd"), std::string::npos) << faults;
    EXPECT_EQ(faults.find("Tank"), std::string::npos) << faults;
}

TEST(PoolGeometryTest, WrappedLinesBreakAtSpaces)
{
    struct Case {
        const char* text;
        int per_line;
        int lines;
    };
    const Case cases[] = {
        {"", 10, 0},
        {"Tank 1 alternate rate in use", 28, 1},
        {"Tank 1 alternate rate in use", 14, 3}, // "Tank 1" "alternate rate" "in use"
        {"Tank 1 alternate rate in use", 19, 2},
        {"abcdefghij", 4, 3},
        {"a  b", 3, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wrapped_lines(c.text, c.per_line), c.lines) << '"' << c.text << "\" in " << c.per_line;
}

} // namespace
