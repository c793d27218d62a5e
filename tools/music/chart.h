// Accompaniment written once as a rhythm and played over a chord chart.
#pragma once

#include <string>
#include <string_view>

namespace music {

// Writes out, in the part notation, `bar_pattern` played over each bar of
// `chart` ("F | Dm | Gm7 C7 | F"). In the pattern X stands for the bar's
// first chord and Y for its second, or for the first again when the bar has
// only one: "r/4 X r Y" strikes on beats two and four.
// Throws std::invalid_argument on a bar with no chord or more than two.
std::string comp_line(std::string_view chart, std::string_view bar_pattern);

}  // namespace music
