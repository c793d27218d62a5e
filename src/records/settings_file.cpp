#include "records/settings_file.h"

#include "records/data_file.h"
#include "records/settings_format.h"
#include "shell/platform.h"

namespace {

constexpr const char* SETTINGS_FILE = "config.dat";
constexpr const char* WRITE_FAILED =
    "config.dat に書き込めなかったにゃ…\n"
    "音の設定は次に遊ぶときには残っていないにゃ。";

}  // namespace

void read_settings()
{
    SoundSettings settings = parse_settings(read_data_file(SETTINGS_FILE));
    platform().set_menu_checked(MenuItem::music, settings.music);
    platform().set_menu_checked(MenuItem::se, settings.se);
}

void write_settings()
{
    SoundSettings settings{.music = platform().menu_checked(MenuItem::music),
                           .se = platform().menu_checked(MenuItem::se)};
    if (!write_data_file(SETTINGS_FILE, format_settings(settings)))
        platform().message_box(WRITE_FAILED, APP_TITLE);
}
