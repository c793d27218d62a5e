#include "menu/menu_commands.h"

#include "music/midi.h"
#include "records/high_score_file.h"
#include "records/settings_file.h"
#include "screens/keys.h"
#include "screens/screen_changes.h"
#include "shell/main_loop.h"
#include "shell/platform.h"

namespace {

void toggle(MenuItem item) { platform().set_menu_checked(item, !platform().menu_checked(item)); }

}  // namespace

void start_Click() { begin_round(); }

void stop_Click() { back_to_title(); }

void ending_Click()
{
    write_settings();
    midi_close();
    end_program();
}

void music_Click() { toggle(MenuItem::music); }

void se_Click() { toggle(MenuItem::se); }

void clear_high_Click()
{
    if (platform().ask_yes_no("クリアしていいのかにゃ？", "クリア"))
        clear_high_table();
    write_high_scores();
}

void help_show_Click() { open_help(); }

void about_Click() { platform().message_box("とんぼらR1", APP_TITLE); }
