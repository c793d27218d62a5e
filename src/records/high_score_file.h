// "HISCORE.dat": the high-score table kept between runs, read once at
// start-up and written whole whenever the table may have changed.
#pragma once

#include "records/high_score_table.h"

// Reads "HISCORE.dat" from the working directory into rank_name,
// rank_score and rank_accuracy. A missing or empty file gives the
// cleared table; reading never writes the file.
void read_high_scores();

// Writes the whole table to "HISCORE.dat". When that fails the player is
// told, and the game goes on with the table in memory.
void write_high_scores();

// "名無しの権兵衛", 0 and 0 in all three rows of the table in memory.
void clear_high_table();
