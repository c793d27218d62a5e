// The command line, read before any window or display is opened.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct CommandLine {
    enum class Action { play, help, version, bad };
    Action action = Action::play;
    // Started from the desktop entry: the game runs in the user's data
    // folder instead of the current one.
    bool desktop = false;
    // What the toolkit may read (the program's name first): its own
    // options such as -platform NAME.
    std::vector<std::string> toolkit_args;
    // The argument that was not understood, for the message.
    std::string bad_arg;
};

CommandLine parse_command_line(int argc, const char* const* argv);

// The short usage printed by --help and after a bad option.
std::string usage_text();

// What the desktop offers the game to show itself on.
struct DesktopOffer {
    bool platform_named = false;  // -platform NAME, or QT_QPA_PLATFORM
    bool wayland = false;         // a Wayland compositor (WAYLAND_DISPLAY, or a Wayland session)
    bool x_display = false;       // an X display (DISPLAY, or -display NAME): Xwayland, on a Wayland desktop
    std::string x_display_name;   // the one -display names; empty: DISPLAY's
    bool light_natively = false;  // Qt 6.8 or later: natively as small as through Xwayland
};
DesktopOffer desktop_offer(const CommandLine& line);

// What goes_through_x asks the desktop, only when the answer decides.
struct DesktopQuestions {
    std::function<int()> largest_scale;            // of the compositor's outputs
    std::function<bool(const std::string&)> x_answers;  // the X display takes a connection
};

// Whether to ask Qt for its X platform where it would take Wayland: on a
// Wayland desktop that also offers an X display, under Qt before 6.8, whose
// Wayland plugin maps Mesa's renderer and LLVM to draw the window's frame,
// so that natively the game holds twice the memory (docs/performance.md).
// Not where a screen is scaled: Xwayland would blur the field, where
// natively each of its pixels is a sharp block. Not where the X display
// does not answer: Qt's X platform would end the program. A platform the
// player names is always kept.
bool goes_through_x(const DesktopOffer& offer, const DesktopQuestions& ask);
