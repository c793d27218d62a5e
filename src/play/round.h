// Setting up a round and giving cats their letters.
#pragma once

#include <cstdint>

// Counters to 0, 80 seconds, the five cats placed off the field, each with
// a random letter; the title cat back to the left edge.
void start_round();
// A new random letter A to Z for the slot.
void pick_letter(int16_t slot);

inline constexpr int16_t ROUND_SECONDS = 80;
