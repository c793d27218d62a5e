#include "screens/keys.h"

#include "records/high_score_file.h"
#include "screens/high_score_entry.h"
#include "screens/screen_changes.h"
#include "shell/game_vars.h"
#include "shell/platform.h"
#include "shell/program_files.h"

namespace {

void leave_result_screen()
{
    enter_high_score();
    write_high_scores();
    game_state = STATE_TITLE;
    menus_for_title();
}

}  // namespace

void open_help() { platform().show_help(program_file("\\TOMBORA.HLP")); }

void mainscr_KeyDown(int16_t key_code, int16_t /*shift*/)
{
    if (game_state == STATE_RESULT && key_code == KEY_SPACE) {
        leave_result_screen();
    } else if (game_state == STATE_TITLE) {
        if (key_code == KEY_F2)
            begin_round();
        else if (key_code == KEY_F1)
            open_help();
    }
}
