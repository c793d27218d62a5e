// The main loop: one frame every 30 milliseconds at most, the screen
// chosen by game_state, events handled only in the wait between frames.
#pragma once

#include <cstdint>

inline constexpr int32_t FRAME_PERIOD_MS = 30;

// Milliseconds from `since` to `now` on the 32-bit tick, across its wrap.
inline int32_t tick_difference(uint32_t now, uint32_t since) { return int32_t(now - since); }

// Draws one frame of the screen that game_state selects.
void run_frame();
// Waits, handling events, until FRAME_PERIOD_MS have passed since
// frame_start; events are handled at least once.
void wait_for_next_frame();
// Runs frames until the program ends.
void run_main_loop();

// Ends the program at once: no further frame, no further handler.
void end_program();
bool program_ending();
