// The background music: one standard MIDI file at a time, known to the
// platform's media commands by the alias "MIDI". Opening a piece never plays
// it; the title and play frames call midi_restart_if_stopped every frame,
// which starts a freshly opened piece and repeats it when it ends.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Module state; only this module writes it.
// The reply of every command and, while a file is opened, its short path.
// Keeps its content between calls.
inline std::array<char, 256> midi_reply{};
// 1 from the moment an open is attempted until a command fails; while 0 the
// restart check sends nothing.
inline int32_t midi_active = 0;

// Sends one command; "error" when it fails, else the reply up to its first
// NUL, in lower case.
std::string midi_send(const std::string& command);
// Opens the file at the full path under the alias "MIDI" without playing it.
void midi_open(const std::string& path);
// Stops and closes the piece under the alias "MIDI".
void midi_close();
// Stops and closes the open piece and opens the one at path in its place.
void midi_switch_to(const std::string& path);
// Plays the open piece from its beginning when it stands stopped and the
// music menu item is ticked.
void midi_restart_if_stopped();
