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
    bool x_display = false;       // an X display (DISPLAY): Xwayland, on a Wayland desktop
};
DesktopOffer desktop_offer(const CommandLine& line);

// Whether to ask Qt for its X platform where it would take Wayland: on a
// Wayland desktop that also offers an X display, through Xwayland the game
// costs a third of the memory and, under Qt 6.4, a fraction of the
// wake-ups (docs/performance.md, Wayland). Not where a screen is scaled
// (largest_scale, asked only then): Xwayland would blur the field, where
// natively each of its pixels is a sharp block. A platform the player
// names is always kept.
bool goes_through_x(const DesktopOffer& offer, const std::function<int()>& largest_scale);
