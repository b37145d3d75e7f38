#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtData.h"
#include "vt_object_model/VtMacroRefList.h"
#include "vt_object_model/VtObjectList.h"
#include "vt_object_model/VtObjectRefList.h"
#include "vt_object_model/VtString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(VtObjectRefList, GrowsByTwentyKeepingOrder)
{
    VtObjectRefList list;
    EXPECT_EQ(list.capacity(), 0u);
    for (uint32_t i = 0; i < 21; ++i) {
        list.append(new VtObjectRef(100 + i, int32_t(i), -int32_t(i)));
        EXPECT_EQ(list.capacity(), i < 20 ? 20u : 40u);
    }
    ASSERT_EQ(list.size(), 21u);
    for (uint32_t i = 0; i < 21; ++i)
        EXPECT_EQ(list.at(i)->oid, 100 + i);
    EXPECT_EQ(list.at(21), nullptr);
}

TEST(VtObjectRefList, CursorWalksAndStopsAtTheEnd)
{
    VtObjectRefList list;
    EXPECT_EQ(list.first(), nullptr);
    list.append(new VtObjectRef(1, 0, 0));
    list.append(new VtObjectRef(2, 0, 0));
    EXPECT_EQ(list.first()->oid, 1u);
    EXPECT_EQ(list.next()->oid, 2u);
    EXPECT_EQ(list.next(), nullptr);
}

TEST(VtObjectRefList, EntrySerialsComeFromOneCounterSharedWithObjectLists)
{
    VtObjectRef a(1, 0, 0);
    VtObjectListItem b(2);
    VtObjectRef c(3, 0, 0);
    EXPECT_EQ(b.serial, a.serial + 1);
    EXPECT_EQ(c.serial, b.serial + 1);
}

TEST(VtObjectRefList, MoveObjectMovesEveryEntryOfTheObject)
{
    VtObjectRefList list;
    list.append(new VtObjectRef(5, 1, 1));
    list.append(new VtObjectRef(6, 2, 2));
    list.append(new VtObjectRef(5, 3, 3));
    list.moveObject(5, 10, 20, false);
    EXPECT_EQ(list.at(0)->x, 10);
    EXPECT_EQ(list.at(2)->y, 20);
    EXPECT_EQ(list.at(1)->x, 2);
    list.moveObject(5, -1, 2, true);
    EXPECT_EQ(list.at(0)->x, 9);
    EXPECT_EQ(list.at(2)->y, 22);
}

TEST(VtObjectRefList, ClearKeepsTheArrayAndResetReplacesIt)
{
    VtObjectRefList list;
    list.append(new VtObjectRef(1, 0, 0));
    list.clear();
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.capacity(), 20u);
    list.reset(3);
    EXPECT_EQ(list.capacity(), 3u);
}

TEST(VtObjectList, IndexOfFindsTheFirstEntry)
{
    VtObjectList list;
    list.append(new VtObjectListItem(7));
    list.append(new VtObjectListItem(8));
    list.append(new VtObjectListItem(7));
    EXPECT_EQ(list.indexOf(7), 0);
    EXPECT_EQ(list.indexOf(8), 1);
    EXPECT_EQ(list.indexOf(9), -1);
}

TEST(VtMacroRefList, KeepsOnlyWhatFitsItsCapacity)
{
    VtMacroRefList list(2);
    EXPECT_TRUE(list.append(new VtMacroRef(1, 10)));
    EXPECT_TRUE(list.append(new VtMacroRef(2, 20)));
    EXPECT_FALSE(list.append(new VtMacroRef(3, 30)));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.at(1)->macroId, 20u);
}

TEST(VtString, CopiesAssignsAndTruncates)
{
    VtString empty;
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_EQ(empty.c_str(), nullptr);
    EXPECT_EQ(VtString(nullptr).length(), 0u);

    VtString text("abcdef");
    VtString copy(text);
    text.truncate(3);
    EXPECT_STREQ(text.c_str(), "abc");
    EXPECT_STREQ(copy.c_str(), "abcdef");
    copy.truncate(10);
    EXPECT_STREQ(copy.c_str(), "abcdef");

    VtString part;
    part.assign("xyz123", 3);
    EXPECT_STREQ(part.c_str(), "xyz");
    part = copy;
    EXPECT_STREQ(part.c_str(), "abcdef");
    part.assign(nullptr, 4);
    EXPECT_EQ(part.c_str(), nullptr);
}

TEST(VtData, AssignCopiesAndZeroLengthStaysEmpty)
{
    const uint8_t bytes[] = {1, 2, 3};
    VtData data;
    data.assign(bytes, 3);
    ASSERT_EQ(data.getLength(), 3u);
    EXPECT_EQ(std::memcmp(data.getData(), bytes, 3), 0);
    data.assign(bytes, 0);
    EXPECT_EQ(data.getLength(), 0u);
    EXPECT_EQ(data.getData(), nullptr);
}

struct PaletteRow {
    uint32_t index;
    uint32_t red, green, blue;
};

class VtPalette : public testing::TestWithParam<PaletteRow> {};

TEST_P(VtPalette, GivesTheStandardColour)
{
    const PaletteRow& row = GetParam();
    VtColour colour(row.index);
    EXPECT_EQ(colour.getIndex(), row.index);
    EXPECT_EQ(colour.getRed(), row.red);
    EXPECT_EQ(colour.getGreen(), row.green);
    EXPECT_EQ(colour.getBlue(), row.blue);
}

INSTANTIATE_TEST_SUITE_P(Table, VtPalette,
                         testing::Values(PaletteRow{0, 0, 0, 0}, PaletteRow{1, 255, 255, 255},
                                         PaletteRow{2, 0, 153, 0}, PaletteRow{7, 204, 204, 204},
                                         PaletteRow{9, 0, 0, 255}, PaletteRow{12, 255, 0, 0},
                                         PaletteRow{15, 0, 0, 153}, PaletteRow{16, 0, 0, 0},
                                         PaletteRow{17, 0, 0, 51}, PaletteRow{16 + 36 + 12 + 3, 51, 102, 153},
                                         PaletteRow{231, 255, 255, 255}, PaletteRow{232, 0, 0, 0},
                                         PaletteRow{240, 0, 0, 0}, PaletteRow{300, 0, 0, 0}));

TEST(VtPalette, DefaultColourIsBlackIndexZero)
{
    VtColour colour;
    EXPECT_EQ(colour.getIndex(), 0u);
    EXPECT_EQ(colour.getRed() + colour.getGreen() + colour.getBlue(), 0u);
}
