// Reading and writing the game's two data files, opened by bare name in
// the working directory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Far more than the game ever writes (three names as long as the name
// box takes, 32767 characters of two bytes each, come to under 200 KiB),
// and small enough that a huge or endless file costs nothing.
inline constexpr std::size_t DATA_FILE_READ_LIMIT = 1 << 20;

// The first DATA_FILE_READ_LIMIT bytes of the file; empty when it is
// missing, cannot be read, or is not a plain file (a folder, a pipe).
std::string read_data_file(const char* name);

// The suffix of a save's new file while it is written under a name of its
// own: "<name>.tombora-saving". No other program makes a file so named.
inline constexpr char DATA_FILE_SAVING_SUFFIX[] = ".tombora-saving";

// Writes the whole file as a new file in the same folder, synced to the
// disk, that is then renamed over the old one, so a crash, a kill or a
// full disk leaves either the old file or the new one, never a cut one;
// the folder is synced after the rename, so the new file survives a power
// cut. A symbolic link is written through, and an existing file keeps its
// permissions. No other file is touched: the only name the writer takes
// away is its own saving name, which a killed save can leave.
// False when the file could not be written; the old file is then
// untouched.
bool write_data_file(const char* name, std::string_view bytes);
