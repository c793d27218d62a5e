// Start-up and shutdown of the game.
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "menu/menu_commands.h"
#include "music/audio_system.h"
#include "music/midi.h"
#include "play/judge.h"
#include "play/random_source.h"
#include "raster/surfaces.h"
#include "records/high_score_file.h"
#include "records/settings_file.h"
#include "screens/keys.h"
#include "shell/command_line.h"
#include "shell/game_vars.h"
#include "shell/main_loop.h"
#include "shell/program_files.h"
#include "shell/user_folders.h"
#include "shell/version.h"
#include "single_copy/door.h"
#include "single_copy/lock.h"
#include "window/form1.h"
#include "window/play_field.h"
#include "window/qt_platform.h"
#include "window/signal_watcher.h"
#include "window/wayland_scale.h"
#include "window/x_display.h"

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

// --help, --version and a bad option are answered without a display; the
// exit status, or nothing when the game is to run.
std::optional<int> answer_command_line(const CommandLine& line)
{
    switch (line.action) {
    case CommandLine::Action::help:
        std::cout << usage_text();
        return 0;
    case CommandLine::Action::version:
        std::cout << "tombora " << GAME_VERSION << "\n";
        return 0;
    case CommandLine::Action::bad:
        std::cerr << "tombora: unknown option: " << line.bad_arg << "\n\n" << usage_text();
        return 2;
    case CommandLine::Action::play:
        break;
    }
    return std::nullopt;
}

// Started from the desktop, the game keeps its two files in the user's
// data folder, whatever folder the desktop starts it in.
bool enter_desktop_folder()
{
    QString folder = desktop_data_folder();
    if (make_folder(folder) && QDir::setCurrent(folder))
        return true;
    QMessageBox::critical(nullptr, APP_TITLE, "データを置くフォルダが作れないにゃ。\n" + folder);
    return false;
}

// The second copy's box; once the player has closed it, the running copy
// comes forward, or a second box says it could not be reached, so that
// the player looks for its window. A signal closes the box and nothing
// more is done.
void refuse_second_copy(const QString& folder, const bool& signalled)
{
    QMessageBox box(QMessageBox::NoIcon, APP_TITLE, "すでにとんぼらは起動してるにゃ！", QMessageBox::Ok);
    box.exec();
    if (signalled
        || knock_on_running_copy(running_copy_door_path(folder), qEnvironmentVariable("XDG_ACTIVATION_TOKEN")))
        return;
    std::cerr << "tombora: the running copy did not answer; its window was not brought forward\n";
    QMessageBox::warning(nullptr, APP_TITLE, "起動してるとんぼらが返事をしないにゃ。\nそのウィンドウを前に出せなかったにゃ。");
}

// Takes the single-copy lock in the private folder; false, after the
// second copy's box, when another copy runs. Without a private folder the
// game runs unchecked: a lock where others can reach it would let them
// keep the game from starting.
bool take_lock_or_refuse(std::optional<QLockFile>& lock, const QString& folder, const bool& signalled)
{
    if (folder.isEmpty()) {
        std::cerr << "tombora: no private folder for the single-copy lock; not checking for another copy\n";
        return true;
    }
    lock.emplace(single_copy_lock_path(folder));
    if (take_single_copy_lock(*lock))
        return true;
    refuse_second_copy(folder, signalled);
    return false;
}

// The window, the sound and the main loop, until the game ends.
int play(const QString& private_folder, SignalWatcher& leave_signals)
{
    if (!load_pictures()) {
        QMessageBox::critical(nullptr, APP_TITLE, "絵のデータが読めないにゃ");
        return 1;
    }
    Form1 window;
    AudioSystem audio;
    QtPlatform qt_platform(window, &audio);
    set_platform(&qt_platform);
    connect_handlers(window);
    // A signal ends the game as the close box does.
    leave_signals.action = [&window] { window.close(); };
    std::optional<RunningCopyDoor> door;
    if (!private_folder.isEmpty())
        door.emplace(running_copy_door_path(private_folder),
                     [&window](const QString& token) { window.come_forward(token); });

    read_high_scores();
    read_settings();
    seed_random(clock_seed());
    window.adjustSize();
    window.centre_on_screen();
    window.show();
    game_state = STATE_TITLE;
    midi_open(program_file("\\tombora.mid"));
    // The sound comes up once the loop has drawn the first frame (the
    // timer fires at its first look at the events): opening the sound
    // server and the synthesiser's library takes a core for some tens of
    // milliseconds, and until the title shows the window has the processor
    // to itself. The piece asked for above starts once the sound is up.
    QTimer::singleShot(0, [&audio] { audio.start_output(); });
    cat_letter[0] = "猫";
    run_main_loop();

    leave_signals.action = {};
    set_platform(nullptr);
    return 0;
}

// The game once Qt is up: the single-copy lock, then the window, until
// the game ends; the lock is freed on return.
int run(const CommandLine& line)
{
    // Until the window is up, a signal only closes a box that is open.
    bool signalled = false;
    SignalWatcher leave_signals([&signalled] {
        signalled = true;
        reject_open_boxes();
    });
    if (line.desktop && !enter_desktop_folder())
        return 1;
    QString private_folder = private_runtime_folder();
    std::optional<QLockFile> single_copy;
    if (!take_lock_or_refuse(single_copy, private_folder, signalled))
        return 0;
    return play(private_folder, leave_signals);
}

// Ends the program without Qt's own teardown, once the files are saved
// and the lock is freed. On Wayland that teardown can wait for ever: Qt
// (6.4 and since) stops its event thread even when the main thread has
// just prepared a read for it, that read is then neither read nor
// cancelled, and its second event thread, woken by the compositor's next
// message, waits for it in wl_display_read_events while the main thread
// waits for that thread. Nothing left in Qt's keeping needs ending.
[[noreturn]] void leave(int status)
{
    std::cout.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace

int main(int argc, char** argv)
{
    CommandLine line = parse_command_line(argc, argv);
    if (auto status = answer_command_line(line))
        return *status;
    if (goes_through_x(desktop_offer(line), {largest_wayland_scale, x_display_answers})) {
        line.toolkit_args.emplace_back("-platform");
        line.toolkit_args.emplace_back("xcb");
    }
    std::vector<char*> toolkit_argv;
    for (std::string& arg : line.toolkit_args)
        toolkit_argv.push_back(arg.data());
    int toolkit_argc = int(toolkit_argv.size());
    QApplication app(toolkit_argc, toolkit_argv.data());
    QApplication::setApplicationName("tombora");
    QApplication::setApplicationDisplayName(QString());
    load_translations(app);
    use_japanese_ui_font();
    leave(run(line));
}
