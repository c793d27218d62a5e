// The floor of the game's stack with nothing of the game in it.
//
// Memory: a Qt window with a menu bar and a field-sized widget; with
// "library", FluidSynth's library opened as the game opens it; with
// "synth", a synthesiser made as well (the game's voice count, no chorus,
// no SoundFont). Prints VmRSS in MB 3 s after the window shows; needs an X
// display. bench/measure memory runs it beside the game.
//
// Processor: "ticker" is the same window woken by a 30 ms timer that does
// nothing, the game's frame period; "sleeper" is a process without Qt
// that only sleeps to the same deadlines. Both run until killed;
// bench/measure frame floor reads their CPU.
//
// Start-up: "title PICTURE" is the same window showing the picture in
// a field with a grey frame, as bench/title_probe looks for the game's
// first title frame; it runs until killed. bench/measure first-frame
// times its starts beside the game's.
//
// Usage: stack_floor qt|library|synth|ticker|sleeper|title PICTURE
#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>

#include <time.h>

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

constexpr long FRAME_NS = 30'000'000;

[[noreturn]] void sleep_in_frames()
{
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    for (;;) {
        deadline.tv_nsec += FRAME_NS;
        if (deadline.tv_nsec >= 1'000'000'000) {
            deadline.tv_nsec -= 1'000'000'000;
            ++deadline.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
    }
}

// The picture inside a frame of the grey title_probe finds the field by.
class PictureField : public QWidget {
public:
    explicit PictureField(const QImage& picture) : picture(picture) { setFixedSize(354, 354); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(128, 128, 128));
        p.drawImage(2, 2, picture);
    }

private:
    QImage picture;
};

}  // namespace

int main(int argc, char** argv)
{
    const std::string part = argc > 1 ? argv[1] : "qt";
    if (part == "title" && argc < 3) {
        std::fprintf(stderr, "usage: stack_floor title PICTURE\n");
        return 2;
    }
    if (part == "sleeper")
        sleep_in_frames();
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("ゲーム(&G)"))->addAction(QStringLiteral("スタート(&S)"));
    window.menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"))->addAction(QStringLiteral("目次(&C)"));
    QWidget* field;
    if (part == "title") {
        window.setWindowTitle(QStringLiteral("stack_floor"));
        field = new PictureField(QImage(QString::fromLocal8Bit(argv[2])));
    } else {
        field = new QWidget;
        field->setFixedSize(354, 354);
    }
    window.setCentralWidget(field);
    window.show();
    if ((part == "library" && !fluid()) || (part == "synth" && !make_synth())) {
        std::fprintf(stderr, "stack_floor: FluidSynth could not be opened\n");
        return 1;
    }
    if (part == "title")
        return app.exec();
    QTimer ticker;
    if (part == "ticker") {
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.start(int(FRAME_NS / 1'000'000));
        return app.exec();
    }
    QTimer::singleShot(3000, [&] {
        std::printf("%-8s %.1f\n", part.c_str(), resident_mb());
        app.quit();
    });
    return app.exec();
}
