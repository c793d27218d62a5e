#include "play/play_frame.h"

#include <cmath>

#include "music/midi.h"
#include "play/cats.h"
#include "raster/surfaces.h"
#include "shell/game_vars.h"
#include "shell/main_loop.h"
#include "shell/program_files.h"

namespace {

constexpr int32_t SECOND_MS = 1000;

void count_the_second()
{
    if (tick_difference(uint32_t(frame_start), uint32_t(second_mark)) > SECOND_MS) {
        --time_left;
        second_mark = 0;
    }
}

void end_round()
{
    accuracy = accuracy_of(hit_count, miss_count);
    score = int32_t(hit_count) * accuracy;
    midi_switch_to(program_file("\\TOMBORA.MID"));
    game_state = STATE_RESULT;
}

}  // namespace

int16_t accuracy_of(int16_t hits, int16_t misses)
{
    int total = hits + misses;
    if (total == 0)
        return 0;
    double q = double(hits) / double(total);
    return int16_t(std::floor(q * 100.0));
}

void draw_counts(int hits_x, int misses_x)
{
    set_font_size(backscr, 20);
    set_text_colour(backscr, 63, 255, 159);
    set_text_position(backscr, 10, 10);
    draw_text(backscr, "成功");
    set_text_position(backscr, float(hits_x), 10);
    draw_number(backscr, hit_count);
    set_text_colour(backscr, 255, 255, 159);
    set_text_position(backscr, 160, 10);
    draw_number(backscr, time_left);
    set_text_colour(backscr, 255, 159, 191);
    set_text_position(backscr, 210, 10);
    draw_text(backscr, "失敗");
    set_text_position(backscr, float(misses_x), 10);
    draw_number(backscr, miss_count);
}

void play_frame()
{
    midi_restart_if_stopped();
    if (second_mark == 0)
        second_mark = frame_start;
    blit(backscr, 0, 0, FIELD, FIELD, haikei, 0, 0, SRCCOPY);
    for (int16_t slot = 1; slot <= 5; ++slot)
        update_cat(slot);
    draw_counts(75, 275);
    show_frame();
    count_the_second();
    if (time_left == 0)
        end_round();
}
