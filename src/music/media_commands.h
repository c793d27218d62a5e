// The media command interpreter behind the game's music: command strings in,
// a result code and a reply text out. It understands what the game sends:
//
//   open <path> alias <name>   reads a MIDI file (path in double quotes when
//                              it holds spaces); stopped, not playing
//   status <name> mode         replies "playing" or "stopped"
//   play <name> from 0         plays from the beginning
//   stop <name>                stops and silences the music
//   close <name>               stops and forgets the piece
//
// Words and names ignore case. One piece can be open at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "music/midi_sequencer.h"

enum MediaError : int {
    MEDIA_OK = 0,
    MEDIA_UNKNOWN_COMMAND = 1,
    MEDIA_NOT_OPEN = 2,        // no piece open under that name
    MEDIA_CANNOT_OPEN = 3,     // missing, unreadable or not a MIDI file
    MEDIA_ALREADY_OPEN = 4,    // a piece is open already
    MEDIA_CANNOT_PLAY = 5,
};

class MediaCommands {
public:
    explicit MediaCommands(MidiSequencer& sequencer);

    // Runs one command; the reply is empty unless the command asks something.
    MediaError run(std::string_view command, std::string& reply);

private:
    enum class PieceVerb { status, play, stop, close, unknown };
    static PieceVerb piece_verb(const std::vector<std::string>& words);
    MediaError act(PieceVerb verb, std::string& reply);
    MediaError open(const std::string& path, const std::string& alias);
    bool is_open_alias(const std::string& name) const;

    MidiSequencer& sequencer_;
    std::string alias_;  // of the open piece, lower case; empty when none
};

// A path as an open command takes it: writes the path in double quotes
// when the file exists and the quoted path fits into buf with its NUL;
// otherwise leaves buf as it was.
void quoted_path_name(const char* path, char* buf, std::size_t buf_len);
