// Leaving the game: through the menu, the settings are written first.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "game_test.h"
#include "menu/menu_commands.h"
#include "shell/main_loop.h"

namespace {

TEST(Ending, WritesTheSettingsClosesTheMusicAndEndsAtOnce)
{
    FakePlatform fake;
    set_platform(&fake);
    QTemporaryDir dir;
    QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    fake.checked = {{MenuItem::music, false}, {MenuItem::se, false}};
    game_state = STATE_PLAY;
    ending_Click();
    QFile config(dir.filePath("config.dat"));
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_EQ(config.readAll(), QByteArray("0,0\r\n"));
    EXPECT_EQ(fake.commands, (std::vector<std::string>{"stop MIDI", "close MIDI"}));
    EXPECT_TRUE(program_ending());
    EXPECT_TRUE(fake.quitted);
    EXPECT_FALSE(QFile::exists(dir.filePath("HISCORE.dat")));
    // The loop does not draw another frame.
    int refreshes = fake.refreshes;
    run_main_loop();
    EXPECT_EQ(fake.refreshes, refreshes);
    QDir::setCurrent(cwd);
    set_platform(nullptr);
}

}  // namespace
