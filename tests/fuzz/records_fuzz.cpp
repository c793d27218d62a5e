// Feeds any bytes to the readers of "HISCORE.dat" and "config.dat" and to
// the name mapping, and checks what the game relies on: no crash, and a
// table read from anything is written and read back unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "records/cp932.h"
#include "records/field_reader.h"
#include "records/high_score_table.h"
#include "records/settings_format.h"

namespace {

void check_fields(std::string_view bytes)
{
    for (std::string_view field : read_fields(bytes, 9)) {
        require(field.data() >= bytes.data() && field.data() + field.size() <= bytes.data() + bytes.size(),
                "a field lies inside the bytes read");
        field_number(field);
    }
}

bool holds_control_character(const std::string& name)
{
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

void check_high_scores(std::string_view bytes)
{
    HighScoreTable table = parse_high_scores(bytes);
    for (const std::string& name : table.names)
        require(!holds_control_character(name), "a name read from a file holds no control character");
    require(parse_high_scores(format_high_scores(table)) == table,
            "a table read from a file reads back the same after writing");
}

void check_settings(std::string_view bytes)
{
    SoundSettings settings = parse_settings(bytes);
    require(parse_settings(format_settings(settings)) == settings,
            "settings read back the same after writing");
}

void check_typed_name(std::string_view typed)
{
    std::string name = name_for_table(typed);
    require(name.find('"') == std::string::npos, "a table name holds no double quote");
    require(!holds_control_character(name), "a table name holds no control character");
    require(name_for_table(name) == name, "a table name is its own table name");
    require(cp932_to_utf8(utf8_to_cp932(name)) == name, "a table name survives the file's encoding");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check_fields(bytes);
    check_high_scores(bytes);
    check_settings(bytes);
    check_typed_name(bytes);
    return 0;
}
