#include "screens/screen_changes.h"

#include "music/midi.h"
#include "play/round.h"
#include "shell/game_vars.h"
#include "shell/platform.h"
#include "shell/program_files.h"

void menus_for_title()
{
    platform().set_menu_enabled(MenuItem::stop, false);
    platform().set_menu_enabled(MenuItem::start, true);
}

void menus_for_round()
{
    platform().set_menu_enabled(MenuItem::stop, true);
    platform().set_menu_enabled(MenuItem::start, false);
}

void begin_round()
{
    platform().message_box("ゲーム開始だにゃ！", APP_TITLE);
    start_round();
    midi_switch_to(program_file("\\bgm.mid"));
    game_state = STATE_PLAY;
    menus_for_round();
}

void back_to_title()
{
    menus_for_title();
    midi_switch_to(program_file("\\TOMBORA.MID"));
    game_state = STATE_TITLE;
}
