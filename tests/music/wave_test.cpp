// Sound effects: decoding, the mix into the one output, replacement, the
// blip for a file that cannot be played, and the cache.
#include <algorithm>
#include <numbers>

#include "audio_fixture.h"
#include "midi_bytes.h"
#include "music/wave_sound.h"
#include "wave_bytes.h"

namespace {

using WaveTest = AudioTest;

// Mean of the samples in [from, to) seconds.
double mean(const std::vector<float>& samples, double from, double to)
{
    size_t a = frames_of(from), b = std::min(frames_of(to), samples.size());
    double sum = 0;
    for (size_t i = a; i < b; ++i)
        sum += samples[i];
    return b > a ? sum / double(b - a) : 0.0;
}

double peak(const std::vector<float>& samples)
{
    float most = 0;
    for (float s : samples)
        most = std::max(most, std::abs(s));
    return most;
}

TEST_F(WaveTest, ASecondSoundReplacesTheFirst)
{
    std::string first = (dir / "first.wav").string(), second = (dir / "second.wav").string();
    write_level_wave(first, 0.5, 1.0);
    write_level_wave(second, -0.25, 0.1);
    audio.play_wave(first);
    Rendered before = render(0.1);
    EXPECT_NEAR(mean(before.left, 0, 0.1), 0.5, 1e-3);
    EXPECT_NEAR(mean(before.right, 0, 0.1), 0.5, 1e-3);
    audio.play_wave(second);
    Rendered out = render(0.3);
    EXPECT_NEAR(mean(out.left, 0, 0.1), -0.25, 1e-3) << "not added to the first";
    EXPECT_LT(rms(out.left, frames_of(0.1) + 1), 1e-6) << "the first does not come back";
}

TEST_F(WaveTest, SoundAndMusicShareTheOutput)
{
    std::string piece = file("piece.mid", piano_piece({{0, 300}}));
    std::string level = (dir / "level.wav").string();
    write_level_wave(level, 0.25, 0.3);
    AudioSystem music_only{AudioSystem::Output::offline};
    for (AudioSystem* system : {&audio, &music_only}) {
        std::string command = "open \"" + piece + "\" alias MIDI";
        ASSERT_EQ(system->mci_send_string(command.c_str(), nullptr, 0), 0);
        system->mci_send_string("play MIDI from 0", nullptr, 0);
    }
    audio.play_wave(level);
    Rendered both = render(0.2);
    std::vector<float> left(both.frames()), right(both.frames());
    music_only.render(left, right);
    ASSERT_GT(rms(left), 0.01) << "music sounds";
    for (size_t i = 0; i < both.frames(); i += 997)
        ASSERT_NEAR(both.left[i] - left[i], 0.25, 1e-3) << "frame " << i;
}

TEST_F(WaveTest, AFileThatCannotBePlayedGivesTheShortBlip)
{
    std::string text = file("text.wav", {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'});
    for (const std::string& path : {(dir / "missing.wav").string(), text}) {
        audio.play_wave(path);
        Rendered out = render(0.5);
        EXPECT_GT(rms(out.left, 0, frames_of(0.05)), 0.02) << path;
        EXPECT_LT(peak(out.left), 0.5) << "soft";
        EXPECT_LT(rms(out.left, frames_of(0.2)), 1e-6) << "short";
    }
}

TEST_F(WaveTest, ARepeatedSoundIsNotReadAgain)
{
    std::string path = (dir / "level.wav").string();
    write_level_wave(path, 0.5, 0.1);
    audio.play_wave(path);
    render(0.2);
    std::filesystem::remove(path);
    audio.play_wave(path);
    EXPECT_NEAR(mean(render(0.1).left, 0, 0.09), 0.5, 1e-3) << "the remembered sound, not the blip";
}

TEST(DecodeWave, ConvertsTheRateByInterpolation)
{
    std::string path = (std::filesystem::temp_directory_path() / "tombora_sine_22050.wav").string();
    constexpr double PITCH = 441;
    write_wave(path, 22050, 1, 11025, [](int f, int) { return 0.5 * std::sin(2 * std::numbers::pi * PITCH * f / 22050); });
    auto sound = decode_wave(path, 44100);
    std::filesystem::remove(path);
    ASSERT_TRUE(sound);
    EXPECT_NEAR(double(sound->frames()), 22050, 1);
    // Every output frame lies on the same sine, halfway frames included.
    double worst = 0;
    for (size_t i = 0; i + 2 < sound->frames(); ++i)
        worst = std::max(worst, std::abs(sound->left(i) - 0.5 * std::sin(2 * std::numbers::pi * PITCH * i / 44100)));
    EXPECT_LT(worst, 0.01);
}

TEST(DecodeWave, MapsChannelsToStereo)
{
    std::string path = (std::filesystem::temp_directory_path() / "tombora_channels.wav").string();
    write_wave(path, 44100, 3, 100, [](int, int c) { return 0.1 * (c + 1); });
    auto three = decode_wave(path, 44100);
    write_wave(path, 44100, 2, 100, [](int, int c) { return c == 0 ? 0.5 : -0.5; });
    auto two = decode_wave(path, 44100);
    std::filesystem::remove(path);
    ASSERT_TRUE(three && two);
    EXPECT_NEAR(three->left(0), 0.1, 1e-4);
    EXPECT_NEAR(three->right(0), 0.2, 1e-4);
    EXPECT_NEAR(two->left(0), 0.5, 1e-4);
    EXPECT_NEAR(two->right(0), -0.5, 1e-4);
}

}  // namespace
