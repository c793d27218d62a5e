// The window: caption, the entries' states as the game sets them, the play
// field, and which keys reach the game.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "menu/menu_commands.h"
#include "raster/surfaces.h"
#include "set_pixel.h"
#include "shell/game_vars.h"
#include "window/form1.h"
#include "window/play_field.h"
#include "window/qt_platform.h"

namespace {

struct Form1Test : ::testing::Test {
    Form1 window;
    std::vector<std::string> ran;
    std::vector<std::pair<int16_t, int16_t>> keys_down;
    std::vector<int16_t> characters;

    void SetUp() override
    {
        for (MenuItem item : {MenuItem::start, MenuItem::stop, MenuItem::help_show, MenuItem::clear_high})
            window.commands[item] = [this, item] {
                ran.push_back(window.action(item)->objectName().toStdString());
            };
        window.play_field()->key_down = [this](int16_t k, int16_t s) { keys_down.emplace_back(k, s); };
        window.play_field()->key_press = [this](int16_t c) { characters.push_back(c); };
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

TEST_F(Form1Test, HasItsCaptionAndAFixedPlayField)
{
    EXPECT_EQ(window.windowTitle(), "とんぼらR1");
    PlayField* field = window.play_field();
    EXPECT_EQ(field->size(), QSize(354, 354));
    EXPECT_EQ(field->pos(), QPoint(0, 0));
    EXPECT_EQ(field->parentWidget(), window.centralWidget());
    EXPECT_GE(window.centralWidget()->width(), 354);
    EXPECT_GE(window.centralWidget()->height(), 354);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(field->hasFocus());
    EXPECT_FALSE(field->testAttribute(Qt::WA_InputMethodEnabled));
}

// What the menu tree does not say: the game's own commands, through the
// real platform, grey and check the entries the player sees, and a greyed
// entry runs nothing.
TEST_F(Form1Test, TheGameGreysAndChecksTheEntries)
{
    QtPlatform qt(window, nullptr);
    set_platform(&qt);
    reset_game_vars();
    ASSERT_TRUE(load_pictures());
    game_state = STATE_TITLE;
    int starts = 0;
    window.commands[MenuItem::start] = [&] { ++starts, start_Click(); };
    window.commands[MenuItem::stop] = stop_Click;
    window.commands[MenuItem::music] = music_Click;
    window.commands[MenuItem::se] = se_Click;
    auto enabled = [&](MenuItem item) { return window.action(item)->isEnabled(); };
    auto checked = [&](MenuItem item) { return window.action(item)->isChecked(); };
    // Every box the game opens is answered as soon as it is up.
    QTimer answer;
    answer.callOnTimeout(reject_open_boxes);
    answer.start(10);

    EXPECT_TRUE(enabled(MenuItem::start));
    EXPECT_FALSE(enabled(MenuItem::stop));
    QTest::keyClick(window.play_field(), Qt::Key_F2);
    EXPECT_EQ(game_state, STATE_PLAY);
    EXPECT_FALSE(enabled(MenuItem::start));
    EXPECT_TRUE(enabled(MenuItem::stop));
    QTest::keyClick(window.play_field(), Qt::Key_F2);
    window.action(MenuItem::start)->trigger();
    EXPECT_EQ(starts, 1);

    window.action(MenuItem::stop)->trigger();
    EXPECT_EQ(game_state, STATE_TITLE);
    EXPECT_TRUE(enabled(MenuItem::start));
    EXPECT_FALSE(enabled(MenuItem::stop));

    for (MenuItem item : {MenuItem::music, MenuItem::se}) {
        EXPECT_FALSE(checked(item));
        window.action(item)->trigger();
        EXPECT_TRUE(checked(item));
        EXPECT_TRUE(qt.menu_checked(item));
        window.action(item)->trigger();
        EXPECT_FALSE(checked(item));
    }
    set_platform(nullptr);
}

// Off X the field repaints only the rectangles that changed: after a few
// frames that change small parts, the window shows the surface exactly.
TEST_F(Form1Test, ThePlayFieldShowsTheSurfaceAfterPartialRepaints)
{
    QtPlatform qt(window, nullptr);
    set_platform(&qt);
    Surface shown(350, 350), block(50, 75);
    fill(shown, rgb(0, 0, 128));
    fill(block, rgb(200, 10, 10));
    auto on_screen = [&] {
        QPoint at = window.play_field()->mapTo(&window, QPoint(2, 2));
        return window.screen()->grabWindow(window.winId(), at.x(), at.y(), 350, 350).toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    auto expected = [&] {
        return QImage(reinterpret_cast<const uchar*>(shown.pixels.data()), 350, 350, 350 * 4, QImage::Format_RGB32);
    };
    refresh(shown);
    EXPECT_EQ(on_screen(), expected());
    for (auto [x, y] : {std::pair{100, 120}, {-20, 300}, {310, 5}}) {
        blit(shown, x, y, 50, 75, block, 0, 0, SRCINVERT);
        set_pixel(shown, 349, 349, rgb(x & 255, 1, 2));
        refresh(shown);
        ASSERT_EQ(on_screen(), expected()) << "after a block at " << x << "," << y;
    }
    set_platform(nullptr);
}

TEST_F(Form1Test, LettersAndSpaceReachThePlayField)
{
    QTest::keyClick(window.play_field(), Qt::Key_A);
    QTest::keyClick(window.play_field(), 'K', Qt::ShiftModifier);
    QTest::keyClick(window.play_field(), Qt::Key_Space);
    ASSERT_EQ(keys_down.size(), 4u);  // the Shift key is a key too
    EXPECT_EQ(keys_down[0].first, 65);
    EXPECT_EQ(keys_down[1].first, 16);
    EXPECT_EQ(keys_down[2], (std::pair<int16_t, int16_t>{75, 1}));
    EXPECT_EQ(keys_down[3].first, 32);
    EXPECT_EQ(characters, (std::vector<int16_t>{'a', 'K', ' '}));
}

TEST_F(Form1Test, ShortcutsRunTheirCommandAndDoNotReachThePlayField)
{
    QTest::keyClick(window.play_field(), Qt::Key_F2);
    QTest::keyClick(window.play_field(), Qt::Key_F1);
    QTest::keyClick(window.play_field(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ran, (std::vector<std::string>{"start", "help_show", "clear_high"}));
    ASSERT_EQ(keys_down.size(), 1u);  // only the Ctrl key itself
    EXPECT_EQ(keys_down[0].first, 17);
    EXPECT_TRUE(characters.empty());
}

TEST_F(Form1Test, AShortcutOfADisabledEntryRunsNothing)
{
    window.action(MenuItem::start)->setEnabled(false);
    QTest::keyClick(window.play_field(), Qt::Key_F2);
    EXPECT_TRUE(ran.empty());
    // It reaches the play field as an ordinary key, which ignores it
    // outside the title screen.
    ASSERT_EQ(keys_down.size(), 1u);
    EXPECT_EQ(keys_down[0].first, 113);
}

TEST_F(Form1Test, CheckMarksToggleOnlyThroughTheGame)
{
    bool ran_music = false;
    window.commands[MenuItem::music] = [&] { ran_music = true; };
    window.action(MenuItem::music)->trigger();
    EXPECT_TRUE(ran_music);
    EXPECT_FALSE(window.action(MenuItem::music)->isChecked());
}

TEST(KeyCodes, AreTheGamesOwn)
{
    EXPECT_EQ(key_code_of(Qt::Key_Space), 32);
    EXPECT_EQ(key_code_of(Qt::Key_F1), 112);
    EXPECT_EQ(key_code_of(Qt::Key_F2), 113);
    EXPECT_EQ(key_code_of(Qt::Key_A), 65);
    EXPECT_EQ(key_code_of(Qt::Key_Z), 90);
    EXPECT_EQ(key_code_of(Qt::Key_Eisu_toggle), 0);
}

}  // namespace

TEST(UiFont, MenusAndBoxesGetJapaneseOnlyWhenTheDesktopFontLacksIt)
{
    const QFont desktop = QApplication::font();
    QFont latin("DejaVu Sans", 11);
    QApplication::setFont(latin);
    use_japanese_ui_font();
    EXPECT_EQ(QApplication::font().family(), "IPAPGothic");
    EXPECT_EQ(QApplication::font().pointSize(), 11);

    QFont japanese("IPAGothic", 13);
    QApplication::setFont(japanese);
    use_japanese_ui_font();
    EXPECT_EQ(QApplication::font().family(), "IPAGothic");
    EXPECT_EQ(QApplication::font().pointSize(), 13);
    QApplication::setFont(desktop);
}
