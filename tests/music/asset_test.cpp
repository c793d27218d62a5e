// The game's own music and sounds, once they are in the assets folder.
#include <fstream>
#include <iterator>

#include "audio_fixture.h"
#include "music/midi_file.h"
#include "music/wave_sound.h"

namespace {

std::string asset(const char* name) { return std::string(TOMBORA_ASSETS) + "/" + name; }

#define SKIP_UNLESS_ASSET(path) \
    if (!std::filesystem::exists(path)) \
        GTEST_SKIP() << path << " is not built yet; this test runs once it is"

class PieceTest : public AudioTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PieceTest, LastsHalfAMinuteToAMinuteAndAHalfAndIsHeard)
{
    std::string path = asset(GetParam());
    SKIP_UNLESS_ASSET(path);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto seconds = midi_file_seconds(bytes);
    ASSERT_TRUE(seconds) << "a standard MIDI file";
    EXPECT_GE(*seconds, 30.0);
    EXPECT_LE(*seconds, 90.0);

    ASSERT_EQ(open(path), 0);
    send("play MIDI from 0");
    double played = 0, loudest_second = 0, quiet_seconds = 0;
    while (status() == "playing" && played < 100) {
        double level = rms(render(1.0).left);
        loudest_second = std::max(loudest_second, level);
        quiet_seconds += level < 1e-3;
        played += 1.0;
    }
    EXPECT_NEAR(played, *seconds, 1.0) << "ends when its length says";
    EXPECT_GT(loudest_second, 0.02);
    EXPECT_LE(quiet_seconds, 2) << "no long silent stretch";
}

INSTANTIATE_TEST_SUITE_P(Music, PieceTest, ::testing::Values("tombora.mid", "bgm.mid"),
                         [](const auto& info) { return std::string(info.param).substr(0, std::string(info.param).find('.')); });

class EffectTest : public ::testing::TestWithParam<const char*> {};

TEST_P(EffectTest, DecodesToAShortAudibleSound)
{
    std::string path = asset(GetParam());
    SKIP_UNLESS_ASSET(path);
    auto sound = decode_wave(path, AudioSystem::SAMPLE_RATE);
    ASSERT_TRUE(sound) << "a playable sound file";
    double seconds = double(sound->frames()) / AudioSystem::SAMPLE_RATE;
    EXPECT_GT(seconds, 0.05);
    EXPECT_LT(seconds, 3.0) << "an effect, not a piece";
    std::vector<float> left;
    for (size_t i = 0; i < sound->frames(); ++i)
        left.push_back(sound->left(i));
    EXPECT_GT(rms(left), 0.01);
}

INSTANTIATE_TEST_SUITE_P(Sounds, EffectTest, ::testing::Values("nya.wav", "damedanya.wav"),
                         [](const auto& info) { return std::string(info.param).substr(0, std::string(info.param).find('.')); });

}  // namespace
