// The game's shared state: every variable a screen, a handler or a file
// touches lives here, for the whole run. Numbers start at 0, texts empty.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Screens selected by game_state.
inline constexpr int16_t STATE_RESULT = 0;
inline constexpr int16_t STATE_TITLE = 1;
inline constexpr int16_t STATE_PLAY = 2;

inline int16_t game_state = 0;   // 0 result, 1 title, 2 play
inline int32_t frame_start = 0;  // tick read at the start of the current frame
inline int32_t second_mark = 0;  // tick at which the round's current second began; 0: none
inline int16_t time_left = 0;    // seconds left in the round
inline int16_t hit_count = 0;
inline int16_t miss_count = 0;
inline int16_t accuracy = 0;     // whole per cent, set at the round's end
inline int32_t score = 0;        // hit_count * accuracy

// Cat slots: 0 is the title screen's cat, 1 to 5 the cats of a round.
inline constexpr int CAT_SLOTS = 6;
inline std::array<int16_t, CAT_SLOTS> cat_x{};
inline std::array<int16_t, CAT_SLOTS> cat_y{};
inline std::array<int16_t, CAT_SLOTS> cat_state{};  // 0, 1 walking; 2 hit
inline std::array<int16_t, CAT_SLOTS> cat_tick{};
inline std::array<std::string, CAT_SLOTS> cat_letter{};  // UTF-8

// The high-score table, row 0 the best. Scores are held in 32 bits so a
// fast player's score is ranked and stored as it is.
inline constexpr int RANK_ROWS = 3;
inline std::array<std::string, RANK_ROWS> rank_name{};  // UTF-8
inline std::array<int32_t, RANK_ROWS> rank_score{};
inline std::array<int16_t, RANK_ROWS> rank_accuracy{};

// Puts every variable back to its load value (used by tests).
void reset_game_vars();
