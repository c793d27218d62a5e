// Ranking a round into the table of the three best.
#pragma once

// If the round's score beats a row, the rows below move down, the player
// is asked for a name, and the new row takes the score and accuracy.
void enter_high_score();

inline constexpr const char* NO_NAME_GIVEN = "名無しの権兵衛さん";
