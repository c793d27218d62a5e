// The comma-separated field reader shared by "HISCORE.dat" and
// "config.dat". Plain bytes in, plain bytes out: no Qt, so the fuzzer
// can build it on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Reads up to count fields from the front of bytes, in order:
// - spaces before a field are skipped;
// - a field that begins with a double quote runs to the next double
//   quote (line ends included), and whatever follows it up to the next
//   comma or line end is dropped; a quote never closed runs to the end;
// - any other field runs to the next comma or line end;
// - a comma or a line end (CR, LF or CR LF) ends a field, so the fields
//   may stand on one line or on several.
// Fewer fields come back when the bytes run out first. The views point
// into bytes. Working on bytes is safe for CP932: the second byte of a
// double-byte character is never a quote, a comma, CR or LF.
std::vector<std::string_view> read_fields(std::string_view bytes, std::size_t count);

// The decimal number a field holds: an optional "-" and one or more
// digits, with blanks around allowed. Anything else is not a number.
// Magnitudes beyond any field of the game are held at a ceiling of
// 10^15, so callers clamp to their own field without overflow.
std::optional<int64_t> field_number(std::string_view field);
