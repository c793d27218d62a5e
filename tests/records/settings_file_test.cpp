#include "records/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "records_fixture.h"

namespace {

using namespace std::string_view_literals;

struct ConfigCase {
    const char* name;
    std::string_view bytes;
    bool music;
    bool se;
};

void PrintTo(const ConfigCase& config, std::ostream* out) { *out << config.name; }

class SettingsReadTest : public RecordsTest, public ::testing::WithParamInterface<ConfigCase> {};

TEST_P(SettingsReadTest, SetsTheCheckMarks)
{
    // Ticked beforehand, so a 0 that failed to clear a mark would show.
    fake.checked[MenuItem::music] = true;
    fake.checked[MenuItem::se] = true;
    write_bytes("config.dat", std::string(GetParam().bytes));
    read_settings();
    EXPECT_EQ(fake.checked[MenuItem::music], GetParam().music);
    EXPECT_EQ(fake.checked[MenuItem::se], GetParam().se);
}

INSTANTIATE_TEST_SUITE_P(
    ConfigBytes, SettingsReadTest,
    ::testing::Values(ConfigCase{"BothOn", "1,1\r\n", true, true},
                      ConfigCase{"MusicOff", "0,1\r\n", false, true},
                      ConfigCase{"BothOff", "0,0\r\n", false, false},
                      ConfigCase{"TwoIsNotOn", "2,1\r\n", false, true},
                      ConfigCase{"TwoLines", "1\r\n0\r\n", true, false},
                      ConfigCase{"Quoted", "\"1\",\"1\"", true, true},
                      // Empty: a first run has sound.
                      ConfigCase{"Empty", "", true, true},
                      ConfigCase{"OnlyBlankLines", " \r\n\r\n", true, true},
                      // Only one field: the missing one stays unticked.
                      ConfigCase{"OneField", "1", true, false},
                      ConfigCase{"OneFieldAndComma", "1,", true, false},
                      // Not numbers: unticked, like any number but 1.
                      ConfigCase{"Word", "on,1", false, true},
                      ConfigCase{"Negative", "1,-1", true, false},
                      ConfigCase{"Binary", "\x81,\0"sv, false, false}),
    [](const ::testing::TestParamInfo<ConfigCase>& info) { return info.param.name; });

TEST_F(RecordsTest, MissingConfigTicksBothMarks)
{
    read_settings();
    EXPECT_TRUE(fake.checked[MenuItem::music]);
    EXPECT_TRUE(fake.checked[MenuItem::se]);
    EXPECT_FALSE(std::filesystem::exists("config.dat"));
}

TEST_F(RecordsTest, WritesTheMarksAsOneLine)
{
    const std::pair<bool, bool> marks[] = {{true, true}, {false, true}, {true, false}, {false, false}};
    const char* lines[] = {"1,1\r\n", "0,1\r\n", "1,0\r\n", "0,0\r\n"};
    for (int i = 0; i < 4; ++i) {
        fake.checked[MenuItem::music] = marks[i].first;
        fake.checked[MenuItem::se] = marks[i].second;
        write_settings();
        EXPECT_EQ(read_bytes("config.dat"), lines[i]);
        fake.checked.clear();
        read_settings();
        EXPECT_EQ(fake.checked[MenuItem::music], marks[i].first);
        EXPECT_EQ(fake.checked[MenuItem::se], marks[i].second);
    }
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(RecordsTest, FailedSettingsWriteIsReported)
{
    std::filesystem::create_directory("config.dat");
    fake.checked[MenuItem::music] = true;
    write_settings();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].rfind("とんぼら|config.dat ", 0), 0u) << fake.messages[0];
    EXPECT_TRUE(fake.checked[MenuItem::music]);
}

}  // namespace
