// Small standard MIDI files written byte by byte for the tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// One track's events, each after a delta time in ticks.
class TrackBytes {
public:
    TrackBytes& event(uint32_t delta, std::initializer_list<uint8_t> message)
    {
        variable(delta);
        bytes_.insert(bytes_.end(), message);
        return *this;
    }
    TrackBytes& tempo(uint32_t delta, uint32_t micros_per_quarter)
    {
        return event(delta, {0xFF, 0x51, 0x03, uint8_t(micros_per_quarter >> 16),
                             uint8_t(micros_per_quarter >> 8), uint8_t(micros_per_quarter)});
    }
    TrackBytes& end(uint32_t delta) { return event(delta, {0xFF, 0x2F, 0x00}); }
    const Bytes& bytes() const { return bytes_; }

private:
    void variable(uint32_t value)
    {
        Bytes groups{uint8_t(value & 0x7F)};
        while (value >>= 7)
            groups.insert(groups.begin(), uint8_t(0x80 | (value & 0x7F)));
        bytes_.insert(bytes_.end(), groups.begin(), groups.end());
    }
    Bytes bytes_;
};

inline void put_big_endian(Bytes& out, uint32_t value, int size)
{
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

inline void put_chunk(Bytes& out, const std::string& tag, const Bytes& body)
{
    out.insert(out.end(), tag.begin(), tag.end());
    put_big_endian(out, static_cast<uint32_t>(body.size()), 4);
    // Appended a byte at a time: g++ 14 takes a range insert here for an
    // overflow (-Wstringop-overflow) that cannot happen.
    std::copy(body.begin(), body.end(), std::back_inserter(out));
}

inline Bytes midi_file(uint16_t format, uint16_t division, const std::vector<TrackBytes>& tracks)
{
    Bytes header;
    put_big_endian(header, format, 2);
    put_big_endian(header, static_cast<uint32_t>(tracks.size()), 2);
    put_big_endian(header, division, 2);
    Bytes out;
    put_chunk(out, "MThd", header);
    for (const auto& track : tracks)
        put_chunk(out, "MTrk", track.bytes());
    return out;
}

// A piano piece at 120 beats a minute, 480 ticks a beat (1 ms is 0.96
// ticks): notes given as key, loudness and {start ms, end ms}, one after
// the other or overlapping; the piece ends with its last note.
struct PianoNote {
    uint8_t key, velocity;
    uint32_t start_ms, end_ms;
};

inline Bytes piano_notes(const std::vector<PianoNote>& notes)
{
    struct Timed {
        uint32_t tick;
        uint8_t status, key, velocity;
    };
    std::vector<Timed> events;
    for (const auto& n : notes) {
        events.push_back({n.start_ms * 96 / 100, 0x90, n.key, n.velocity});
        events.push_back({n.end_ms * 96 / 100, 0x80, n.key, 0});
    }
    std::stable_sort(events.begin(), events.end(), [](auto& a, auto& b) { return a.tick < b.tick; });
    TrackBytes track;
    track.tempo(0, 500000).event(0, {0xC0, 0});
    uint32_t now = 0;
    for (const auto& e : events) {
        track.event(e.tick - now, {e.status, e.key, e.velocity});
        now = e.tick;
    }
    track.end(0);
    return midi_file(0, 480, {track});
}

// The same, every note loud and on one key.
struct NoteSpan {
    uint32_t start_ms, end_ms;
};

inline Bytes piano_piece(const std::vector<NoteSpan>& notes, uint8_t key = 60)
{
    std::vector<PianoNote> same;
    for (const auto& n : notes)
        same.push_back({key, 110, n.start_ms, n.end_ms});
    return piano_notes(same);
}
