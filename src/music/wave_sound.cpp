#include "music/wave_sound.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "music/sndfile_library.h"

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sound_files()->sf_close(file); }
};

// Sounds the game can sensibly play: the rates sound cards use, up to
// eight channels, and a length of a few seconds. Anything else is a
// damaged or foreign file; reading it could take memory without end.
constexpr int LOWEST_RATE = 8000;
constexpr int HIGHEST_RATE = 192000;
constexpr int MOST_CHANNELS = 8;
constexpr sf_count_t READ_BLOCK = 4096;  // frames

bool playable(const SF_INFO& info)
{
    return info.samplerate >= LOWEST_RATE && info.samplerate <= HIGHEST_RATE && info.channels >= 1
        && info.channels <= MOST_CHANNELS && info.frames > 0
        && info.frames <= sf_count_t(WAVE_MAX_SECONDS) * info.samplerate;
}

// A sound while it is decoded: float samples, one or two channels.
struct Decoding {
    std::vector<float> samples;
    int channels = 1;
    std::size_t frames() const { return samples.size() / std::size_t(channels); }
};

// Reads block by block, keeping the first one or two channels, so memory
// follows the kept length whatever the header says.
Decoding read_channels(SNDFILE* file, const SF_INFO& info)
{
    std::vector<float> block(static_cast<size_t>(READ_BLOCK * info.channels));
    Decoding sound;
    sound.channels = std::min(info.channels, 2);
    auto limit = static_cast<size_t>(info.frames);
    while (sound.frames() < limit) {
        sf_count_t got = sound_files()->sf_readf_float(file, block.data(), READ_BLOCK);
        if (got <= 0)
            break;
        for (sf_count_t i = 0; i < got && sound.frames() < limit; ++i) {
            const float* frame = &block[static_cast<size_t>(i * info.channels)];
            sound.samples.insert(sound.samples.end(), frame, frame + sound.channels);
        }
    }
    return sound;
}

// Linear interpolation is plenty for short effects. Empty when the result
// would be longer than a sound may be.
std::optional<Decoding> resample(Decoding in, int in_rate, int out_rate)
{
    if (in_rate == out_rate || in.frames() == 0)
        return in;
    double step = double(in_rate) / out_rate;
    double out_length = std::round(double(in.frames()) / step);
    if (!(out_length <= double(WAVE_MAX_SECONDS) * out_rate))
        return std::nullopt;
    auto out_frames = static_cast<size_t>(out_length);
    const size_t channels = size_t(in.channels);
    Decoding out;
    out.channels = in.channels;
    out.samples.resize(out_frames * channels);
    size_t last = in.frames() - 1;
    for (size_t i = 0; i < out_frames; ++i) {
        double position = i * step;
        size_t a = std::min(static_cast<size_t>(position), last);
        size_t b = std::min(a + 1, last);
        auto frac = static_cast<float>(position - a);
        for (size_t c = 0; c < channels; ++c)
            out.samples[channels * i + c] =
                in.samples[channels * a + c] * (1 - frac) + in.samples[channels * b + c] * frac;
    }
    return out;
}

WaveSound to_16_bits(const Decoding& in)
{
    WaveSound out;
    out.channels = in.channels;
    out.samples.reserve(in.samples.size());
    for (float x : in.samples)
        out.samples.push_back(static_cast<int16_t>(std::lround(std::clamp(x, -1.0f, 1.0f) * 32767.0f)));
    return out;
}

}  // namespace

std::optional<WaveSound> decode_wave(const std::string& path, int out_rate)
{
    if (out_rate < LOWEST_RATE || out_rate > HIGHEST_RATE || !sound_files())
        return std::nullopt;
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(sound_files()->sf_open(path.c_str(), SFM_READ, &info));
    if (!file || !playable(info))
        return std::nullopt;
    auto sound = resample(read_channels(file.get(), info), info.samplerate, out_rate);
    if (!sound || sound->frames() == 0)
        return std::nullopt;
    return to_16_bits(*sound);
}

WaveSound make_blip(int out_rate)
{
    constexpr double SECONDS = 0.15, PITCH = 660, LEVEL = 0.25;
    constexpr double ATTACK = 0.005, DECAY = 0.03;  // seconds; gentle edges
    auto frames = static_cast<size_t>(SECONDS * out_rate);
    Decoding blip;
    blip.samples.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / out_rate;
        double envelope = std::min(1.0, t / ATTACK) * std::exp(-t / DECAY);
        blip.samples[i] = static_cast<float>(LEVEL * envelope * std::sin(2 * std::numbers::pi * PITCH * t));
    }
    return to_16_bits(blip);
}
