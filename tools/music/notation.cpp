#include "notation.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <string>

#include "pitch.h"

namespace music {
namespace {

constexpr int kAccent = 14;
constexpr int kBarLean = 6;
constexpr int kBeatLean = 3;

struct Reader {
  const Meter& meter;
  const Touch& touch;
  Line line;
  int length = 0;  // of the current token, carried to the next
  int bar = 1;
  int bar_start = 0;

  [[noreturn]] void reject(const std::string& what) const {
    throw std::invalid_argument("bar " + std::to_string(bar) + ": " + what);
  }

  int note_value(std::string_view text) const {
    const bool dotted = !text.empty() && text.back() == '.';
    if (dotted) text.remove_suffix(1);
    const int whole = meter.ticks_per_beat * 4;
    int denominator = 0;
    for (const char digit : text) {
      if (digit < '0' || digit > '9') reject("bad note value /" + std::string(text));
      denominator = denominator * 10 + (digit - '0');
    }
    const bool power_of_two = denominator > 0 && (denominator & (denominator - 1)) == 0;
    if (!power_of_two || whole % denominator != 0) {
      reject("bad note value /" + std::string(text));
    }
    const int plain = whole / denominator;
    return dotted ? plain + plain / 2 : plain;
  }

  std::vector<int> keys_of(std::string_view body) const {
    if (body.size() > 2 && body.front() == '[' && body.back() == ']') {
      return chord_voicing(body.substr(1, body.size() - 2), touch.chord_floor);
    }
    std::vector<int> keys;
    for (auto plus = body.find('+'); plus != std::string_view::npos; plus = body.find('+')) {
      keys.push_back(pitch_of(body.substr(0, plus)));
      body.remove_prefix(plus + 1);
    }
    keys.push_back(pitch_of(body));
    return keys;
  }

  int velocity_at(int tick, bool accented) const {
    int velocity = touch.velocity + (accented ? kAccent : 0);
    if (tick % meter.bar_ticks() == 0) {
      velocity += kBarLean;
    } else if (tick % meter.ticks_per_beat == 0) {
      velocity += kBeatLean;
    }
    return std::clamp(velocity, 1, 127);
  }

  void close_bar() {
    if (line.length - bar_start != meter.bar_ticks()) {
      reject("holds " + std::to_string(line.length - bar_start) + " ticks, not " +
             std::to_string(meter.bar_ticks()));
    }
    bar_start = line.length;
    ++bar;
  }

  void read(std::string_view token) {
    if (token == "|") return close_bar();
    const bool accented = token.front() == '>';
    if (accented) token.remove_prefix(1);
    const auto chord_end = token.find(']');  // a chord symbol may hold a slash of its own
    const auto slash = token.find('/', chord_end == std::string_view::npos ? 0 : chord_end);
    const std::string_view body = token.substr(0, slash);
    if (slash != std::string_view::npos) length = note_value(token.substr(slash + 1));
    if (length == 0) reject("no note value for \"" + std::string(token) + "\"");
    if (body != "r") {
      try {
        for (const int key : keys_of(body)) {
          line.notes.push_back({line.length, length, key, velocity_at(line.length, accented)});
        }
      } catch (const std::invalid_argument& error) {
        reject(error.what());
      }
    }
    line.length += length;
  }
};

}  // namespace

Line parse_line(std::string_view text, const Meter& meter, const Touch& touch) {
  Reader reader{meter, touch, {}};
  std::istringstream tokens{std::string(text)};
  for (std::string token; tokens >> token;) reader.read(token);
  if (reader.line.length != reader.bar_start) reader.close_bar();
  return reader.line;
}

Line join(const std::vector<Line>& sections) {
  Line whole;
  for (const Line& section : sections) {
    for (Note note : section.notes) {
      note.start += whole.length;
      whole.notes.push_back(note);
    }
    whole.length += section.length;
  }
  return whole;
}

}  // namespace music
