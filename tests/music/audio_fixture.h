// Shared by the tests of the real sound: a scratch folder, an offline
// AudioSystem, media commands by string, and measures of rendered sound.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "music/audio_system.h"

struct Rendered {
    std::vector<float> left, right;
    size_t frames() const { return left.size(); }
};

inline double rms(const std::vector<float>& samples, size_t from = 0, size_t to = SIZE_MAX)
{
    to = std::min(to, samples.size());
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

inline size_t frames_of(double seconds) { return static_cast<size_t>(seconds * AudioSystem::SAMPLE_RATE); }

struct AudioTest : ::testing::Test {
    std::filesystem::path dir;
    AudioSystem audio{AudioSystem::Output::offline};

    void SetUp() override
    {
        auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("tombora_sound_") + info->test_suite_name() + "_" + info->name();
        std::replace(name.begin(), name.end(), '/', '_');  // parameterised names hold slashes
        dir = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string file(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }

    // Result code and reply of one media command.
    std::pair<int, std::string> send(const std::string& command)
    {
        char reply[256];
        std::fill(std::begin(reply), std::end(reply), 'x');
        int code = audio.mci_send_string(command.c_str(), reply, sizeof reply);
        return {code, reply};
    }
    std::string status() { return send("status MIDI mode").second; }
    int open(const std::string& path) { return send("open \"" + path + "\" alias MIDI").first; }

    Rendered render(double seconds)
    {
        Rendered out;
        out.left.resize(frames_of(seconds));
        out.right.resize(out.left.size());
        audio.render(out.left, out.right);
        return out;
    }
};
