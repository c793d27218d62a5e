// Laying text's coverage over a surface row.
#pragma once

#include <cstdint>

// Lays n pixels of the colour over row, each by its coverage from 0 (row
// kept) to 255 (colour): per channel, (over * a + under * (255 - a)) / 255,
// rounded to the nearest. The top byte of each pixel laid over becomes the
// colour's; a pixel of coverage 0 is left exactly as it was.
void blend_coverage(uint32_t* row, const uint8_t* coverage, int n, uint32_t colour);
