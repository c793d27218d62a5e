// Where the game shows itself on a Wayland desktop: through Xwayland at
// scale 1 under a Qt that costs more natively, natively where a screen is
// scaled, under a Qt as small natively, or where the X display does not
// answer, and always where the player named a platform.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "shell/command_line.h"

namespace {

// Questions that count how often they are asked.
struct Asked {
    int scale = 1;
    bool x_answers = true;
    int times = 0;
    std::string display_asked = "(none)";
    DesktopQuestions questions()
    {
        return {[this] {
                    ++times;
                    return scale;
                },
                [this](const std::string& name) {
                    ++times;
                    display_asked = name;
                    return x_answers;
                }};
    }
};

DesktopOffer offer(bool platform_named, bool wayland, bool x_display, bool light_natively)
{
    DesktopOffer o;
    o.platform_named = platform_named;
    o.wayland = wayland;
    o.x_display = x_display;
    o.light_natively = light_natively;
    return o;
}

TEST(DesktopOffer, GoesThroughXOnlyOnAnUnscaledWaylandDesktopWithAnXDisplayThatAnswers)
{
    DesktopOffer both = offer(false, true, true, false);
    both.x_display_name = ":5";
    Asked plain;
    EXPECT_TRUE(goes_through_x(both, plain.questions()));
    EXPECT_EQ(plain.display_asked, ":5") << "the display Qt will open is the one asked";
    Asked scaled;
    scaled.scale = 2;
    EXPECT_FALSE(goes_through_x(both, scaled.questions())) << "a scaled screen keeps the field sharp natively";
    Asked silent;
    silent.x_answers = false;
    EXPECT_FALSE(goes_through_x(both, silent.questions())) << "an X display that does not answer: Wayland";

    Asked never;
    EXPECT_FALSE(goes_through_x(offer(true, true, true, false), never.questions()));
    EXPECT_FALSE(goes_through_x(offer(false, true, false, false), never.questions()));
    EXPECT_FALSE(goes_through_x(offer(false, false, true, false), never.questions()))
        << "on an X desktop Qt takes X by itself";
    EXPECT_FALSE(goes_through_x(offer(false, true, true, true), never.questions()))
        << "a Qt as small natively stays on Wayland";
    EXPECT_EQ(never.times, 0) << "the desktop is asked only when its answer decides";
}

struct Environment {
    const char* name;
    const char* value;  // null: unset
};

DesktopOffer offer_in(std::initializer_list<Environment> environment, std::initializer_list<const char*> args)
{
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        unsetenv(name);
    for (const Environment& e : environment)
        setenv(e.name, e.value, 1);
    std::vector<const char*> argv{"tombora"};
    argv.insert(argv.end(), args);
    return desktop_offer(parse_command_line(int(argv.size()), argv.data()));
}

TEST(DesktopOffer, IsReadFromTheEnvironmentAndTheCommandLine)
{
    DesktopOffer weston = offer_in({{"WAYLAND_DISPLAY", "wayland-1"}, {"DISPLAY", ":1"}}, {});
    EXPECT_TRUE(weston.wayland);
    EXPECT_TRUE(weston.x_display);
    EXPECT_FALSE(weston.platform_named);
    EXPECT_TRUE(offer_in({{"XDG_SESSION_TYPE", "wayland"}}, {}).wayland) << "a Wayland session's default socket";
    EXPECT_FALSE(offer_in({{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, {}).wayland);
    EXPECT_FALSE(offer_in({{"WAYLAND_DISPLAY", ""}}, {}).wayland) << "empty is unset";
    EXPECT_TRUE(offer_in({{"QT_QPA_PLATFORM", "wayland"}}, {}).platform_named);
    EXPECT_TRUE(offer_in({}, {"-platform", "wayland"}).platform_named);
    EXPECT_TRUE(offer_in({}, {"--platform", "xcb"}).platform_named);
    DesktopOffer named = offer_in({{"WAYLAND_DISPLAY", "wayland-1"}}, {"-display", ":3"});
    EXPECT_FALSE(named.platform_named);
    EXPECT_TRUE(named.x_display) << "-display names an X display";
    EXPECT_EQ(named.x_display_name, ":3");
}

}  // namespace
