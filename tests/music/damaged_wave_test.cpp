// Sound files the game cannot sensibly play: absurd rates, channel counts
// and lengths give the blip, memory stays small, and sound goes
// on afterwards.
#include <sys/resource.h>

#include <cstdint>
#include <fstream>

#include "audio_fixture.h"
#include "wave_bytes.h"

namespace {

using DamagedWaveTest = AudioTest;

// Overwrites a little-endian field of the file's header.
void patch(const std::string& path, std::streamoff offset, uint32_t value, int size)
{
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(offset);
    for (int i = 0; i < size; ++i)
        file.put(char(value >> (8 * i)));
}

// Header fields of the files write_wave makes.
constexpr std::streamoff CHANNELS_AT = 22, RATE_AT = 24;

double mean(const std::vector<float>& samples, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += samples[i];
    return sum / double(to - from);
}

long peak_memory_mib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

TEST_F(DamagedWaveTest, AbsurdRatesChannelsAndLengthsGiveTheBlipAndSoundGoesOn)
{
    auto level = [](int, int) { return 0.5; };
    std::vector<std::string> damaged;
    auto add = [&](const std::string& name) { return damaged.emplace_back((dir / name).string()); };
    // Declared rates of 1 and 4 Hz: two million frames, and a second of
    // sound relabelled, would last days at the output's rate.
    write_wave(add("1hz.wav"), 1, 1, 2'000'000, level);
    write_wave(add("4hz.wav"), 44100, 1, 44100, level);
    patch(damaged.back(), RATE_AT, 4, 4);
    write_wave(add("10mhz.wav"), 10'000'000, 1, 44100, level);
    write_wave(add("no_channels.wav"), 44100, 1, 4410, level);
    patch(damaged.back(), CHANNELS_AT, 0, 2);
    write_wave(add("many_channels.wav"), 44100, 64, 441, level);
    // A minute of sound at the lowest rate played: far too long.
    write_wave(add("minute.wav"), 8000, 1, 60 * 8000, level);

    for (const std::string& path : damaged) {
        audio.play_wave(path);
        Rendered out = render(0.5);
        EXPECT_GT(rms(out.left, 0, frames_of(0.05)), 0.02) << path << ": the blip sounds";
        EXPECT_LT(rms(out.left, frames_of(0.2)), 1e-6) << path << ": and is short";
    }
    EXPECT_LT(peak_memory_mib(), 256) << "MiB at the most";

    // Sounds at the edges of what plays still play, and whole.
    std::string low = (dir / "8khz.wav").string(), high = (dir / "192khz_8ch.wav").string();
    write_wave(low, 8000, 1, 800, level);
    write_wave(high, 192000, 8, 19200, level);
    for (const std::string& path : {low, high}) {
        audio.play_wave(path);
        Rendered out = render(0.2);
        EXPECT_NEAR(mean(out.left, 0, frames_of(0.09)), 0.5, 1e-3) << path;
        EXPECT_NEAR(mean(out.right, 0, frames_of(0.09)), 0.5, 1e-3) << path;
        EXPECT_LT(rms(out.left, frames_of(0.11)), 1e-6) << path;
    }
}

}  // namespace
