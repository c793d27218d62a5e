// Leaving the game: through the menu, the settings are written first.
#include "game_test.h"
#include "menu/menu_commands.h"
#include "scratch_dir.h"
#include "shell/main_loop.h"

namespace {

TEST(Ending, WritesTheSettingsClosesTheMusicAndEndsAtOnce)
{
    FakePlatform fake;
    set_platform(&fake);
    ScratchWorkingDir dir;
    fake.checked = {{MenuItem::music, false}, {MenuItem::se, false}};
    game_state = STATE_PLAY;
    ending_Click();
    EXPECT_EQ(dir.read("config.dat"), QByteArray("0,0\r\n"));
    EXPECT_EQ(fake.commands, (std::vector<std::string>{"stop MIDI", "close MIDI"}));
    EXPECT_TRUE(program_ending());
    EXPECT_TRUE(fake.quitted);
    EXPECT_EQ(dir.read("HISCORE.dat"), "(none)");
    // The loop does not draw another frame.
    int refreshes = fake.refreshes;
    run_main_loop();
    EXPECT_EQ(fake.refreshes, refreshes);
    set_platform(nullptr);
}

}  // namespace
