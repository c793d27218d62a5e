#include "records/field_reader.h"

#include <algorithm>

namespace {

constexpr int64_t NUMBER_CEILING = 1'000'000'000'000'000;

std::size_t skip_spaces(std::string_view bytes, std::size_t pos)
{
    while (pos < bytes.size() && bytes[pos] == ' ')
        ++pos;
    return pos;
}

// Steps over the comma or line end at pos, CR LF counting as one.
std::size_t skip_terminator(std::string_view bytes, std::size_t pos)
{
    if (pos >= bytes.size())
        return pos;
    if (bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n')
        return pos + 2;
    return pos + 1;
}

std::size_t find_terminator(std::string_view bytes, std::size_t pos)
{
    std::size_t end = bytes.find_first_of(",\r\n", pos);
    return end == std::string_view::npos ? bytes.size() : end;
}

std::string_view trim_blanks(std::string_view text)
{
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::vector<std::string_view> read_fields(std::string_view bytes, std::size_t count)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (fields.size() < count) {
        pos = skip_spaces(bytes, pos);
        if (pos >= bytes.size())
            break;
        if (bytes[pos] == '"') {
            std::size_t close = bytes.find('"', pos + 1);
            if (close == std::string_view::npos)
                close = bytes.size();
            fields.push_back(bytes.substr(pos + 1, close - pos - 1));
            pos = find_terminator(bytes, std::min(close + 1, bytes.size()));
        } else {
            std::size_t end = find_terminator(bytes, pos);
            fields.push_back(bytes.substr(pos, end - pos));
            pos = end;
        }
        pos = skip_terminator(bytes, pos);
    }
    return fields;
}

std::optional<int64_t> field_number(std::string_view field)
{
    std::string_view text = trim_blanks(field);
    bool negative = text.starts_with('-');
    if (negative)
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = std::min(magnitude * 10 + (c - '0'), NUMBER_CEILING);
    }
    return negative ? -magnitude : magnitude;
}
