// The screens the frame benchmarks compose: a round in its middle and a
// title with a full ranking, from fresh game variables.
#pragma once

#include "play/random_source.h"
#include "play/round.h"
#include "shell/game_vars.h"

inline void prepare_round()
{
    reset_game_vars();
    seed_random(7);
    start_round();
    game_state = STATE_PLAY;
    hit_count = 123;
    miss_count = 4;
    // Spread the cats over the field as in the middle of a round.
    for (int slot = 1; slot <= 5; ++slot)
        cat_x[slot] = int16_t(30 + 55 * slot);
}

inline void prepare_title()
{
    reset_game_vars();
    cat_letter[0] = "Hit";
    rank_name = {"名無しの権兵衛さん", "たま", "みけ"};
    rank_score = {12345, 2345, 345};
}
