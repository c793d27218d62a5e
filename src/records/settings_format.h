// The two sound options as the bytes of "config.dat": one line of two
// number fields, music then sound effects, 1 for on and 0 for off.
// No Qt, so the fuzzer can build it on its own.
#pragma once

#include <string>
#include <string_view>

struct SoundSettings {
    bool music = false;
    bool se = false;

    bool operator==(const SoundSettings&) const = default;
};

// A file that is missing or holds nothing but blanks and line ends (the
// caller passes it as empty bytes) turns both options on, so a first run
// has sound. Otherwise an option is on only when its field is the number
// 1; 0, any other number, a text that is not a number and a missing
// field all leave it off, as the menu item is created.
SoundSettings parse_settings(std::string_view bytes);

// "1,1\r\n", "0,1\r\n" and so on.
std::string format_settings(SoundSettings settings);
