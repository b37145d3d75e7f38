// Colour of a VT object attribute: an ISO 11783-6 palette index with the red,
// green and blue that the standard palette gives it. Only the index goes into
// an object-pool stream.
#pragma once

#include <cstdint>

class VtColour {
public:
    VtColour() = default;
    explicit VtColour(uint32_t index) { set(index); }

    // Stores the index and takes red, green and blue from the palette.
    void set(uint32_t index);

    uint32_t getIndex() const { return index_; }
    uint32_t getRed() const { return red_; }
    uint32_t getGreen() const { return green_; }
    uint32_t getBlue() const { return blue_; }

    // The palette entry of an index; black for an index above 255.
    static void lookup(uint32_t index, uint32_t& red, uint32_t& green, uint32_t& blue);

private:
    uint32_t index_ = 0;
    uint32_t red_ = 0;
    uint32_t green_ = 0;
    uint32_t blue_ = 0;
};
