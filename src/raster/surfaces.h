// The game's picture surfaces: the visible play field, the back buffer,
// the scratch surface for a cat with its letter, and the eight pictures.
#pragma once

#include "raster/surface.h"

// The texts' face: a proportional Japanese gothic, which the package
// depends on (fonts-ipafont-gothic).
inline constexpr const char* GAME_FONT = "IPAPGothic";
inline constexpr int FIELD = 350;  // play field width and height
inline constexpr int CAT_W = 50;
inline constexpr int CAT_H = 75;

inline Surface mainscr{FIELD, FIELD, rgb(255, 255, 255)};
inline Surface backscr{FIELD, FIELD, rgb(255, 255, 0), {GAME_FONT, true, 20.25f}};
inline Surface neko{CAT_W, CAT_H, rgb(255, 0, 0), {GAME_FONT, true, 18.0f}};
inline Surface haikei{FIELD, FIELD};
inline Surface title{FIELD, FIELD};
inline Surface neko0{CAT_W, CAT_H};
inline Surface neko1{CAT_W, CAT_H};
inline Surface neko2{CAT_W, CAT_H};
inline Surface neko0m{CAT_W, CAT_H};
inline Surface neko1m{CAT_W, CAT_H};
inline Surface neko2m{CAT_W, CAT_H};

// Shows the frame composed in backscr in mainscr. backscr then holds the
// frame shown before: each frame starts from a whole picture.
void show_frame();

// Loads the eight pictures, which are built into the program. False when
// one is missing or has the wrong size.
bool load_pictures();
