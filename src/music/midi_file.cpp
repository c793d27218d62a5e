#include "music/midi_file.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string_view>

namespace {

constexpr uint32_t DEFAULT_TEMPO = 500000;  // microseconds per quarter note

class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool at_end() const { return pos_ >= bytes_.size(); }
    bool has(size_t count) const { return bytes_.size() - pos_ >= count; }

    // Every read fails (returns false) rather than run past the end.
    bool byte(uint8_t& out)
    {
        if (!has(1))
            return false;
        out = bytes_[pos_++];
        return true;
    }
    bool big_endian(int size, uint32_t& out)
    {
        if (!has(size))
            return false;
        out = 0;
        for (int i = 0; i < size; ++i)
            out = (out << 8) | bytes_[pos_++];
        return true;
    }
    // A variable-length quantity: at most four bytes of seven bits.
    bool variable(uint32_t& out)
    {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!byte(b))
                return false;
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    bool tag(std::string_view expected)
    {
        if (!has(expected.size()) || !std::equal(expected.begin(), expected.end(), bytes_.begin() + pos_))
            return false;
        pos_ += expected.size();
        return true;
    }
    bool skip(size_t count)
    {
        if (!has(count))
            return false;
        pos_ += count;
        return true;
    }
    Reader sub(size_t count)
    {
        Reader inner(bytes_.subspan(pos_, count));
        pos_ += count;
        return inner;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

using TempoMap = std::map<uint64_t, uint32_t>;  // tick -> microseconds per quarter

constexpr int DRUM_CHANNEL = 9;
constexpr int DRUM_BANK = 128;

// The instruments a track plays: each channel starts on program 0 of its
// bank (the drum kit on channel 10) and moves with bank selects and
// program changes.
class PresetScan {
public:
    void message(uint8_t status, const uint8_t* data)
    {
        int channel = status & 0x0F;
        switch (status & 0xF0) {
        case 0x90:
            if (data[1] > 0)
                presets_.insert(current(channel));
            break;
        case 0xB0:
            if (data[0] == 0)  // bank select, coarse
                bank_[channel] = data[1];
            break;
        case 0xC0:
            program_[channel] = data[0];
            break;
        }
    }
    void next_track()
    {
        bank_.fill(0);
        program_.fill(0);
    }
    std::vector<std::pair<int, int>> presets() const { return {presets_.begin(), presets_.end()}; }

private:
    std::pair<int, int> current(int channel) const
    {
        return {channel == DRUM_CHANNEL ? DRUM_BANK : bank_[channel], program_[channel]};
    }
    std::array<int, 16> bank_{}, program_{};
    std::set<std::pair<int, int>> presets_;
};

bool read_meta(Reader& track, uint64_t tick, TempoMap& tempos, bool& ended)
{
    uint8_t type;
    uint32_t length;
    if (!track.byte(type) || !track.variable(length) || !track.has(length))
        return false;
    if (type == 0x51 && length == 3) {
        uint32_t tempo = 0;
        if (track.big_endian(3, tempo) && tempo > 0)
            tempos[tick] = tempo;
        return true;
    }
    ended = type == 0x2F;
    return track.skip(length);
}

int channel_data_bytes(uint8_t status)
{
    uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Reads one event after its delta time; running status carries the status
// of the last channel message.
bool read_event(Reader& track, uint64_t tick, uint8_t& running, TempoMap& tempos, bool& ended, PresetScan* scan)
{
    uint8_t first;
    if (!track.byte(first))
        return false;
    if (first == 0xFF)
        return read_meta(track, tick, tempos, ended);
    if (first == 0xF0 || first == 0xF7) {
        uint32_t length;
        return track.variable(length) && track.skip(length);
    }
    if (first >= 0xF0)
        return false;  // real-time and common messages do not belong in a file
    bool has_status = first & 0x80;
    if (has_status)
        running = first;
    else if (running == 0)
        return false;
    uint8_t data[2] = {first, 0};
    // Under running status the first byte read was already data.
    for (int i = has_status ? 0 : 1; i < channel_data_bytes(running); ++i)
        if (!track.byte(data[i]))
            return false;
    if (scan)
        scan->message(running, data);
    return true;
}

// The tick of the track's last event; a track without an end-of-track
// event ends with its chunk.
std::optional<uint64_t> read_track(Reader track, TempoMap& tempos, PresetScan* scan)
{
    uint64_t tick = 0;
    uint8_t running = 0;
    bool ended = false;
    while (!ended && !track.at_end()) {
        uint32_t delta;
        if (!track.variable(delta))
            return std::nullopt;
        tick += delta;
        if (!read_event(track, tick, running, tempos, ended, scan))
            return std::nullopt;
    }
    return tick;
}

double ticks_to_seconds(uint64_t end_tick, const TempoMap& tempos, uint32_t ticks_per_quarter)
{
    double micros = 0;
    uint64_t tick = 0;
    uint32_t tempo = DEFAULT_TEMPO;
    for (auto [change_tick, new_tempo] : tempos) {
        if (change_tick >= end_tick)
            break;
        micros += double(change_tick - tick) * tempo / ticks_per_quarter;
        tick = change_tick;
        tempo = new_tempo;
    }
    micros += double(end_tick - tick) * tempo / ticks_per_quarter;
    return micros / 1e6;
}

// Reads the whole file: its length in seconds, and its instruments into
// scan when one is given.
std::optional<double> read_file(std::span<const uint8_t> bytes, PresetScan* scan)
{
    Reader file(bytes);
    uint32_t header_length, format, track_count, division;
    if (!file.tag("MThd") || !file.big_endian(4, header_length) || header_length < 6
        || !file.big_endian(2, format) || !file.big_endian(2, track_count)
        || !file.big_endian(2, division) || !file.skip(header_length - 6))
        return std::nullopt;
    // Time-code division is not something the synthesiser's player follows.
    if (format > 2 || track_count == 0 || division == 0 || (division & 0x8000))
        return std::nullopt;

    TempoMap tempos;
    uint64_t end_tick = 0;
    for (uint32_t found = 0; found < track_count;) {
        bool is_track = file.tag("MTrk");
        if (!is_track && !file.skip(4))
            return std::nullopt;
        uint32_t length;
        if (!file.big_endian(4, length) || !file.has(length))
            return std::nullopt;
        if (!is_track) {  // chunks of other kinds are skipped
            file.skip(length);
            continue;
        }
        if (scan)
            scan->next_track();
        auto last_tick = read_track(file.sub(length), tempos, scan);
        if (!last_tick)
            return std::nullopt;
        end_tick = std::max(end_tick, *last_tick);
        ++found;
    }
    return ticks_to_seconds(end_tick, tempos, division);
}

}  // namespace

std::optional<double> midi_file_seconds(std::span<const uint8_t> bytes) { return read_file(bytes, nullptr); }

std::vector<std::pair<int, int>> midi_file_presets(std::span<const uint8_t> bytes)
{
    PresetScan scan;
    if (!read_file(bytes, &scan))
        return {};
    return scan.presets();
}
