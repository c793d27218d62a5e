#include "music/media_commands.h"

#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Splits at blanks; a word in double quotes may hold blanks and loses its
// quotes. Empty when a quote is left open.
std::optional<std::vector<std::string>> split_words(std::string_view command)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (true) {
        i = command.find_first_not_of(' ', i);
        if (i == std::string_view::npos)
            return words;
        if (command[i] == '"') {
            size_t close = command.find('"', i + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            words.emplace_back(command.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            size_t end = command.find(' ', i);
            words.emplace_back(command.substr(i, end - i));
            i = end;
        }
    }
}

}  // namespace

// Which command on the open piece the words make, the name being word 1.
MediaCommands::PieceVerb MediaCommands::piece_verb(const std::vector<std::string>& w)
{
    std::string verb = lower(w[0]);
    if (verb == "status" && w.size() == 3 && lower(w[2]) == "mode")
        return PieceVerb::status;
    if (verb == "play" && w.size() == 4 && lower(w[2]) == "from" && w[3] == "0")
        return PieceVerb::play;
    if (verb == "stop" && w.size() == 2)
        return PieceVerb::stop;
    if (verb == "close" && w.size() == 2)
        return PieceVerb::close;
    return PieceVerb::unknown;
}

MediaCommands::MediaCommands(MidiSequencer& sequencer) : sequencer_(sequencer) {}

MediaError MediaCommands::run(std::string_view command, std::string& reply)
{
    reply.clear();
    auto words = split_words(command);
    if (!words || words->empty())
        return MEDIA_UNKNOWN_COMMAND;
    const auto& w = *words;
    if (lower(w[0]) == "open" && w.size() == 4 && lower(w[2]) == "alias")
        return open(w[1], w[3]);
    PieceVerb verb = piece_verb(w);
    if (verb == PieceVerb::unknown)
        return MEDIA_UNKNOWN_COMMAND;
    if (!is_open_alias(w[1]))
        return MEDIA_NOT_OPEN;
    return act(verb, reply);
}

MediaError MediaCommands::act(PieceVerb verb, std::string& reply)
{
    switch (verb) {
    case PieceVerb::status:
        reply = sequencer_.pass_playing() ? "playing" : "stopped";
        break;
    case PieceVerb::play:
        return sequencer_.start_pass() ? MEDIA_OK : MEDIA_CANNOT_PLAY;
    case PieceVerb::stop:
        sequencer_.stop();
        break;
    case PieceVerb::close:
        sequencer_.close();
        alias_.clear();
        break;
    case PieceVerb::unknown:
        return MEDIA_UNKNOWN_COMMAND;
    }
    return MEDIA_OK;
}

MediaError MediaCommands::open(const std::string& path, const std::string& alias)
{
    if (!alias_.empty())
        return MEDIA_ALREADY_OPEN;
    if (!sequencer_.open(path))
        return MEDIA_CANNOT_OPEN;
    alias_ = lower(alias);
    return MEDIA_OK;
}

bool MediaCommands::is_open_alias(const std::string& name) const
{
    return !alias_.empty() && lower(name) == alias_;
}

void quoted_path_name(const char* path, char* buf, std::size_t buf_len)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return;
    std::string quoted = std::string("\"") + path + "\"";
    if (quoted.size() + 1 > buf_len)
        return;
    std::memcpy(buf, quoted.c_str(), quoted.size() + 1);
}
