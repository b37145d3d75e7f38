#include "apps/sowvane/pool/Pool_builder.h"

#include "vt_object_model/VtLogger.h"
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtMessageWriter.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

namespace {

// Keeps every trace and line as text.
class Text_logger : public VtLogger {
public:
    void trace(int indent, const char* format, ...) override
    {
        va_list args;
        va_start(args, format);
        append(format, args);
        va_end(args);
    }
    void line(const char* format, ...) override
    {
        va_list args;
        va_start(args, format);
        append(format, args);
        va_end(args);
        text += "\n";
    }

    std::string text;

private:
    void append(const char* format, va_list args)
    {
        char out[kMaxText + 1];
        formatText(out, format, args);
        text += out;
    }
};

class PoolBuilderTest : public ::testing::Test {
protected:
    // A font attribute of the size code, made by the builder under test.
    VtObjectFontAttribute* font(uint32_t code) { return builder.create_font_attribute(code, 0); }

    std::pair<int, int> position(VtObjectRefList& children, const VtObject* child)
    {
        for (uint32_t i = 0; i < children.size(); ++i)
            if (children.at(i)->oid == child->getOid())
                return {children.at(i)->x, children.at(i)->y};
        return {-9999, -9999};
    }

    Pool_builder builder;
};

TEST_F(PoolBuilderTest, FreshBuilderHoldsOnlyTheWorkingSet)
{
    EXPECT_EQ(builder.object_count(), 1u);
    ASSERT_NE(builder.working_set(), nullptr);
    EXPECT_EQ(builder.working_set()->getOid(), 10000u);
    EXPECT_EQ(builder.find_object(10000), builder.working_set());
    EXPECT_EQ(builder.create_pointer()->getOid(), 10001u);
    EXPECT_EQ(builder.find_object(65536), nullptr);
}

TEST_F(PoolBuilderTest, FirstDataMaskIsTheActiveMaskAndSoftKeysAttachOnce)
{
    VtObjectDataMask* first = builder.create_data_mask();
    VtObjectSoftKeyMask* keys = builder.create_soft_key_mask(1);
    VtObjectSoftKeyMask* second_keys = builder.create_soft_key_mask(1);
    VtObjectDataMask* second = builder.create_data_mask();

    EXPECT_EQ(builder.working_set()->getActiveMask(), first->getOid());
    EXPECT_EQ(first->getSoftKeyMask(), keys->getOid()) << "a later soft key mask does not replace the first";
    EXPECT_NE(first->getSoftKeyMask(), second_keys->getOid());
    EXPECT_EQ(builder.current_mask(), second);
    EXPECT_EQ(second->getSoftKeyMask(), VT_NULL_ID);
}

TEST_F(PoolBuilderTest, TextIsSizedByItsFont)
{
    VtObjectOutputFieldString* text = builder.create_text("SEEDER", font(3), 1);
    EXPECT_EQ(text->getWidth(), 72u);
    EXPECT_EQ(text->getHeight(), 17u);
    EXPECT_STREQ(text->getValue().c_str(), "SEEDER");
    EXPECT_EQ(text->getOptions(), 1u);
    EXPECT_EQ(text->getHorizontalJustification(), 1u);
}

TEST_F(PoolBuilderTest, SoftKeyCarriesItsTwoLinesOneUnderTheOther)
{
    VtObjectSoftKeyMask* mask = builder.create_soft_key_mask(1);
    VtObjectKey* key = builder.create_soft_key(mask, 1, 17, "Main", "Screen", font(2));
    ASSERT_EQ(mask->getChilds().size(), 1u);
    EXPECT_EQ(mask->getChilds().at(0)->oid, key->getOid());
    EXPECT_EQ(key->getKeyCode(), 17u);
    ASSERT_EQ(key->getChilds().size(), 2u);
    EXPECT_EQ(key->getChilds().at(0)->x, 5);
    EXPECT_EQ(key->getChilds().at(0)->y, 5);
    EXPECT_EQ(key->getChilds().at(1)->y, 5 + 13) << "under line 1, whose text is 12 + 1 high";

    VtObjectKey* outside = builder.create_key(1, 7, "Accept", nullptr, font(2));
    EXPECT_EQ(mask->getChilds().size(), 1u) << "a key made with create_key belongs to no mask";
    EXPECT_EQ(outside->getChilds().size(), 1u);
}

TEST_F(PoolBuilderTest, ButtonsCentreTheirContent)
{
    // Centred in the face, 52 x 22 inside the 4-pixel border a VT draws.
    VtObjectOutputFieldNumber* number = builder.create_output_number(20, 10, nullptr, font(0));
    VtObjectButton* button = builder.create_button(60, 30, 1, 30, number);
    EXPECT_EQ(button->getBorderColour().getIndex(), 8u);
    EXPECT_FALSE(button->getLatchable());
    EXPECT_EQ(position(button->getChilds(), number), std::make_pair((52 - 20) / 2, (22 - 10) / 2));

    VtObjectButton* labelled = builder.create_label_button(60, 30, 12, 84, "MAN", font(0));
    ASSERT_EQ(labelled->getChilds().size(), 1u);
    EXPECT_EQ(labelled->getChilds().at(0)->x, (52 - 18) / 2);
    EXPECT_EQ(labelled->getChilds().at(0)->y, (22 - 9) / 2);
}

TEST_F(PoolBuilderTest, FramedTextSitsInsideItsRectangle)
{
    VtObjectContainer* frame = builder.create_framed_text("1", font(1), builder.create_line_attribute(0, 1));
    EXPECT_EQ(frame->getWidth(), 10u);
    EXPECT_EQ(frame->getHeight(), 11u);
    ASSERT_EQ(frame->getChilds().size(), 2u);
    auto* rectangle = dynamic_cast<VtObjectRectangle*>(builder.find_object(frame->getChilds().at(0)->oid));
    ASSERT_NE(rectangle, nullptr);
    EXPECT_EQ(rectangle->getFillAttributes(), VT_NULL_ID);
    EXPECT_EQ(frame->getChilds().at(1)->x, 1);
    EXPECT_EQ(frame->getChilds().at(1)->y, 1);
}

TEST_F(PoolBuilderTest, RowPlacementFollowsTheBands)
{
    VtObjectContainer* box = builder.create_container(100, 60);
    VtObjectFontAttribute* small = font(0); // 6 x 8

    VtObjectOutputFieldString* left = builder.add_text_left(box, "abc", small, 3, 1, 2);
    EXPECT_EQ(left->getHeight(), 18u);
    EXPECT_EQ(position(box->getChilds(), left), std::make_pair(4, 20 + 1));

    VtObjectOutputFieldString* wide = builder.add_text_centred(box, "a text too wide for the box", small, 2, 1);
    EXPECT_EQ(wide->getWidth(), 100u) << "capped at the container's width";
    EXPECT_EQ(position(box->getChilds(), wide), std::make_pair(0, 30 + (30 - 9) / 2));

    VtObjectInputFieldNumber* input = builder.add_input_number_row(box, nullptr, small, 3, 2, 0, 0);
    EXPECT_EQ(input->getMinValue(), 0u);
    EXPECT_EQ(input->getMaxValue(), 999u);
    EXPECT_EQ(input->getNumberOfDecimals(), 0u);
    EXPECT_DOUBLE_EQ(input->getScale(), 1.0);
    EXPECT_TRUE(input->getEnabled());
    EXPECT_EQ(input->getWidth(), 96u);
    EXPECT_EQ(input->getHeight(), 16u);
    EXPECT_EQ(position(box->getChilds(), input), std::make_pair(2 + 2, -2 + 2 + 40));

    VtObjectInputFieldList* list = builder.add_input_list_row(box, small, 2, 0, {"Disabled", nullptr, "Enabled"});
    ASSERT_EQ(list->getElements().size(), 2u);
    auto* item = dynamic_cast<VtObjectOutputFieldString*>(builder.find_object(list->getElements().at(1)->oid));
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->getValue().c_str(), "Enabled");
    EXPECT_EQ(item->getWidth(), list->getWidth());

    VtObjectOutputFieldString* unit = builder.create_text("kg", small, 2);
    VtObjectPointer* pointer = builder.add_unit_pointer(box, unit->getOid(), 10, 9, -3, 0);
    EXPECT_EQ(pointer->getValue(), unit->getOid());
    // Row 9 of 10 would put the 9-pixel text past the foot: it stays inside.
    EXPECT_EQ(position(box->getChilds(), pointer), std::make_pair(100 - 3 - 12, 60 - 9));
}

TEST_F(PoolBuilderTest, SpanPlacementSizesAndCentresTheField)
{
    VtObjectContainer* column = builder.create_container(48, 44);
    VtObjectInputFieldNumber* input = builder.create_input_number(42, 22, nullptr, font(2));
    builder.span_input_number(column, input, 3, 1, 2);
    // band (44 - 4) / 3 = 13; height 2 x 13 - 4 = 22; y = 6 + 13 + 2 - 11 - 2.
    EXPECT_EQ(input->getHeight(), 22u);
    EXPECT_EQ(position(column->getChilds(), input), std::make_pair(3, 8));

    VtObjectOutputFieldNumber* number = builder.create_output_number(42, 14, nullptr, font(2));
    VtObjectContainer* frame = builder.create_container(0, 0);
    builder.span_output_number_in_frame(column, number, frame, 2, 1, 1);
    EXPECT_EQ(frame->getWidth(), 48u);
    EXPECT_EQ(frame->getHeight(), 44u);
    EXPECT_EQ(number->getHeight(), 22u);
    // The frame covers the column; the number takes its place in the frame.
    EXPECT_EQ(position(column->getChilds(), frame), std::make_pair(0, 0));
    EXPECT_EQ(position(frame->getChilds(), number), std::make_pair(3, 22 + 11 - 11));

    VtObjectOutputFieldNumber* output = builder.create_output_number(42, 14, nullptr, font(2));
    VtObjectInputFieldNumber* editable = builder.create_input_number(42, 14, nullptr, font(2));
    VtObjectPointer* shown = builder.create_pointer();
    VtObjectContainer* hidden = builder.add_hidden_number_pair(column, output, editable, shown, 4, 2, 2);
    EXPECT_TRUE(hidden->getHidden());
    EXPECT_EQ(hidden->getChilds().size(), 2u);
    EXPECT_EQ(output->getHeight(), 22u);
    EXPECT_EQ(editable->getHeight(), 15u);
    EXPECT_EQ(position(column->getChilds(), shown), std::make_pair(3, 22 + 5 - 7));
    // Hidden, but large enough to hold the two numbers it keeps.
    EXPECT_EQ(hidden->getWidth(), 42u);
    EXPECT_EQ(hidden->getHeight(), 22u);
}

struct Fit_row {
    const char* what;
    uint32_t size;
    int characters;
    int width;
    int height;
    uint32_t expected;
};

TEST_F(PoolBuilderTest, FittingFontTakesTheLargestSizeThatFits)
{
    const Fit_row rows[] = {
        {"fits as it is", 2, 6, 48, 12, 2},
        {"8 x 12 too wide: 6 x 8", 2, 8, 55, 18, 0},
        {"12 x 16 too wide: 8 x 12, which is as wide as 8 x 8 and higher", 3, 8, 75, 26, 2},
        {"too low for 8 x 12: 8 x 8", 3, 4, 100, 10, 1},
        {"nothing fits: the smallest", 5, 30, 60, 4, 0},
    };
    for (const Fit_row& row : rows) {
        VtObjectFontAttribute* font = builder.create_font_attribute(row.size, 12);
        font->setFontStyle(1);
        VtObjectFontAttribute* fitting = builder.fitting_font(font, row.characters, row.width, row.height);
        ASSERT_NE(fitting, nullptr) << row.what;
        EXPECT_EQ(fitting->getFontSize(), row.expected) << row.what;
        EXPECT_EQ(fitting->getFontColour().getIndex(), 12u) << row.what;
        EXPECT_EQ(fitting->getFontStyle(), 1u) << row.what;
        EXPECT_EQ(fitting == font, row.expected == row.size) << row.what;
        EXPECT_EQ(builder.fitting_font(font, row.characters, row.width, row.height), fitting)
            << row.what << ": made once, then reused";
    }
}

TEST_F(PoolBuilderTest, LabelsTakeASmallerFontWhereTheirPlaceIsNarrow)
{
    // A list of 55 pixels: "Granular" in 8 x 12 needs 64.
    VtObjectInputFieldList* list = builder.create_input_list(55, 18, nullptr);
    VtObjectOutputFieldString* item = builder.create_list_item_text("Granular", font(2), 55, 18);
    list->addElement(item->getOid());
    auto* item_font = dynamic_cast<VtObjectFontAttribute*>(builder.find_object(item->getFontAttributes()));
    ASSERT_NE(item_font, nullptr);
    EXPECT_EQ(item_font->getFontSize(), 0u);

    // A key label of nine characters in 8 x 12 would pass the 60-pixel key.
    VtObjectKey* key = builder.create_key(1, 18, "Calibrate", nullptr, font(2));
    ASSERT_EQ(key->getChilds().size(), 1u);
    auto* label = dynamic_cast<VtObjectOutputFieldString*>(builder.find_object(key->getChilds().at(0)->oid));
    ASSERT_NE(label, nullptr);
    EXPECT_LE(5 + int(label->getWidth()), Pool_builder::key_width);

    // A centred heading shrinks rather than pass its container's edge; a
    // left-aligned one keeps to the container less its indent of 4.
    VtObjectContainer* box = builder.create_container(60, 48);
    VtObjectOutputFieldString* heading = builder.add_text_centred(box, "Ground Spd", font(1), 3, 0);
    EXPECT_EQ(heading->getWidth(), 10u * 6u);
    VtObjectOutputFieldString* left = builder.add_text_left(box, "A long instruction", font(0), 1, 0, 4);
    EXPECT_EQ(left->getWidth(), 60u - 4u);
}

TEST_F(PoolBuilderTest, PlacementWithoutParentOrChildDoesNothing)
{
    VtObjectContainer* box = builder.create_container(10, 10);
    EXPECT_EQ(builder.add_child(nullptr, 0, 0, box), nullptr);
    EXPECT_EQ(builder.add_child(box, 0, 0, nullptr), nullptr);
    EXPECT_EQ(builder.add_text_left(nullptr, "x", font(0), 1, 0, 1), nullptr);
    EXPECT_EQ(builder.span_button(box, nullptr, 1, 0, 1), nullptr);
    EXPECT_EQ(box->getChilds().size(), 0u);
}

TEST_F(PoolBuilderTest, ImageStartsWithTheWorkingSetAndReadsBack)
{
    builder.add_to_working_set(5, 5, builder.create_text("SEEDER", font(2), 1));
    builder.create_data_mask();
    VtMessageWriter writer(1000, nullptr);
    ASSERT_EQ(builder.write_pool(writer), 0);
    ASSERT_GE(writer.getLength(), 3u);
    EXPECT_EQ(writer.getData()[0], 0x10);
    EXPECT_EQ(writer.getData()[1], 0x27);
    EXPECT_EQ(writer.getData()[2], 0x00);

    Pool_builder copy;
    VtMessageReader reader;
    reader.setData(writer.getData(), writer.getLength());
    EXPECT_EQ(copy.read_pool(reader), 1);
    EXPECT_EQ(copy.object_count(), builder.object_count());
    VtMessageWriter again(1000, nullptr);
    ASSERT_EQ(copy.write_pool(again), 0);
    EXPECT_EQ(std::vector<uint8_t>(again.getData(), again.getData() + again.getLength()),
              std::vector<uint8_t>(writer.getData(), writer.getData() + writer.getLength()));
}

TEST_F(PoolBuilderTest, VerboseReadingTracesEveryObjectAndItsChildren)
{
    VtObjectContainer* box = builder.create_container(10, 10);
    builder.add_child(box, 0, 0, builder.create_pointer());
    VtMessageWriter writer(1000, nullptr);
    ASSERT_EQ(builder.write_pool(writer), 0);
    Text_logger logger;
    Pool_builder copy;
    copy.set_logger(&logger);
    copy.set_verbose(true);
    VtMessageReader reader;
    reader.setData(writer.getData(), writer.getLength());
    ASSERT_EQ(copy.read_pool(reader), 1);
    EXPECT_NE(logger.text.find("Reading Object Pool ..."), std::string::npos);
    EXPECT_NE(logger.text.find("Got oid=10001, type=3 (VtObjectTypeContainer)"), std::string::npos) << logger.text;
    EXPECT_NE(logger.text.find("Childs=1"), std::string::npos) << logger.text;
    EXPECT_NE(logger.text.find(" 0: OID=10002"), std::string::npos) << logger.text;
}

TEST_F(PoolBuilderTest, WriterThatRunsOutOfRoomFailsTheImage)
{
    for (int i = 0; i < 50; ++i)
        builder.create_text("a label of some length", font(2), 1);
    VtMessageWriter writer(200, nullptr);
    EXPECT_EQ(builder.write_pool(writer), -1);
    EXPECT_TRUE(writer.hasFailed());
}

TEST_F(PoolBuilderTest, ObjectsBeyondTheIdRangeFailThePoolAndAreNotLeaked)
{
    Text_logger logger;
    builder.set_logger(&logger);
    while (builder.next_oid() < VT_NULL_ID)
        builder.create_pointer();
    EXPECT_FALSE(builder.failed());
    VtObjectPointer* beyond = builder.create_pointer(); // ID 65535 means "no object"
    EXPECT_EQ(beyond->getOid(), VT_NULL_ID);
    EXPECT_TRUE(builder.failed());
    EXPECT_EQ(builder.find_object(VT_NULL_ID), nullptr);
    VtMessageWriter writer(1u << 20, nullptr);
    EXPECT_EQ(builder.write_pool(writer), -1);
    EXPECT_NE(logger.text.find("no room for object 65535"), std::string::npos) << logger.text;
    // The leak checker of the sanitizer build sees whether the object is freed.
}

TEST_F(PoolBuilderTest, ReplacingAnObjectDeletesTheOldOne)
{
    VtObjectPointer* pointer = builder.create_pointer();
    const uint32_t oid = pointer->getOid();
    auto* replacement = new VtObjectContainer(oid);
    builder.add_to_pool(replacement);
    EXPECT_EQ(builder.find_object(oid), replacement);
}

TEST_F(PoolBuilderTest, ListingNamesEveryObject)
{
    builder.add_to_working_set(5, 5, builder.create_text("SEEDER", font(2), 1));
    Text_logger logger;
    builder.dump_pool(logger);
    EXPECT_NE(logger.text.find("OID=10000, type= 0"), std::string::npos) << logger.text;
    EXPECT_NE(logger.text.find("text='SEEDER'"), std::string::npos) << logger.text;
}

} // namespace
