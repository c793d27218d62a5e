#include "records/high_score_table.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "records/cp932.h"
#include "records/field_reader.h"

namespace {

constexpr std::size_t FIELDS_PER_ROW = 3;
constexpr std::string_view QUESTION_MARK = "？";

// A control character in a name would end the file's one line (CR, LF)
// or draw as a box on the title screen, so each one, C0, DEL or C1,
// becomes "？". UTF-8 keeps bytes below 0x80 for ASCII alone, and a C1
// control is the pair C2 80 to C2 9F.
std::string without_control_characters(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        bool c1 = byte == 0xC2 && next >= 0x80 && next < 0xA0;
        if (byte < 0x20 || byte == 0x7F || c1) {
            out += QUESTION_MARK;
            i += c1 ? 1 : 0;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

template <typename Field>
Field number_for_field(std::string_view field)
{
    int64_t value = field_number(field).value_or(0);
    return static_cast<Field>(std::clamp<int64_t>(value, std::numeric_limits<Field>::min(),
                                                  std::numeric_limits<Field>::max()));
}

void read_field_into(HighScoreTable& table, std::size_t index, std::string_view field)
{
    std::size_t row = index / FIELDS_PER_ROW;
    switch (index % FIELDS_PER_ROW) {
    case 0:
        if (!field.empty())
            table.names[row] = name_for_table(cp932_to_utf8(field));
        break;
    case 1:
        table.scores[row] = number_for_field<int32_t>(field);
        break;
    default:
        table.accuracies[row] = number_for_field<int16_t>(field);
        break;
    }
}

}  // namespace

HighScoreTable cleared_high_table()
{
    HighScoreTable table;
    table.names.fill(NAMELESS);
    return table;
}

HighScoreTable parse_high_scores(std::string_view bytes)
{
    HighScoreTable table = cleared_high_table();
    std::vector<std::string_view> fields = read_fields(bytes, HIGH_SCORE_ROWS * FIELDS_PER_ROW);
    for (std::size_t i = 0; i < fields.size(); ++i)
        read_field_into(table, i, fields[i]);
    return table;
}

std::string format_high_scores(const HighScoreTable& table)
{
    std::string line;
    for (int row = 0; row < HIGH_SCORE_ROWS; ++row) {
        if (row > 0)
            line += ',';
        line += '"' + utf8_to_cp932(name_for_table(table.names[row])) + "\",";
        line += std::to_string(table.scores[row]) + ',' + std::to_string(table.accuracies[row]);
    }
    return line + "\r\n";
}

std::string name_for_table(std::string_view typed_utf8)
{
    return without_control_characters(cp932_to_utf8(utf8_to_cp932(typed_utf8)));
}
