// One frame of a round: music, background, cats, the display of hits,
// seconds left and misses, the one-second clock and the round's end.
#pragma once

#include <cstdint>

void play_frame();

// The counts line at the top of the play and result screens: "成功" and
// the hits, the seconds left, "失敗" and the misses, each in its box's
// colour. The two counts stand at the given x.
void draw_counts(int hits_x, int misses_x);

// Whole per cent of hits among all letters, in double precision as the
// game has always computed it (29 of 50 give 57); 0 when nothing was typed.
int16_t accuracy_of(int16_t hits, int16_t misses);
