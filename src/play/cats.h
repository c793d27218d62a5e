// The cats: movement, picture changes, recovery after a hit, and drawing.
#pragma once

#include <cstdint>

inline constexpr int16_t CAT_WALK_A = 0;
inline constexpr int16_t CAT_WALK_B = 1;
inline constexpr int16_t CAT_HIT = 2;
inline constexpr int16_t CAT_TICKS_PER_PICTURE = 8;
// Where a cat walks in: rightward cats from the left edge, leftward ones
// from the right; a cat that reaches the far one walks in again.
inline constexpr int16_t CAT_LEFT_ENTRY = -50;
inline constexpr int16_t CAT_RIGHT_ENTRY = 350;

// Moves, wraps, animates and recovers the cat of a round slot (1 to 5),
// then draws it on backscr. Other slots change nothing.
void update_cat(int16_t slot);
// Composites the slot's cat with picture `state` at its position on
// backscr; walking pictures carry the slot's letter on their sign.
void draw_cat(int16_t state, int16_t slot);
