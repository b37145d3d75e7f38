#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Screen_scaffolding.h"

#include <gtest/gtest.h>

namespace {

class ScaffoldingTest : public ::testing::Test {
protected:
    void SetUp() override { setup_pool_layout(table, layout, VtSize(240, 240)); }

    int lines_in(VtObjectContainer* band)
    {
        int lines = 0;
        for (uint32_t i = 0; i < band->getChilds().size(); ++i)
            if (layout.builder.find_object(band->getChilds().at(i)->oid)->getType() == VtObjectTypeLine)
                ++lines;
        return lines;
    }

    Screen_object_ids table;
    Pool_layout layout;
};

TEST_F(ScaffoldingTest, OidListKeepsTenEntries)
{
    Oid_list list;
    VtObjectContainer* box = layout.builder.create_container(1, 1);
    for (int i = 0; i < 11; ++i)
        list.add(box);
    EXPECT_EQ(list.count(), 10);
    EXPECT_EQ(list[9], box);
    EXPECT_EQ(list[10], nullptr);
    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list[0], nullptr);
}

TEST_F(ScaffoldingTest, OidGridIgnoresCellsOutsideFourByFour)
{
    Oid_grid grid;
    VtObjectContainer* box = layout.builder.create_container(1, 1);
    grid.set(4, 0, box);
    grid.set(0, 4, box);
    grid.set(-1, 0, box);
    EXPECT_EQ(grid.get(4, 0), nullptr);
    EXPECT_EQ(grid.get(0, 4), nullptr);
    grid.set(3, 3, box);
    EXPECT_EQ(grid.get(3, 3), box);
}

struct Column_row {
    int mode;
    std::vector<int> widths; // of the containers (column width less the line width)
    int separators;
};

TEST_F(ScaffoldingTest, ColumnsByMode)
{
    const Column_row rows[] = {
        {1, {47, 47, 47, 47, 47}, 4}, {2, {47, 191}, 1}, {3, {119, 59, 59}, 2}, {4, {47, 95, 95}, 2},
        {5, {239}, 0},                {6, {59, 59, 59, 59}, 3}, {7, {119, 119}, 1}, {8, {119, 119}, 0},
        {9, {79, 79, 79}, 2},         {10, {}, 0},
    };
    for (const Column_row& row : rows) {
        VtObjectContainer* band = layout.builder.create_container(240, 48);
        Oid_list columns;
        add_columns(layout, columns, row.mode, band);
        ASSERT_EQ(columns.count(), int(row.widths.size())) << "mode " << row.mode;
        int x = 0;
        for (int i = 0; i < columns.count(); ++i) {
            EXPECT_EQ(int(columns[i]->getWidth()), row.widths[i]) << "mode " << row.mode << " column " << i;
            EXPECT_EQ(columns[i]->getHeight(), 48u);
            EXPECT_EQ(band->getChilds().at(uint32_t(i + (row.separators ? i : 0)))->x, x);
            x += row.widths[i] + layout.line_width;
        }
        EXPECT_EQ(lines_in(band), row.separators) << "mode " << row.mode;
    }
}

TEST_F(ScaffoldingTest, BandsOfBothModes)
{
    VtObjectDataMask* mask = layout.builder.create_data_mask();
    Oid_list bands;
    add_bands(layout, bands, 1, mask);
    ASSERT_EQ(bands.count(), 6);
    EXPECT_EQ(bands[1]->getHeight(), 10u);
    EXPECT_EQ(mask->getChilds().at(5)->y, 44 + 10 + 3 * 44);

    VtObjectDataMask* second = layout.builder.create_data_mask();
    Oid_list five;
    add_bands(layout, five, 2, second);
    ASSERT_EQ(five.count(), 5);
    EXPECT_EQ(five[4]->getHeight(), 48u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(second->getChilds().at(uint32_t(i))->y, i * 48) << "each band below the one before, none overlapping";
}

TEST_F(ScaffoldingTest, GridPageCapsColumnsAtFour)
{
    VtObjectDataMask* mask = layout.builder.create_data_mask();
    Oid_list bands;
    Oid_grid grid;
    add_grid_page(layout, bands, grid, 2, 5, 4, mask);
    EXPECT_EQ(grid.stride(), 4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            ASSERT_NE(grid.get(c, r), nullptr) << c << "," << r;
    EXPECT_EQ(grid.get(0, 0)->getWidth(), 59u);

    Oid_list two_bands;
    Oid_grid halves;
    add_grid_page(layout, two_bands, halves, 2, 2, 4, layout.builder.create_data_mask());
    EXPECT_EQ(halves.stride(), 2);
    EXPECT_EQ(halves.get(1, 3)->getWidth(), 119u);
}

TEST_F(ScaffoldingTest, MenuButtonsFillTheirPlace)
{
    VtObjectContainer* place = layout.builder.create_container(59, 48);
    const uint32_t before = layout.builder.next_oid();
    EXPECT_EQ(add_menu_button(layout, place, 16, nullptr, "Menu"), nullptr);
    EXPECT_EQ(layout.builder.next_oid(), before) << "nothing is created without line 1";

    VtObjectButton* one = add_menu_button(layout, place, 16, "Seeder", nullptr);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->getWidth(), 53u);
    EXPECT_EQ(one->getHeight(), 42u);
    EXPECT_EQ(one->getKeyCode(), 16u);
    EXPECT_EQ(one->getChilds().size(), 1u);

    VtObjectButton* two = add_menu_button(layout, place, 89, "Area", "Test");
    ASSERT_EQ(two->getChilds().size(), 2u);
    // Placed in the face, 45 x 34 inside the VT's 4-pixel border. Font slot
    // 15 is 6 x 8 here: texts 9 high, h = (34 - 9) / 2 = 12.
    EXPECT_EQ(two->getChilds().at(0)->y, 12 - 9);
    EXPECT_EQ(two->getChilds().at(1)->y, 12 + 9);
    EXPECT_EQ(two->getChilds().at(0)->x, (45 - 24) / 2);

    // "Advanced" needs 48 pixels in the smallest font: the button takes all
    // but a pixel on either side of the place, so that its face holds it.
    VtObjectButton* wide = add_menu_button(layout, place, 94, "Advanced", "Settings");
    EXPECT_EQ(wide->getWidth(), 57u);
    EXPECT_EQ(wide->getHeight(), 42u);
    for (uint32_t i = 0; i < 2; ++i) {
        auto* text = dynamic_cast<VtObjectOutputFieldString*>(layout.builder.find_object(wide->getChilds().at(i)->oid));
        ASSERT_NE(text, nullptr);
        EXPECT_LE(wide->getChilds().at(i)->x + int(text->getWidth()), 57 - 2 * 4);
    }
}

} // namespace
