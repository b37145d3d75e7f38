#include "vt_object_model/VtColour.h"

#include <array>

namespace {

struct PaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// Entries 0..15: the named colours; 16..231: the 6 x 6 x 6 colour cube;
// 232..255: black.
std::array<PaletteEntry, 256> buildPalette()
{
    std::array<PaletteEntry, 256> palette{};
    const PaletteEntry named[16] = {
        {0, 0, 0},       {255, 255, 255}, {0, 153, 0},   {0, 153, 153},
        {153, 0, 0},     {153, 0, 153},   {153, 153, 0}, {204, 204, 204},
        {153, 153, 153}, {0, 0, 255},     {0, 255, 0},   {0, 255, 255},
        {255, 0, 0},     {255, 0, 255},   {255, 255, 0}, {0, 0, 153},
    };
    for (int i = 0; i < 16; ++i)
        palette[i] = named[i];
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette[16 + 36 * r + 6 * g + b] = {uint8_t(51 * r), uint8_t(51 * g), uint8_t(51 * b)};
    return palette;
}

const std::array<PaletteEntry, 256>& palette()
{
    static const std::array<PaletteEntry, 256> table = buildPalette();
    return table;
}

} // namespace

void VtColour::set(uint32_t index)
{
    index_ = index;
    lookup(index, red_, green_, blue_);
}

void VtColour::lookup(uint32_t index, uint32_t& red, uint32_t& green, uint32_t& blue)
{
    red = green = blue = 0;
    if (index > 255)
        return;
    const PaletteEntry& entry = palette()[index];
    red = entry.red;
    green = entry.green;
    blue = entry.blue;
}
