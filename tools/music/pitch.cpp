#include "pitch.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>
#include <string>

namespace music {
namespace {

struct Quality {
  std::string_view suffix;
  std::vector<int> intervals;
};

const std::array<Quality, 8> kQualities{{
    {"", {0, 4, 7}},
    {"m", {0, 3, 7}},
    {"7", {0, 4, 7, 10}},
    {"m7", {0, 3, 7, 10}},
    {"maj7", {0, 4, 7, 11}},
    {"6", {0, 4, 7, 9}},
    {"dim", {0, 3, 6}},
    {"sus4", {0, 5, 7}},
}};

[[noreturn]] void reject(std::string_view what, std::string_view text) {
  throw std::invalid_argument(std::string(what) + " \"" + std::string(text) + "\"");
}

int natural_class(char letter) {
  switch (letter) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
  }
}

// Reads a letter and its accidentals from the front of `text`, which it
// shortens; returns semitones above the octave's C, which sharps and flats
// can push past either end ("B#" is 12, "Cb" is -1).
int take_step(std::string_view& text, std::string_view whole) {
  if (text.empty() || natural_class(text.front()) < 0) reject("no note letter in", whole);
  int step = natural_class(text.front());
  text.remove_prefix(1);
  while (!text.empty() && (text.front() == '#' || text.front() == 'b')) {
    step += text.front() == '#' ? 1 : -1;
    text.remove_prefix(1);
  }
  return step;
}

const Quality& quality_of(std::string_view suffix, std::string_view whole) {
  for (const Quality& quality : kQualities) {
    if (quality.suffix == suffix) return quality;
  }
  reject("unknown chord", whole);
}

}  // namespace

int pitch_of(std::string_view name) {
  std::string_view rest = name;
  const int step = take_step(rest, name);
  if (rest.size() != 1 || !std::isdigit(static_cast<unsigned char>(rest.front()))) {
    reject("no octave in", name);
  }
  const int octave = rest.front() - '0';
  const int key = 12 * (octave + 1) + step;
  if (key < 0 || key > 127) reject("out of MIDI range:", name);
  return key;
}

std::vector<int> chord_voicing(std::string_view symbol, int floor) {
  std::string_view rest = symbol;
  const int root = take_step(rest, symbol) + 12;
  const auto slash = rest.find('/');
  if (slash != std::string_view::npos) {
    std::string_view bass = rest.substr(slash + 1);
    take_step(bass, symbol);
    if (!bass.empty()) reject("bad bass in", symbol);
    rest = rest.substr(0, slash);
  }
  std::vector<int> keys;
  for (const int interval : quality_of(rest, symbol).intervals) {
    const int pitch_class = (root + interval) % 12;
    keys.push_back(floor + (pitch_class - floor % 12 + 12) % 12);
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

}  // namespace music
