// Layout context of the pool generator: the data-mask size, the grid
// constants from which the screen builders derive band heights and column
// widths, and the attribute objects (fills, fonts, lines) that every screen
// shares. It embeds the Pool_builder through which all objects are created.
#pragma once

#include "apps/sowvane/pool/Pool_builder.h"

#include "vt_object_model/VtSize.h"

struct Screen_object_ids;

// Size classes of the data mask, chosen by its width.
enum class Mask_size_class { small, medium, large };

struct Pool_layout {
    static constexpr int font_slots = 16;

    Pool_layout() = default;
    Pool_layout(const Pool_layout&) = delete;
    Pool_layout& operator=(const Pool_layout&) = delete;

    // The font attribute of a slot, 1 to 16 (null for any other slot).
    VtObjectFontAttribute* font(int slot) const
    {
        if (slot == 16)
            return font_16;
        return slot >= 1 && slot < 16 ? fonts[slot] : nullptr;
    }

    VtSize size;
    int rows = 0;
    int columns = 0;
    int height = 0;
    int width = 0;
    // Band between a screen's title row and its body rows.
    int margin = 0;
    int row_height = 0;
    int column_width = 0;
    int half_width = 0;
    int quarter_width = 0;
    // x of the first text of a row.
    int indent = 0;
    // y of row texts.
    int text_top = 0;
    int gap = 0;
    int inset = 0;
    int line_width = 1;
    Mask_size_class size_class = Mask_size_class::small;

    Pool_builder builder;

    VtObjectFillAttribute* fill_red = nullptr;
    VtObjectFillAttribute* fill_green = nullptr;
    VtObjectFillAttribute* fill_white = nullptr;
    VtObjectFillAttribute* fill_yellow = nullptr;
    // Slots 1 to 15; slot 0 is unused.
    VtObjectFontAttribute* fonts[16] = {};
    VtObjectFontAttribute* font_16 = nullptr;
    VtObjectLineAttribute* line_thin = nullptr;
    // Separator lines of the screens.
    VtObjectLineAttribute* line_body = nullptr;
    VtObjectLineAttribute* line_first = nullptr;
};

Mask_size_class mask_size_class(int width);

// Fills the layout from the data-mask size (size.width and size.height) and
// creates the shared attribute objects, the first objects after the working
// set; records the four fill colours in the table's group common.
void setup_pool_layout(Screen_object_ids& table, Pool_layout& layout, const VtSize& size);
