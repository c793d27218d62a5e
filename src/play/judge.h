// Judging the letters typed during a round.
#pragma once

#include <cstdint>
#include <string>

// A character typed on the play field: letters A to Z in either case are
// judged during play; everything else is ignored.
void mainscr_KeyPress(int16_t character);
// Hits the first cat, top row first, that carries the letter, or counts
// a miss; with sound effects on, plays the hit or miss sound.
void judge_letter(const std::string& letter);
