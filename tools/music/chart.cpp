#include "chart.h"

#include <sstream>
#include <stdexcept>
#include <vector>

namespace music {
namespace {

std::vector<std::string> words_of(std::string_view text) {
  std::istringstream stream{std::string(text)};
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

std::vector<std::vector<std::string>> bars_of(std::string_view chart) {
  std::vector<std::vector<std::string>> bars;
  while (true) {
    const auto bar_line = chart.find('|');
    bars.push_back(words_of(chart.substr(0, bar_line)));
    if (bars.back().empty() || bars.back().size() > 2) {
      throw std::invalid_argument("chart bar " + std::to_string(bars.size()) +
                                  " needs one or two chords");
    }
    if (bar_line == std::string_view::npos) return bars;
    chart.remove_prefix(bar_line + 1);
  }
}

// One pattern token with X or Y, if it names one, replaced by its chord.
std::string fill_in(const std::string& token, const std::vector<std::string>& chords) {
  const auto body_start = token.find_first_not_of('>');
  const auto body_end = token.find('/');
  const std::string body = token.substr(body_start, body_end - body_start);
  if (body != "X" && body != "Y") return token;
  const std::string& chord = body == "X" ? chords.front() : chords.back();
  const std::string rest = body_end == std::string::npos ? "" : token.substr(body_end);
  return token.substr(0, body_start) + "[" + chord + "]" + rest;
}

}  // namespace

std::string comp_line(std::string_view chart, std::string_view bar_pattern) {
  const std::vector<std::string> pattern = words_of(bar_pattern);
  std::string line;
  for (const auto& chords : bars_of(chart)) {
    for (const std::string& token : pattern) line += fill_in(token, chords) + " ";
    line += "| ";
  }
  return line;
}

}  // namespace music
