#include "music/wave_sound.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

WaveSound to_stereo(const std::vector<float>& interleaved, int channels)
{
    size_t frames = interleaved.size() / channels;
    WaveSound sound;
    sound.samples.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const float* frame = &interleaved[i * channels];
        sound.samples[2 * i] = frame[0];
        sound.samples[2 * i + 1] = frame[channels > 1 ? 1 : 0];
    }
    return sound;
}

// Linear interpolation is plenty for short effects.
WaveSound resample(const WaveSound& in, int in_rate, int out_rate)
{
    if (in_rate == out_rate || in.frames() == 0)
        return in;
    double step = double(in_rate) / out_rate;
    auto out_frames = static_cast<size_t>(std::llround(in.frames() / step));
    WaveSound out;
    out.samples.resize(out_frames * 2);
    size_t last = in.frames() - 1;
    for (size_t i = 0; i < out_frames; ++i) {
        double position = i * step;
        size_t a = std::min(static_cast<size_t>(position), last);
        size_t b = std::min(a + 1, last);
        auto frac = static_cast<float>(position - a);
        for (int side = 0; side < 2; ++side)
            out.samples[2 * i + side] = in.samples[2 * a + side] * (1 - frac) + in.samples[2 * b + side] * frac;
    }
    return out;
}

}  // namespace

std::optional<WaveSound> decode_wave(const std::string& path, int out_rate)
{
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file || info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0)
        return std::nullopt;
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * info.channels);
    sf_count_t got = sf_readf_float(file.get(), interleaved.data(), info.frames);
    if (got <= 0)
        return std::nullopt;
    interleaved.resize(static_cast<size_t>(got) * info.channels);
    WaveSound sound = resample(to_stereo(interleaved, info.channels), info.samplerate, out_rate);
    if (sound.frames() == 0)
        return std::nullopt;
    return sound;
}

WaveSound make_blip(int out_rate)
{
    constexpr double SECONDS = 0.15, PITCH = 660, LEVEL = 0.25;
    constexpr double ATTACK = 0.005, DECAY = 0.03;  // seconds; gentle edges
    auto frames = static_cast<size_t>(SECONDS * out_rate);
    WaveSound blip;
    blip.samples.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / out_rate;
        double envelope = std::min(1.0, t / ATTACK) * std::exp(-t / DECAY);
        auto value = static_cast<float>(LEVEL * envelope * std::sin(2 * std::numbers::pi * PITCH * t));
        blip.samples[2 * i] = blip.samples[2 * i + 1] = value;
    }
    return blip;
}
