// Small WAV files written byte by byte for the tests: 16-bit PCM.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

// sample(frame, channel) gives values in -1..1.
inline void write_wave(const std::string& path, int rate, int channels, int frames,
                       const std::function<double(int, int)>& sample)
{
    std::vector<uint8_t> data;
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            auto value = static_cast<int16_t>(std::lround(sample(f, c) * 32767));
            data.push_back(uint8_t(value & 0xFF));
            data.push_back(uint8_t((value >> 8) & 0xFF));
        }
    std::vector<uint8_t> out;
    // Appended a byte at a time: g++ 14 takes range inserts here for an
    // overflow (-Wstringop-overflow) that cannot happen.
    auto text = [&](const char* s) { std::copy(s, s + 4, std::back_inserter(out)); };
    auto le = [&](uint32_t v, int size) {
        for (int i = 0; i < size; ++i)
            out.push_back(uint8_t(v >> (8 * i)));
    };
    text("RIFF");
    le(36 + static_cast<uint32_t>(data.size()), 4);
    text("WAVE");
    text("fmt ");
    le(16, 4);
    le(1, 2);  // PCM
    le(channels, 2);
    le(rate, 4);
    le(rate * channels * 2, 4);
    le(channels * 2, 2);
    le(16, 2);
    text("data");
    le(static_cast<uint32_t>(data.size()), 4);
    std::copy(data.begin(), data.end(), std::back_inserter(out));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), out.size());
}

// A steady level on every channel, easy to recognise in the mix.
inline void write_level_wave(const std::string& path, double level, double seconds, int rate = 44100)
{
    write_wave(path, rate, 1, static_cast<int>(seconds * rate), [level](int, int) { return level; });
}
