// Feeds any bytes, as a sound file, to the reader of the hit and miss
// sounds, and checks what the mixer relies on: no crash, memory within
// the fuzzer's limit, and a sound that is stereo and no longer than a
// sound may be.
#include <cstdint>

#include "fuzz_support.h"
#include "music/wave_sound.h"

namespace {

constexpr int OUT_RATE = 44100;

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
