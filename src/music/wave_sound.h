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

// The longest sound effect the game plays, in seconds.
inline constexpr int WAVE_MAX_SECONDS = 10;

// Reads a sound file of 8 to 192 kHz with 1 to 8 channels: mono goes to
// both sides, more than two channels keep the first two, and the rate is
// converted to out_rate. Empty when the file is missing, unreadable,
// holds no sound, or its rate, channels or length (over
// WAVE_MAX_SECONDS) are beyond those bounds.
std::optional<WaveSound> decode_wave(const std::string& path, int out_rate);

// The short soft tone played for a sound that cannot be played.
WaveSound make_blip(int out_rate);
