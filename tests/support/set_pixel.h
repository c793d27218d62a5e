// One pixel written in a test, and marked written as the game's own
// drawing marks what it writes: tests draw patterns a pixel at a time,
// which the game never does.
#pragma once

#include <cstdint>

#include "raster/surface.h"

inline void set_pixel(Surface& s, int x, int y, uint32_t colour)
{
    s.pixels[size_t(y) * s.width + x] = colour;
    mark_damage(s, x, y, x + 1, y + 1);
}
