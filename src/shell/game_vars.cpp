#include "shell/game_vars.h"

void reset_game_vars()
{
    game_state = 0;
    frame_start = 0;
    second_mark = 0;
    time_left = 0;
    hit_count = 0;
    miss_count = 0;
    accuracy = 0;
    score = 0;
    cat_x = {};
    cat_y = {};
    cat_state = {};
    cat_tick = {};
    cat_letter = {};
    rank_name = {};
    rank_score = {};
    rank_accuracy = {};
}
