// Width and height of a VT object, in pixels.
#pragma once

#include <cstdint>

struct VtSize {
    uint32_t width = 0;
    uint32_t height = 0;

    VtSize() = default;
    VtSize(uint32_t w, uint32_t h) : width(w), height(h) {}

    void set(uint32_t w, uint32_t h)
    {
        width = w;
        height = h;
    }
    bool operator==(const VtSize& other) const { return width == other.width && height == other.height; }
};
