#include "shell/program_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "shell/platform.h"

namespace {

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
                  return std::tolower(x) == std::tolower(y);
              });
}

}  // namespace

std::string find_ignoring_case(const std::string& folder_name, std::string_view leaf)
{
    namespace fs = std::filesystem;
    fs::path folder = folder_name;
    std::error_code error;
    if (fs::exists(folder / leaf, error))
        return (folder / leaf).string();
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (same_ignoring_case(entry.path().filename().string(), leaf))
            return entry.path().string();
    return (folder / leaf).string();
}

std::string choose_program_folder(const std::string& own_folder, const std::string& installed_folder)
{
    std::error_code error;
    if (installed_folder.empty() || std::filesystem::exists(find_ignoring_case(own_folder, "bgm.mid"), error))
        return own_folder;
    return installed_folder;
}

std::string program_file(std::string_view name)
{
    return find_ignoring_case(platform().program_folder(), name.substr(name.starts_with('\\') ? 1 : 0));
}
