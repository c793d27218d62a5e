// The game's one random source: single-precision values 0 <= r < 1, seeded
// once at start-up. Letters, cat speeds and the title's drift all draw
// from it, in the order the game runs.
#pragma once

#include <cstdint>

void seed_random(uint32_t seed);
float next_random();
// floor(r * n) + base for the next r: base .. base + n - 1.
int16_t random_below(int n, int base);
