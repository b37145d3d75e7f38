// A corner of a polygon object.
#pragma once

#include <cstdint>

struct VtPoint {
    uint32_t x = 0;
    uint32_t y = 0;

    bool operator==(const VtPoint& other) const { return x == other.x && y == other.y; }
};
