// Sound effects as the mixer plays them: stereo float samples at the
// output's rate.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct WaveSound {
    std::vector<float> samples;  // interleaved left, right
    std::size_t frames() const { return samples.size() / 2; }
};

// Reads a sound file of any rate and channel count: mono goes to both
// sides, more than two channels keep the first two, and the rate is
// converted to out_rate. Empty when the file is missing, unreadable or
// holds no sound.
std::optional<WaveSound> decode_wave(const std::string& path, int out_rate);

// The short soft tone played for a sound that cannot be played.
WaveSound make_blip(int out_rate);
