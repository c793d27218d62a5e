#include "smf_writer.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>

namespace music {
namespace {

// A little room around the instruments, kept small so that the loop's seam
// does not cut off a long tail.
constexpr std::uint8_t kReverbSend = 32;

enum class Order { kSetUp, kNoteOff, kNoteOn };  // within one tick

struct Event {
  int tick;
  Order order;
  std::vector<std::uint8_t> bytes;
};

void append_big_endian(std::vector<std::uint8_t>& out, std::uint32_t value, int size) {
  for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) out.push_back(value >> shift & 0xFF);
}

Event meta(std::uint8_t type, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> bytes{0xFF, type};
  append_variable_length(bytes, static_cast<std::uint32_t>(data.size()));
  bytes.insert(bytes.end(), data.begin(), data.end());
  return {0, Order::kSetUp, bytes};
}

Event name_event(const std::string& name) {
  return meta(0x03, std::vector<std::uint8_t>(name.begin(), name.end()));
}

std::vector<Event> conductor_events(const Song& song) {
  const std::uint32_t micros_per_beat = 60'000'000 / song.beats_per_minute;
  std::vector<std::uint8_t> tempo;
  append_big_endian(tempo, micros_per_beat, 3);
  const auto beats = static_cast<std::uint8_t>(song.meter.beats_per_bar);
  // Metre over a quarter note, a click each quarter, eight 32nds a quarter.
  return {name_event(song.title), meta(0x58, {beats, 2, 24, 8}), meta(0x51, tempo)};
}

std::vector<Event> part_events(const Part& part, int song_length) {
  const auto& instrument = part.instrument;
  const auto channel = static_cast<std::uint8_t>(instrument.channel);
  const auto control = [channel](std::uint8_t number, int value) {
    return Event{0, Order::kSetUp, {static_cast<std::uint8_t>(0xB0 | channel), number,
                                    static_cast<std::uint8_t>(value)}};
  };
  std::vector<Event> events{
      name_event(instrument.name),
      {0, Order::kSetUp, {static_cast<std::uint8_t>(0xC0 | channel),
                          static_cast<std::uint8_t>(instrument.program)}},
      control(7, instrument.volume), control(10, instrument.pan), control(91, kReverbSend)};
  for (const Note& note : part.notes) {
    if (note.start + note.length > song_length) {
      throw std::invalid_argument(instrument.name + " has a note past the end of the song");
    }
    const auto key = static_cast<std::uint8_t>(note.key);
    events.push_back({note.start, Order::kNoteOn, {static_cast<std::uint8_t>(0x90 | channel), key,
                                                   static_cast<std::uint8_t>(note.velocity)}});
    events.push_back({note.start + note.length, Order::kNoteOff,
                      {static_cast<std::uint8_t>(0x80 | channel), key, 64}});
  }
  return events;
}

void append_track(std::vector<std::uint8_t>& file, std::vector<Event> events, int end_tick) {
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  std::vector<std::uint8_t> body;
  int now = 0;
  for (const Event& event : events) {
    append_variable_length(body, static_cast<std::uint32_t>(event.tick - now));
    body.insert(body.end(), event.bytes.begin(), event.bytes.end());
    now = event.tick;
  }
  append_variable_length(body, static_cast<std::uint32_t>(end_tick - now));
  body.insert(body.end(), {0xFF, 0x2F, 0x00});
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  append_big_endian(file, static_cast<std::uint32_t>(body.size()), 4);
  file.insert(file.end(), body.begin(), body.end());
}

}  // namespace

void append_variable_length(std::vector<std::uint8_t>& out, std::uint32_t value) {
  std::vector<std::uint8_t> groups{static_cast<std::uint8_t>(value & 0x7F)};
  for (value >>= 7; value != 0; value >>= 7) {
    groups.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
  }
  out.insert(out.end(), groups.rbegin(), groups.rend());
}

std::vector<std::uint8_t> smf_bytes(const Song& song) {
  std::vector<std::uint8_t> file{'M', 'T', 'h', 'd'};
  append_big_endian(file, 6, 4);
  append_big_endian(file, 1, 2);  // format 1: tracks played together
  append_big_endian(file, static_cast<std::uint32_t>(song.parts.size() + 1), 2);
  append_big_endian(file, static_cast<std::uint32_t>(song.meter.ticks_per_beat), 2);
  append_track(file, conductor_events(song), song.length);
  for (const Part& part : song.parts) append_track(file, part_events(part, song.length), song.length);
  return file;
}

void write_smf(const Song& song, const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = smf_bytes(song);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace music
