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

std::string program_file(std::string_view name)
{
    namespace fs = std::filesystem;
    std::string leaf(name.substr(name.starts_with('\\') ? 1 : 0));
    fs::path folder = platform().program_folder();
    std::error_code error;
    if (fs::exists(folder / leaf, error))
        return (folder / leaf).string();
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::string candidate = entry.path().filename().string();
        if (same_ignoring_case(candidate, leaf))
            return entry.path().string();
    }
    return (folder / leaf).string();
}
