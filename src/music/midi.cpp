#include "music/midi.h"

#include <cstring>

#include "shell/platform.h"

namespace {

// The reply buffer's text up to its first NUL, or all of it without one.
std::string reply_text()
{
    return std::string(midi_reply.data(), strnlen(midi_reply.data(), midi_reply.size()));
}

// Replies are plain ASCII words; other bytes are left as they are.
std::string to_lower_ascii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::string midi_send(const std::string& command)
{
    int result = platform().mci_send_string(command.c_str(), midi_reply.data(), midi_reply.size());
    if (result != 0) {
        midi_active = 0;
        return "error";
    }
    return to_lower_ascii(reply_text());
}

void midi_open(const std::string& path)
{
    // When the conversion fails the buffer keeps what it held, and that is
    // what goes into the open command.
    platform().short_path_name(path.c_str(), midi_reply.data(), midi_reply.size());
    std::string short_path = reply_text();
    midi_active = 1;
    midi_send("open " + short_path + " alias MIDI");
}

void midi_close()
{
    midi_send("stop MIDI");
    midi_send("close MIDI");
}

void midi_switch_to(const std::string& path)
{
    midi_close();
    midi_open(path);
}

void midi_restart_if_stopped()
{
    bool music_on = platform().menu_checked(MenuItem::music);
    if (!music_on || midi_active == 0)
        return;
    if (midi_send("status MIDI mode") == "stopped")
        midi_send("play MIDI from 0");
}
