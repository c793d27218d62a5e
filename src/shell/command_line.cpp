#include "shell/command_line.h"

#include <QString>
#include <QVersionNumber>

#include <array>
#include <cstdlib>
#include <string_view>

#include "shell/version.h"

namespace {

// The toolkit's own options that are let through, each with its value:
// the display to open and the platform plugin (e.g. -platform wayland).
constexpr std::array<std::string_view, 4> TOOLKIT_OPTIONS{"-platform", "--platform", "-display",
                                                          "--display"};

bool is_toolkit_option(std::string_view arg)
{
    for (std::string_view option : TOOLKIT_OPTIONS)
        if (arg == option)
            return true;
    return false;
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv)
{
    CommandLine line;
    line.toolkit_args.emplace_back(argc > 0 ? argv[0] : "tombora");
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Action::help;
        } else if (arg == "--version") {
            line.action = CommandLine::Action::version;
        } else if (arg == "--desktop") {
            line.desktop = true;
        } else if (is_toolkit_option(arg) && i + 1 < argc) {
            line.toolkit_args.emplace_back(arg);
            line.toolkit_args.emplace_back(argv[++i]);
        } else {
            line.action = CommandLine::Action::bad;
            line.bad_arg = arg;
            return line;
        }
    }
    return line;
}

std::string usage_text()
{
    return std::string("Usage: tombora [--desktop] [-platform NAME]\n"
                       "       tombora --help | --version\n"
                       "\n"
                       "とんぼら ") + GAME_VERSION + ", a typing game with cats.\n"
           "\n"
           "  --desktop    keep the high scores and settings in the user's data folder\n"
           "               ($XDG_DATA_HOME/tombora, ~/.local/share/tombora by default);\n"
           "               without it they are kept in the current folder\n"
           "  --help       show this help and end\n"
           "  --version    show the version and end\n"
           "  -platform NAME, -display NAME\n"
           "               passed on to Qt (e.g. -platform wayland or xcb)\n"
           "\n"
           "SIGTERM, SIGINT and SIGHUP end the game as its close box does.\n";
}

namespace {

bool set(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

DesktopOffer desktop_offer(const CommandLine& line)
{
    DesktopOffer offer;
    const std::vector<std::string>& args = line.toolkit_args;
    for (size_t i = 1; i < args.size(); i += 2) {
        offer.platform_named |= args[i] == "-platform" || args[i] == "--platform";
        if (args[i] == "-display" || args[i] == "--display")
            offer.x_display_name = args[i + 1];
    }
    offer.platform_named |= set("QT_QPA_PLATFORM");
    const char* session = std::getenv("XDG_SESSION_TYPE");
    offer.wayland = set("WAYLAND_DISPLAY") || (session && std::string_view(session) == "wayland");
    offer.x_display = set("DISPLAY") || !offer.x_display_name.empty();
    offer.light_natively = QVersionNumber::fromString(QString::fromLatin1(qVersion())) >= QVersionNumber(6, 8);
    return offer;
}

bool goes_through_x(const DesktopOffer& offer, const DesktopQuestions& ask)
{
    return !offer.platform_named && offer.wayland && offer.x_display && !offer.light_natively
           && ask.largest_scale() <= 1 && ask.x_answers(offer.x_display_name);
}
