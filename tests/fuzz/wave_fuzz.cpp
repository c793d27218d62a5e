// Feeds any bytes, as a sound file, to the reader of the hit and miss
// sounds, and checks what the mixer relies on: no crash, memory within
// the fuzzer's limit, and a sound that is stereo and no longer than a
// sound may be.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "music/wave_sound.h"

namespace {

constexpr int OUT_RATE = 44100;

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// The reader opens files by path: each input goes into one scratch file
// in the working folder, which run_fuzz.sh sets to its own.
const std::string& scratch_path()
{
    static const std::string path = [] {
        char name[] = "wave_input.XXXXXX";
        int fd = mkstemp(name);
        require(fd >= 0, "a scratch file can be made");
        close(fd);
        return std::string(name);
    }();
    return path;
}

void write_scratch(const uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(scratch_path().c_str(), "wb");
    require(file != nullptr, "the scratch file can be written");
    require(std::fwrite(data, 1, size, file) == size, "the scratch file takes the bytes");
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    write_scratch(data, size);
    auto sound = decode_wave(scratch_path(), OUT_RATE);
    if (sound) {
        require((sound->channels == 1 || sound->channels == 2) && sound->samples.size() % sound->channels == 0,
                "a sound has one or two whole channels");
        require(sound->frames() > 0, "a sound that plays holds frames");
        require(sound->frames() <= std::size_t(WAVE_MAX_SECONDS) * OUT_RATE + 1, "a sound is a few seconds at most");
    }
    return 0;
}
