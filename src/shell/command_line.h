// The command line, read before any window or display is opened.
#pragma once

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
