// Where the game shows itself on a Wayland desktop: through Xwayland at
// scale 1, natively where a screen is scaled, and always where the player
// named a platform.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "shell/command_line.h"

namespace {

TEST(DesktopOffer, GoesThroughXOnlyOnAnUnscaledWaylandDesktopWithAnXDisplay)
{
    int asked = 0;
    auto scale = [&asked](int factor) {
        return [&asked, factor] {
            ++asked;
            return factor;
        };
    };
    const DesktopOffer both{.platform_named = false, .wayland = true, .x_display = true};
    EXPECT_TRUE(goes_through_x(both, scale(1)));
    EXPECT_FALSE(goes_through_x(both, scale(2))) << "a scaled screen keeps the field sharp natively";
    asked = 0;
    EXPECT_FALSE(goes_through_x({.platform_named = true, .wayland = true, .x_display = true}, scale(1)));
    EXPECT_FALSE(goes_through_x({.platform_named = false, .wayland = true, .x_display = false}, scale(1)));
    EXPECT_FALSE(goes_through_x({.platform_named = false, .wayland = false, .x_display = true}, scale(1)))
        << "on an X desktop Qt takes X by itself";
    EXPECT_EQ(asked, 0) << "the compositor is asked only when its answer decides";
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
    EXPECT_FALSE(offer_in({}, {"-display", ":3"}).platform_named);
}

}  // namespace
