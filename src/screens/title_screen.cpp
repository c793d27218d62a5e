#include "screens/title_screen.h"

#include "music/midi.h"
#include "play/cats.h"
#include "play/random_source.h"
#include "raster/surfaces.h"
#include "shell/game_vars.h"

namespace {

constexpr int16_t TITLE_CAT = 0;
constexpr const char* WORDS[] = {"Hit", "F2", "key"};

void wrap_title_cat()
{
    if (cat_x[TITLE_CAT] < 350)
        return;
    cat_x[TITLE_CAT] = -50;
    cat_letter[TITLE_CAT] = WORDS[word_cycle];
    word_cycle = (word_cycle + 1) % 3;
}

void step_title_cat_picture()
{
    if (cat_tick[TITLE_CAT] < CAT_TICKS_PER_PICTURE)
        return;
    cat_state[TITLE_CAT] = cat_state[TITLE_CAT] == CAT_WALK_A ? CAT_WALK_B : CAT_WALK_A;
    cat_tick[TITLE_CAT] = 0;
}

void wrap_ranking_lines()
{
    // Each line has its own bounds: the heading and row 2 drift right,
    // rows 1 and 3 drift left.
    if (ranking_x[0] > 350)
        ranking_x[0] = -300;
    if (ranking_x[1] < -400)
        ranking_x[1] = 350;
    if (ranking_x[2] > 350)
        ranking_x[2] = -400;
    if (ranking_x[3] < -400)
        ranking_x[3] = 350;
}

void draw_ranking()
{
    set_font_size(backscr, 20);
    set_text_colour(backscr, 255, 255, 255);
    set_text_position(backscr, ranking_x[0], 200);
    draw_text(backscr, "HIGH SCORE RANKING");
    for (int row = 0; row < RANK_ROWS; ++row) {
        set_text_position(backscr, ranking_x[row + 1], float(225 + 25 * row));
        draw_text(backscr, ranking_row(row));
    }
}

void drift_ranking_lines()
{
    static constexpr int direction[4] = {1, -1, 1, -1};
    for (int line = 0; line < 4; ++line)
        ranking_x[line] = int16_t(ranking_x[line] + direction[line] * random_below(4, 3));
}

}  // namespace

std::string ranking_row(int row)
{
    static constexpr const char* NUMBERS[] = {"１・", "２・", "３・"};
    return std::string(NUMBERS[row]) + rank_name[row] + "　" + std::to_string(rank_score[row])
           + "点　" + std::to_string(rank_accuracy[row]) + "%";
}

void title_frame()
{
    midi_restart_if_stopped();
    wrap_title_cat();
    cat_y[TITLE_CAT] = 200;
    step_title_cat_picture();
    wrap_ranking_lines();
    blit(backscr, 0, 0, FIELD, FIELD, title, 0, 0, SRCCOPY);
    draw_ranking();
    draw_cat(cat_state[TITLE_CAT], TITLE_CAT);
    show_frame();
    ++cat_tick[TITLE_CAT];
    drift_ranking_lines();
    cat_x[TITLE_CAT] = int16_t(cat_x[TITLE_CAT] + 4);
}
