// The SoundFont trimmed to a piece's instruments: the synthesiser reads it
// through the game's loader and plays the piece exactly as with the whole
// file; a damaged or unusual file is not trimmed at all.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "music/midi_file.h"
#include "music/sound_font_loader.h"
#include "music/sound_font_trim.h"

namespace {

const std::string SOUND_FONT = "/usr/share/sounds/sf2/TimGM6mb.sf2";

std::vector<uint8_t> read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Player {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_synth_t* synth = nullptr;
    int font = FLUID_FAILED;

    explicit Player(bool trimming)
    {
        fluid_settings_setnum(settings, "synth.sample-rate", 22050);
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        synth = new_fluid_synth(settings);
        if (trimming)
            fluid_synth_add_sfloader(synth, new_trimming_sfloader(settings));
        font = fluid_synth_sfload(synth, SOUND_FONT.c_str(), 1);
    }
    ~Player()
    {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
    PresetSet presets() const
    {
        PresetSet found;
        fluid_sfont_t* sfont = fluid_synth_get_sfont_by_id(synth, font);
        fluid_sfont_iteration_start(sfont);
        while (fluid_preset_t* p = fluid_sfont_iteration_next(sfont))
            found.insert({fluid_preset_get_banknum(p), fluid_preset_get_num(p)});
        return found;
    }
    std::vector<float> play(std::vector<uint8_t>& piece, int seconds)
    {
        fluid_player_t* player = new_fluid_player(synth);
        fluid_player_add_mem(player, piece.data(), piece.size());
        fluid_player_play(player);
        std::vector<float> out(size_t(seconds) * 22050 * 2);
        fluid_synth_write_float(synth, seconds * 22050, out.data(), 0, 2, out.data(), 1, 2);
        delete_fluid_player(player);
        return out;
    }
};

class SoundFontTrimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(SOUND_FONT))
            GTEST_SKIP() << SOUND_FONT << " is not installed";
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    }
};

TEST_F(SoundFontTrimTest, ATrimmedSoundFontPlaysEachPieceSampleForSampleAsTheWholeOne)
{
    for (const char* name : {"tombora.mid", "bgm.mid"}) {
        auto piece = read_bytes(std::string(TOMBORA_ASSETS) + "/" + name);
        auto used = midi_file_presets(piece);
        PresetSet keep = presets_with_fallbacks({used.begin(), used.end()});
        auto trimmed = trim_sound_font(SOUND_FONT, keep);
        ASSERT_TRUE(trimmed) << name;
        uint64_t whole_section = std::filesystem::file_size(SOUND_FONT) - trimmed->kept;
        EXPECT_LT(trimmed->tail.size(), whole_section / 5) << name;
        offer_trimmed_sound_font(SOUND_FONT, std::make_shared<const TrimmedSoundFont>(std::move(*trimmed)));

        Player whole(false), cut(true);
        ASSERT_NE(cut.font, FLUID_FAILED) << name;
        PresetSet all = whole.presets(), kept = cut.presets();
        EXPECT_GT(all.size(), 100u);
        for (auto preset : keep)
            EXPECT_EQ(kept.count(preset), all.count(preset)) << name << " " << preset.first << ":" << preset.second;
        EXPECT_LE(kept.size(), keep.size()) << name;

        auto expected = whole.play(piece, 20);
        auto heard = cut.play(piece, 20);
        EXPECT_GT(*std::max_element(heard.begin(), heard.end()), 0.05f) << name;
        EXPECT_TRUE(expected == heard) << name << " sounds different trimmed";
    }
}

TEST_F(SoundFontTrimTest, ADamagedOrUnusualFileIsNotTrimmed)
{
    auto bytes = read_bytes(SOUND_FONT);
    auto scratch = std::filesystem::temp_directory_path() / ("sf_trim_" + std::to_string(getpid()) + ".sf2");
    auto trims = [&](const std::vector<uint8_t>& file) {
        std::ofstream(scratch, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
        return trim_sound_font(scratch, {{0, 0}}).has_value();
    };
    EXPECT_TRUE(trims(bytes));

    // The preset section no longer last.
    auto behind = bytes;
    const uint8_t junk[] = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'j', 'u', 'n', 'k'};
    behind.insert(behind.end(), std::begin(junk), std::end(junk));
    uint32_t riff = uint32_t(behind.size() - 8);
    std::memcpy(&behind[4], &riff, 4);
    EXPECT_FALSE(trims(behind));

    // A preset whose zones run past the list of zones: the first preset's
    // header ends at 38 bytes into "phdr"; make the next one's zone index huge.
    auto pdta = std::search(bytes.begin(), bytes.end(), std::begin("phdr"), std::end("phdr") - 1);
    ASSERT_NE(pdta, bytes.end());
    auto damaged = bytes;
    size_t second_bag = size_t(pdta - bytes.begin()) + 8 + 38 + 24;
    damaged[second_bag] = damaged[second_bag + 1] = 0xFF;
    EXPECT_FALSE(trims(damaged));

    // Cut short inside the preset section.
    auto cut = std::vector<uint8_t>(bytes.begin(), bytes.end() - 100);
    riff = uint32_t(cut.size() - 8);
    std::memcpy(&cut[4], &riff, 4);
    EXPECT_FALSE(trims(cut));
    std::filesystem::remove(scratch);
}

}  // namespace
