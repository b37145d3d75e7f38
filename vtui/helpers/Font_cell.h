// The character cell of the ISO 11783-6 font sizes: 6 x 8 for size 0, 8 x 8
// for size 1, 8 x 12 for size 2, doubling every three sizes up to 128 x 192
// for size 14.
#pragma once

#include "platform/vt/Vt_objects.h"

#include <algorithm>

inline void font_cell(unsigned size, int& width, int& height)
{
    static const int base_w[3] = {6, 8, 8};
    static const int base_h[3] = {8, 8, 12};
    size = std::min(size, 14u);
    width = base_w[size % 3] << (size / 3);
    height = base_h[size % 3] << (size / 3);
}

inline int font_cell_width(const VT::Font_attributes_obj* font)
{
    int w = 0, h = 0;
    if (font)
        font_cell(font->get_font_size(), w, h);
    return w;
}

inline int font_cell_height(const VT::Font_attributes_obj* font)
{
    int w = 0, h = 0;
    if (font)
        font_cell(font->get_font_size(), w, h);
    return h;
}
