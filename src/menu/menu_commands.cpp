#include "menu/menu_commands.h"

#include "music/midi.h"
#include "records/high_score_file.h"
#include "records/settings_file.h"
#include "screens/keys.h"
#include "screens/screen_changes.h"
#include "shell/main_loop.h"
#include "shell/platform.h"
#include "shell/version.h"

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

void about_Click()
{
    platform().message_box(std::string("とんぼらR1\n"
                                       "バージョン ") + GAME_VERSION + "\n\n"
                               "企画・絵・音：にくきゅう工房\n"
                               "声：espeak-ng　演奏：FluidSynth・TimGM6mb\n\n"
                               "MIT ライセンス",
                           APP_TITLE);
}
