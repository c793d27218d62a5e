// Keys for a headless GNOME compositor, which has no keyboard: through
// mutter's remote desktop service (org.gnome.Mutter.RemoteDesktop on the
// session bus), which hands them to the focused window, native or
// through Xwayland. Reads key names from standard input, one a line (F2,
// Return, Up, Down, or a lowercase letter), and presses and releases each;
// the service's session lasts as long as this program, whose connection
// made it. Used by bench/measure desktop --session mutter.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>

#include <cstdint>
#include <iostream>
#include <string>

namespace {

const QString SERVICE = "org.gnome.Mutter.RemoteDesktop";

// The X keysym of a key name, 0 for a name not known.
uint32_t keysym(const std::string& name)
{
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z')
        return uint32_t(name[0]);
    if (name == "F2")
        return 0xffbf;
    if (name == "Return")
        return 0xff0d;
    if (name == "Up")
        return 0xff52;
    if (name == "Down")
        return 0xff54;
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusInterface desktop(SERVICE, "/org/gnome/Mutter/RemoteDesktop", SERVICE, bus);
    QDBusReply<QDBusObjectPath> made = desktop.call("CreateSession");
    if (!made.isValid()) {
        std::cerr << "gnome_keys: no remote desktop session: " << made.error().message().toStdString() << "\n";
        return 1;
    }
    QDBusInterface session(SERVICE, made.value().path(), SERVICE + ".Session", bus);
    QDBusReply<void> started = session.call("Start");
    if (!started.isValid()) {
        std::cerr << "gnome_keys: the session did not start: " << started.error().message().toStdString() << "\n";
        return 1;
    }
    // mutter 43 drops the first key of a session: a Shift, which the
    // programs measured ignore, goes first.
    for (bool pressed : {true, false})
        session.call("NotifyKeyboardKeysym", uint32_t(0xffe1), pressed);
    std::cout << "ready" << std::endl;
    for (std::string name; std::getline(std::cin, name);) {
        uint32_t sym = keysym(name);
        if (!sym) {
            std::cerr << "gnome_keys: unknown key " << name << "\n";
            continue;
        }
        for (bool pressed : {true, false})
            session.call("NotifyKeyboardKeysym", sym, pressed);
    }
    session.call("Stop");
    return 0;
}
