#include "play/judge.h"

#include "play/cats.h"
#include "shell/game_vars.h"
#include "shell/platform.h"
#include "shell/program_files.h"

namespace {

void play_effect(const char* name)
{
    if (platform().menu_checked(MenuItem::se))
        platform().play_wave(program_file(name));
}

}  // namespace

void mainscr_KeyPress(int16_t character)
{
    if (game_state != STATE_PLAY)
        return;
    if (character >= 'a' && character <= 'z')
        character = int16_t(character - 'a' + 'A');
    if (character >= 'A' && character <= 'Z')
        judge_letter(std::string(1, char(character)));
}

void judge_letter(const std::string& letter)
{
    for (int slot = 1; slot <= 5; ++slot) {
        if (cat_letter[slot] == letter) {
            ++hit_count;
            play_effect("\\nya.wav");
            cat_state[slot] = CAT_HIT;
            cat_letter[slot].clear();
            return;
        }
    }
    ++miss_count;
    play_effect("\\damedanya.wav");
}
