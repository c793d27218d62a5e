// Keys pressed on the play field that move between the screens.
#pragma once

#include <cstdint>

inline constexpr int16_t KEY_SPACE = 32;
inline constexpr int16_t KEY_F1 = 112;
inline constexpr int16_t KEY_F2 = 113;

// Space leaves the result screen; F2 starts a round and F1 opens the
// help on the title screen. Everything else, and every key during play,
// is ignored here.
void mainscr_KeyDown(int16_t key_code, int16_t shift);
// Opens the help page.
void open_help();
