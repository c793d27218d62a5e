// A reader for Standard MIDI Files written independently of the writer, so
// the tests judge the files as a player would see them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace music_test {

struct MidiEvent {
  std::uint32_t tick;
  std::uint8_t status;  // 0xFF for meta events
  std::uint8_t meta_type = 0;
  std::vector<std::uint8_t> data;  // channel message bytes after the status, or meta data
};

struct MidiTrack {
  std::vector<MidiEvent> events;
  bool ends_with_end_of_track = false;
};

struct MidiFile {
  int format = -1;
  int ticks_per_beat = 0;
  int declared_tracks = 0;
  std::vector<MidiTrack> tracks;
};

struct Sounding {  // one note from its note-on to its note-off
  int channel;
  int key;
  std::uint32_t start;
  std::uint32_t end;
};

// Throws std::runtime_error on a malformed file.
MidiFile read_midi(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path);

// Pairs note-ons with note-offs (or note-ons of velocity 0). Throws if a key
// is struck again while it sounds or is left sounding at the end of a track.
std::vector<Sounding> sounding_notes(const MidiFile& file);

std::uint32_t end_tick(const MidiFile& file);  // the latest end-of-track
double seconds_at(const MidiFile& file, std::uint32_t tick);  // through the tempo map

}  // namespace music_test
