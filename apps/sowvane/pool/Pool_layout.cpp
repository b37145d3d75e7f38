#include "apps/sowvane/pool/Pool_layout.h"

#include "apps/sowvane/pool/Screen_object_ids.h"

namespace {

struct Font_row {
    int slot;
    // Size code and colour by class: large, medium, small.
    uint32_t size[3];
    uint32_t colour;
};

// In creation order.
const Font_row font_rows[] = {
    {1, {3, 1, 0}, 0},   {2, {3, 1, 2}, 0},  {3, {5, 3, 2}, 12}, {4, {3, 3, 1}, 12},  {5, {3, 3, 0}, 12},
    {6, {4, 2, 1}, 0},   {7, {4, 2, 1}, 0},  {13, {5, 3, 0}, 0}, {8, {5, 3, 2}, 0},   {9, {5, 3, 2}, 9},
    {10, {6, 3, 2}, 12}, {11, {6, 3, 2}, 0}, {12, {6, 3, 2}, 12}, {14, {3, 2, 1}, 0}, {15, {3, 2, 0}, 0},
    {16, {3, 3, 0}, 2},
};

const int bold_slots[] = {3, 7, 8, 9, 10, 12, 13, 14, 16};

} // namespace

Mask_size_class mask_size_class(int width)
{
    if (width >= 480)
        return Mask_size_class::large;
    if (width < 320)
        return Mask_size_class::small;
    return Mask_size_class::medium;
}

void setup_pool_layout(Screen_object_ids& table, Pool_layout& layout, const VtSize& size)
{
    Pool_builder& builder = layout.builder;
    layout.size = size;
    layout.line_first = builder.create_line_attribute(0, 1);

    layout.rows = 4;
    layout.columns = 5;
    layout.height = int(size.height);
    layout.width = int(size.width);
    layout.margin = 20;
    layout.row_height = (layout.height - 20) / 5;
    layout.quarter_width = layout.width / 4;
    layout.half_width = layout.width / 2;
    layout.gap = 20;
    layout.indent = 20;
    layout.text_top = 2;
    layout.inset = 3;
    layout.column_width = layout.width / 5;

    layout.fill_red = builder.create_fill_attribute(12);
    layout.fill_green = builder.create_fill_attribute(2);
    layout.fill_white = builder.create_fill_attribute(1);
    layout.fill_yellow = builder.create_fill_attribute(14);

    layout.size_class = mask_size_class(layout.width);
    const int column = layout.size_class == Mask_size_class::large ? 0
                       : layout.size_class == Mask_size_class::medium ? 1
                                                                       : 2;
    for (const Font_row& row : font_rows) {
        VtObjectFontAttribute* font = builder.create_font_attribute(row.size[column], row.colour);
        if (row.slot == 16)
            layout.font_16 = font;
        else
            layout.fonts[row.slot] = font;
    }
    if (layout.size_class == Mask_size_class::small) {
        layout.margin /= 2;
        layout.indent /= 2;
        layout.gap /= 2;
    }
    if (layout.size_class == Mask_size_class::large)
        layout.line_width = 2;
    for (int slot : bold_slots)
        layout.font(slot)->setFontStyle(1);

    layout.line_thin = builder.create_line_attribute(0, 1);
    layout.line_body = builder.create_line_attribute(0, uint32_t(layout.line_width));

    table.common.indicator_off = oid_of(layout.fill_red);
    table.common.indicator_on = oid_of(layout.fill_green);
    table.common.selected_off = oid_of(layout.fill_white);
    table.common.selected_on = oid_of(layout.fill_yellow);
}
