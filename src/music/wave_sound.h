// Sound effects as the mixer plays them: 16-bit samples at the output's
// rate, one channel (heard on both sides) or two. Kept decoded for the
// whole game, they take a quarter (mono) or half of what float stereo
// would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct WaveSound {
    std::vector<int16_t> samples;  // one channel, or two interleaved, left first
    int channels = 1;
    std::size_t frames() const { return samples.size() / std::size_t(channels); }
    float left(std::size_t frame) const { return level(samples[frame * channels]); }
    float right(std::size_t frame) const { return level(samples[frame * channels + channels - 1]); }
    static float level(int16_t sample) { return float(sample) / 32768.0f; }
};

// The longest sound effect the game plays, in seconds.
inline constexpr int WAVE_MAX_SECONDS = 10;

// Reads a sound file of 8 to 192 kHz with 1 to 8 channels: mono stays
// mono (and is heard on both sides), more than two channels keep the
// first two, and the rate is converted to out_rate. Empty when the file
// is missing, unreadable, holds no sound, or its rate, channels or length
// (over WAVE_MAX_SECONDS) are beyond those bounds.
std::optional<WaveSound> decode_wave(const std::string& path, int out_rate);

// The short soft tone played for a sound that cannot be played.
WaveSound make_blip(int out_rate);
