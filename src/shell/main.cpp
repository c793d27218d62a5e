// Start-up and shutdown of the game.
#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <chrono>

#include "menu/menu_commands.h"
#include "music/audio_system.h"
#include "music/midi.h"
#include "play/judge.h"
#include "play/random_source.h"
#include "records/high_score_file.h"
#include "records/settings_file.h"
#include "screens/keys.h"
#include "shell/game_vars.h"
#include "shell/main_loop.h"
#include "shell/program_files.h"
#include "shell/single_copy.h"
#include "window/form1.h"
#include "window/play_field.h"
#include "window/qt_platform.h"
#include "window/surfaces.h"

namespace {

// The window closed by any means but the menu: the music stops and the
// game ends; the settings are not written.
void Form_Unload()
{
    midi_close();
    end_program();
}

// Every handler runs only while the game has not ended.
template <typename F>
auto unless_ending(F handler)
{
    return [handler](auto... args) {
        if (!program_ending())
            handler(args...);
    };
}

void connect_handlers(Form1& window)
{
    window.commands = {
        {MenuItem::start, unless_ending(start_Click)},
        {MenuItem::stop, unless_ending(stop_Click)},
        {MenuItem::ending, unless_ending(ending_Click)},
        {MenuItem::music, unless_ending(music_Click)},
        {MenuItem::se, unless_ending(se_Click)},
        {MenuItem::clear_high, unless_ending(clear_high_Click)},
        {MenuItem::help_show, unless_ending(help_show_Click)},
        {MenuItem::about, unless_ending(about_Click)},
    };
    window.form_unload = unless_ending(Form_Unload);
    window.play_field()->key_down = unless_ending(mainscr_KeyDown);
    window.play_field()->key_press = unless_ending(mainscr_KeyPress);
}

void load_translations(QApplication& app)
{
    auto* qt_ja = new QTranslator(&app);
    if (qt_ja->load(QLocale(QLocale::Japanese), "qtbase", "_",
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qt_ja);
}

uint32_t clock_seed()
{
    return uint32_t(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("tombora");
    QApplication::setApplicationDisplayName(QString());
    load_translations(app);

    QLockFile single_copy(single_copy_lock_path());
    if (!take_single_copy_lock(single_copy)) {
        QMessageBox box(QMessageBox::NoIcon, APP_TITLE, "すでにとんぼらは起動してるにゃ！",
                        QMessageBox::Ok);
        box.exec();
        return 0;
    }

    if (!load_pictures()) {
        QMessageBox::critical(nullptr, APP_TITLE, "絵のデータが読めないにゃ");
        return 1;
    }
    Form1 window;
    AudioSystem audio;
    QtPlatform qt_platform(window, &audio);
    set_platform(&qt_platform);
    connect_handlers(window);

    read_high_scores();
    read_settings();
    seed_random(clock_seed());
    window.adjustSize();
    window.centre_on_screen();
    window.show();
    game_state = STATE_TITLE;
    midi_open(program_file("\\tombora.mid"));
    cat_letter[0] = "猫";
    run_main_loop();

    set_platform(nullptr);
    return 0;
}
