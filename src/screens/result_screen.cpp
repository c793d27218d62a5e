#include "screens/result_screen.h"

#include "play/cats.h"
#include "play/play_frame.h"
#include "raster/surfaces.h"
#include "screens/screen_changes.h"
#include "shell/game_vars.h"
#include "shell/platform.h"

namespace {

void text_at(float x, float y, const char* text)
{
    set_text_position(backscr, x, y);
    draw_text(backscr, text);
}

void number_at(float x, float y, int32_t n)
{
    set_text_position(backscr, x, y);
    draw_number(backscr, n);
}

void draw_results()
{
    draw_counts(95, 295);
    set_font_size(backscr, 32);
    set_text_colour(backscr, 255, 255, 255);
    text_at(10, 40, "得点");
    number_at(120, 40, score);
    text_at(250, 40, "点");
    text_at(10, 85, "確率");
    number_at(140, 85, accuracy);
    text_at(250, 90, "%");
    text_at(10, 130, "評価");
    text_at(10, 200, "HIT SPACE KEY");
    set_font_size(backscr, 16);
    set_text_position(backscr, 100, 130);
    draw_text(backscr, score_message(score));
    set_text_position(backscr, 100, 150);
    draw_text(backscr, accuracy_message(accuracy));
}

void no_hit_frame()
{
    platform().message_box("成功が一つもないから計算できないにゃ", APP_TITLE);
    game_state = STATE_TITLE;
    menus_for_title();
}

}  // namespace

// Each test that holds replaces the message chosen so far.
std::string score_message(int32_t score)
{
    std::string message;
    if (score < 2000)
        message = "もう少し頑張るにゃー";
    if (score >= 2000)
        message = "まだまだ若葉マークだにゃ";
    if (score >= 5000)
        message = "普通に打ててるにゃ♪";
    if (score >= 10000)
        message = "かなり打ててるにゃ！";
    if (score >= 15000)
        message = "検定持ってるのかにゃ？";
    if (score >= 20000)
        message = "あなたはプロかにゃ？";
    return message;
}

std::string accuracy_message(int16_t accuracy)
{
    std::string message;
    if (accuracy == 100)
        message = "正確無比だにゃ";
    if (accuracy < 100)
        message = "次は１００％を目指すにゃ";
    if (accuracy < 50)
        message = "ちょっとミス多いにゃー";
    if (accuracy < 20)
        message = "かなりミスってるにゃ・・";
    return message;
}

void result_frame()
{
    if (hit_count <= 0) {
        no_hit_frame();
        return;
    }
    blit(backscr, 0, 0, FIELD, FIELD, haikei, 0, 0, SRCCOPY);
    draw_results();
    for (int16_t slot = 1; slot <= 5; ++slot)
        update_cat(slot);
    // Set after drawing: each frame shows the letters the previous one set.
    cat_letter[1] = "S";
    cat_letter[2] = "C";
    cat_letter[3] = "O";
    cat_letter[4] = "R";
    cat_letter[5] = "E";
    show_frame();
}
