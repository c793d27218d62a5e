// The path rule: sounds, music and help lie in the program folder and are
// named there as "\name"; the two data files are opened by bare name in
// the working directory.
#pragma once

#include <string>
#include <string_view>

// program folder + name, where name begins with "\". The file is found
// whatever the case of its letters ("\TOMBORA.MID" finds "tombora.mid");
// when none matches, the path is built from the name as given.
std::string program_file(std::string_view name);

// The program folder: the program's own folder when it holds the game's
// files (a build tree, or a copy installed all in one folder), otherwise
// the folder an installed game keeps them in, away from the program.
std::string choose_program_folder(const std::string& own_folder, const std::string& installed_folder);

// folder + "/" + the entry whose name equals leaf but for the case of its
// letters; folder + "/" + leaf when none does.
std::string find_ignoring_case(const std::string& folder, std::string_view leaf);
