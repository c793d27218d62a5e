// The high-score table as the bytes of "HISCORE.dat": one line of nine
// fields, name, score and accuracy of each of the three rows, in CP932.
// No Qt and no shared variables, so the fuzzer can build it on its own.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int HIGH_SCORE_ROWS = 3;
inline constexpr const char* NAMELESS = "名無しの権兵衛";

struct HighScoreTable {
    std::array<std::string, HIGH_SCORE_ROWS> names;  // UTF-8
    std::array<int32_t, HIGH_SCORE_ROWS> scores{};
    std::array<int16_t, HIGH_SCORE_ROWS> accuracies{};

    bool operator==(const HighScoreTable&) const = default;
};

// "名無しの権兵衛" with 0 and 0 in every row.
HighScoreTable cleared_high_table();

// The table a file holds. Whatever the bytes, the result is a full
// table: a field that is missing, or a name field that is empty, keeps
// the cleared table's value; a number field that is not a number reads
// 0; a number too large for its field is held at the field's limit.
HighScoreTable parse_high_scores(std::string_view bytes);

// The file's line, CR LF included. Names go through the same mapping as
// name_for_table, so the file always holds nine well-formed fields.
std::string format_high_scores(const HighScoreTable& table);

// The name as the file will carry it and give it back: a double quote
// becomes "＂", a character that CP932 cannot encode and a control
// character (CR, LF, NUL and the like) become "？", and a
// character CP932 stores under another code (a yen sign, a double
// vertical line) becomes the one it reads back as.
std::string name_for_table(std::string_view typed_utf8);
