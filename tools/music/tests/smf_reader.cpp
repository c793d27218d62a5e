#include "smf_reader.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <utility>

namespace music_test {
namespace {

struct Cursor {
  const std::vector<std::uint8_t>& bytes;
  std::size_t at;
  std::size_t end;

  std::uint8_t byte() {
    if (at >= end) throw std::runtime_error("MIDI data runs past its chunk");
    return bytes[at++];
  }
  std::uint32_t big_endian(int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) value = value << 8 | byte();
    return value;
  }
  std::uint32_t variable_length() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const std::uint8_t next = byte();
      value = value << 7 | (next & 0x7F);
      if ((next & 0x80) == 0) return value;
    }
    throw std::runtime_error("variable-length number longer than four bytes");
  }
  std::string tag() {
    std::string text;
    for (int i = 0; i < 4; ++i) text += static_cast<char>(byte());
    return text;
  }
};

int data_bytes_of(std::uint8_t status) {
  const int kind = status >> 4;
  return kind == 0xC || kind == 0xD ? 1 : 2;
}

MidiTrack read_track(Cursor& chunk) {
  MidiTrack track;
  std::uint32_t tick = 0;
  while (chunk.at < chunk.end) {
    if (track.ends_with_end_of_track) throw std::runtime_error("events after end-of-track");
    tick += chunk.variable_length();
    MidiEvent event{tick, chunk.byte(), 0, {}};
    if (event.status == 0xFF) {
      event.meta_type = chunk.byte();
      const std::uint32_t size = chunk.variable_length();
      for (std::uint32_t i = 0; i < size; ++i) event.data.push_back(chunk.byte());
      track.ends_with_end_of_track = event.meta_type == 0x2F;
    } else {
      if (event.status < 0x80 || event.status >= 0xF0) {
        throw std::runtime_error("running status or system message: not expected here");
      }
      while (static_cast<int>(event.data.size()) < data_bytes_of(event.status)) {
        event.data.push_back(chunk.byte());
      }
    }
    track.events.push_back(event);
  }
  return track;
}

}  // namespace

std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

MidiFile read_midi(const std::vector<std::uint8_t>& bytes) {
  Cursor file{bytes, 0, bytes.size()};
  if (file.tag() != "MThd" || file.big_endian(4) != 6) throw std::runtime_error("no MThd header");
  MidiFile midi;
  midi.format = static_cast<int>(file.big_endian(2));
  midi.declared_tracks = static_cast<int>(file.big_endian(2));
  midi.ticks_per_beat = static_cast<int>(file.big_endian(2));
  while (file.at < file.end) {
    if (file.tag() != "MTrk") throw std::runtime_error("chunk other than MTrk");
    const std::uint32_t size = file.big_endian(4);
    if (file.at + size > file.end) throw std::runtime_error("track chunk runs past the file");
    Cursor chunk{bytes, file.at, file.at + size};
    midi.tracks.push_back(read_track(chunk));
    file.at += size;
  }
  return midi;
}

std::vector<Sounding> sounding_notes(const MidiFile& file) {
  std::vector<Sounding> notes;
  for (const MidiTrack& track : file.tracks) {
    std::map<std::pair<int, int>, std::uint32_t> open;  // (channel, key) -> start
    for (const MidiEvent& event : track.events) {
      const int kind = event.status >> 4;
      if (kind != 0x8 && kind != 0x9) continue;
      const std::pair<int, int> id{event.status & 0x0F, event.data[0]};
      const bool on = kind == 0x9 && event.data[1] > 0;
      if (on && !open.emplace(id, event.tick).second) {
        throw std::runtime_error("key " + std::to_string(id.second) + " struck while sounding");
      }
      if (!on && open.count(id) != 0) {
        notes.push_back({id.first, id.second, open[id], event.tick});
        open.erase(id);
      }
    }
    if (!open.empty()) throw std::runtime_error("a note never ends");
  }
  return notes;
}

std::uint32_t end_tick(const MidiFile& file) {
  std::uint32_t end = 0;
  for (const MidiTrack& track : file.tracks) {
    if (!track.events.empty()) end = std::max(end, track.events.back().tick);
  }
  return end;
}

double seconds_at(const MidiFile& file, std::uint32_t tick) {
  std::map<std::uint32_t, std::uint32_t> tempo_changes{{0, 500'000}};  // MIDI's default tempo
  for (const MidiTrack& track : file.tracks) {
    for (const MidiEvent& event : track.events) {
      if (event.status == 0xFF && event.meta_type == 0x51 && event.data.size() == 3) {
        tempo_changes[event.tick] = event.data[0] << 16 | event.data[1] << 8 | event.data[2];
      }
    }
  }
  double micros = 0;
  for (auto change = tempo_changes.begin(); change != tempo_changes.end(); ++change) {
    if (change->first >= tick) break;
    const auto next = std::next(change);
    const std::uint32_t until = next == tempo_changes.end() ? tick : std::min(tick, next->first);
    micros += static_cast<double>(until - change->first) * change->second;
  }
  return micros / file.ticks_per_beat / 1e6;
}

}  // namespace music_test
