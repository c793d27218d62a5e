// The resident memory of the game's stack with nothing of the game in it:
// a Qt window with a menu bar and a field-sized widget; with "library",
// FluidSynth's library opened as the game opens it; with "synth", a
// synthesiser made as well (the game's voice count, no chorus, no
// SoundFont). Prints VmRSS in MB 3 s after the window shows; needs an X
// display. bench/measure_memory.sh runs it beside the game.
//
// Usage: stack_floor qt|library|synth
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "music/fluid_library.h"

namespace {

double resident_mb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

bool make_synth()
{
    const FluidLibrary* f = fluid();
    if (!f)
        return false;
    fluid_settings_t* settings = f->new_fluid_settings();
    f->fluid_settings_setint(settings, "synth.polyphony", 32);
    f->fluid_settings_setint(settings, "synth.chorus.active", 0);
    return f->new_fluid_synth(settings) != nullptr;  // kept until the end
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::string part = argc > 1 ? argv[1] : "qt";
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("ゲーム(&G)"))->addAction(QStringLiteral("スタート(&S)"));
    window.menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"))->addAction(QStringLiteral("目次(&C)"));
    auto* field = new QWidget;
    field->setFixedSize(354, 354);
    window.setCentralWidget(field);
    window.show();
    if ((part == "library" && !fluid()) || (part == "synth" && !make_synth())) {
        std::fprintf(stderr, "stack_floor: FluidSynth could not be opened\n");
        return 1;
    }
    QTimer::singleShot(3000, [&] {
        std::printf("%-8s %.1f\n", part.c_str(), resident_mb());
        app.quit();
    });
    return app.exec();
}
