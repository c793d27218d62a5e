// Each records test runs in a fresh, empty working directory of its own
// (the data files are opened by bare name), with a fake platform and the
// shared variables at their load values.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/game_vars.h"
#include "support/fake_platform.h"

class RecordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previous_dir_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path().toStdString());
        reset_game_vars();
        set_platform(&fake);
    }
    void TearDown() override
    {
        set_platform(nullptr);
        std::filesystem::current_path(previous_dir_);
    }

    static void write_bytes(const std::string& name, const std::string& bytes)
    {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static std::string read_bytes(const std::string& name)
    {
        std::ifstream in(name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    FakePlatform fake;

private:
    QTemporaryDir dir_;
    std::filesystem::path previous_dir_;
};
