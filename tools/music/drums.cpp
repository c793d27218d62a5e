#include "drums.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace music {
namespace {

constexpr int kStepsPerBeat = 4;
constexpr int kAccent = 20;

int hit_velocity(char mark, int plain) {
  switch (mark) {
    case 'x': return plain;
    case 'X': return std::min(127, plain + kAccent);
    case 'o': return plain / 2;
    default: throw std::invalid_argument(std::string("unknown drum step '") + mark + "'");
  }
}

// Appends the row's hits to `notes` and returns how many steps it holds.
int read_row(const DrumRow& row, int step_ticks, std::vector<Note>& notes) {
  int step = 0;
  for (const char mark : row.steps) {
    if (mark == ' ' || mark == '|') continue;
    if (mark != '.') {
      notes.push_back({step * step_ticks, step_ticks, row.key, hit_velocity(mark, row.velocity)});
    }
    ++step;
  }
  return step;
}

}  // namespace

Line parse_drums(const std::vector<DrumRow>& rows, const Meter& meter) {
  const int step_ticks = meter.ticks_per_beat / kStepsPerBeat;
  const int bar_steps = meter.beats_per_bar * kStepsPerBeat;
  Line line;
  int steps = -1;
  for (const DrumRow& row : rows) {
    const int row_steps = read_row(row, step_ticks, line.notes);
    if (row_steps % bar_steps != 0 || (steps >= 0 && row_steps != steps)) {
      throw std::invalid_argument("drum row for key " + std::to_string(row.key) + " has " +
                                  std::to_string(row_steps) + " steps");
    }
    steps = row_steps;
  }
  std::stable_sort(line.notes.begin(), line.notes.end(),
                   [](const Note& a, const Note& b) { return a.start < b.start; });
  line.length = std::max(steps, 0) * step_ticks;
  return line;
}

}  // namespace music
