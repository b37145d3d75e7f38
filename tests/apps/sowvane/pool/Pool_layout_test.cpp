#include "apps/sowvane/pool/Pool_layout.h"
#include "apps/sowvane/pool/Screen_object_ids.h"

#include <gtest/gtest.h>

namespace {

TEST(PoolLayoutTest, StartUpMaskIsTheSmallClass)
{
    Screen_object_ids table;
    Pool_layout layout;
    setup_pool_layout(table, layout, VtSize(240, 240));
    EXPECT_EQ(layout.size_class, Mask_size_class::small);
    EXPECT_EQ(layout.margin, 10);
    EXPECT_EQ(layout.row_height, 44);
    EXPECT_EQ(layout.column_width, 48);
    EXPECT_EQ(layout.half_width, 120);
    EXPECT_EQ(layout.quarter_width, 60);
    EXPECT_EQ(layout.indent, 10);
    EXPECT_EQ(layout.gap, 10);
    EXPECT_EQ(layout.line_width, 1);
    EXPECT_EQ(layout.font(2)->getFontSize(), 2u);
    EXPECT_EQ(layout.font(16)->getFontColour().getIndex(), 2u);
}

struct Class_row {
    uint32_t width;
    uint32_t height;
    Mask_size_class expected;
};

TEST(PoolLayoutTest, ClassFollowsTheWidthAlone)
{
    const Class_row rows[] = {
        {319, 480, Mask_size_class::small},  {320, 200, Mask_size_class::medium},
        {479, 480, Mask_size_class::medium}, {480, 200, Mask_size_class::large},
        {800, 480, Mask_size_class::large},
    };
    for (const Class_row& row : rows) {
        Screen_object_ids table;
        Pool_layout layout;
        setup_pool_layout(table, layout, VtSize(row.width, row.height));
        EXPECT_EQ(layout.size_class, row.expected) << row.width << " x " << row.height;
        EXPECT_EQ(layout.width, int(row.width));
        EXPECT_EQ(layout.height, int(row.height));
        EXPECT_EQ(layout.row_height, (int(row.height) - 20) / 5);
        EXPECT_EQ(layout.line_width, row.expected == Mask_size_class::large ? 2 : 1);
        EXPECT_EQ(layout.margin, row.expected == Mask_size_class::small ? 10 : 20);
    }
}

TEST(PoolLayoutTest, SharedAttributesTakeTheFirstIdsInFixedOrder)
{
    Screen_object_ids table;
    Pool_layout layout;
    setup_pool_layout(table, layout, VtSize(480, 480));
    EXPECT_EQ(layout.line_first->getOid(), 10001u);
    EXPECT_EQ(layout.fill_red->getOid(), 10002u);
    EXPECT_EQ(layout.fill_yellow->getOid(), 10005u);
    EXPECT_EQ(layout.font(1)->getOid(), 10006u);
    EXPECT_EQ(layout.font(7)->getOid(), 10012u);
    EXPECT_EQ(layout.font(13)->getOid(), 10013u) << "slot 13 is created right after slot 7";
    EXPECT_EQ(layout.font(16)->getOid(), 10021u);
    EXPECT_EQ(layout.line_thin->getOid(), 10022u);
    EXPECT_EQ(layout.line_body->getOid(), 10023u);
    EXPECT_EQ(layout.line_body->getLineWidth(), 2u);
    EXPECT_EQ(layout.fill_green->getFillType(), 2u);

    EXPECT_EQ(table.common.indicator_off, 10002u);
    EXPECT_EQ(table.common.indicator_on, 10003u);
    EXPECT_EQ(table.common.selected_off, 10004u);
    EXPECT_EQ(table.common.selected_on, 10005u);

    for (int slot = 1; slot <= 16; ++slot) {
        const bool bold = slot == 3 || (slot >= 7 && slot <= 10) || (slot >= 12 && slot <= 14) || slot == 16;
        EXPECT_EQ(layout.font(slot)->getFontStyle(), bold ? 1u : 0u) << "slot " << slot;
    }
    EXPECT_EQ(layout.font(0), nullptr);
    EXPECT_EQ(layout.font(17), nullptr);
}

} // namespace
