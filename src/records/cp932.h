// Shift_JIS as Windows writes it (code page 932), the encoding of
// "HISCORE.dat". The game holds its texts in UTF-8. No Qt: the fuzzer
// builds this on its own.
#pragma once

#include <string>
#include <string_view>

// Each byte, or incomplete character, that CP932 does not define
// becomes "？", so any file content gives a printable name.
std::string cp932_to_utf8(std::string_view bytes);

// A double quote becomes "＂", which a quoted field can carry; a
// character CP932 has no code for, and each byte of malformed UTF-8,
// becomes "？".
std::string utf8_to_cp932(std::string_view text);
