// The game's two pieces, composed in title_song.cpp and round_song.cpp.
#pragma once

#include "song.h"

namespace music {

// The title screen's piece: a cat strolling along, swung, in F major.
Song title_song();

// The round's piece: bright and driving for fast typing, in G major.
Song round_song();

}  // namespace music
