// The title screen: the title picture, the high-score ranking drifting
// across it, and a cat walking by with "Hit", "F2" and "key".
#pragma once

#include <array>
#include <cstdint>
#include <string>

void title_frame();

// The drifting lines' x: the heading, then ranking rows 1 to 3. They and
// the word cycle keep their values for the whole run.
inline std::array<int16_t, 4> ranking_x{};
inline int word_cycle = 0;  // the word at the cat's next wrap: 0 "Hit", 1 "F2", 2 "key"

// The text of ranking row 0, 1 or 2: "１・name　1234点　87%".
std::string ranking_row(int row);
