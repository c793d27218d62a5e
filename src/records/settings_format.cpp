#include "records/settings_format.h"

#include <vector>

#include "records/field_reader.h"

namespace {

bool field_is_one(const std::vector<std::string_view>& fields, std::size_t index)
{
    return index < fields.size() && field_number(fields[index]) == 1;
}

}  // namespace

SoundSettings parse_settings(std::string_view bytes)
{
    if (bytes.find_first_not_of(" \r\n") == std::string_view::npos)
        return {.music = true, .se = true};
    std::vector<std::string_view> fields = read_fields(bytes, 2);
    return {.music = field_is_one(fields, 0), .se = field_is_one(fields, 1)};
}

std::string format_settings(SoundSettings settings)
{
    std::string line;
    line += settings.music ? '1' : '0';
    line += ',';
    line += settings.se ? '1' : '0';
    return line + "\r\n";
}
