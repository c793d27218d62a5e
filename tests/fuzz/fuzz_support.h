// What the fuzzers share: a broken check ends the run with its reason,
// and readers that open files by path get each input through one scratch
// file in the working folder, which run_fuzz.sh sets to its own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

inline void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

inline const std::string& scratch_path()
{
    static const std::string path = [] {
        char name[] = "fuzz_input.XXXXXX";
        int fd = mkstemp(name);
        require(fd >= 0, "a scratch file can be made");
        close(fd);
        return std::string(name);
    }();
    return path;
}

inline void write_scratch(const uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(scratch_path().c_str(), "wb");
    require(file != nullptr, "the scratch file can be written");
    require(std::fwrite(data, 1, size, file) == size, "the scratch file takes the bytes");
    std::fclose(file);
}
