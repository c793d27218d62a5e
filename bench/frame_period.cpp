// Runs the title screen in the real window for a while and prints the
// frame period's median, 99th percentile and maximum, and the processor
// time the game's thread used per second. Run it on a real X display
// (Xvfb will do); it takes the seconds given (default 10). A second
// argument picks another screen state; one with no screen (e.g. 9) shows
// what the loop alone costs.
#include <QApplication>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "play/round.h"
#include "raster/surfaces.h"
#include "shell/game_vars.h"
#include "shell/main_loop.h"
#include "window/form1.h"
#include "window/qt_platform.h"

namespace {

double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (!load_pictures())
        return 1;
    Form1 window;
    QtPlatform qt(window, nullptr);
    set_platform(&qt);
    window.show();
    game_state = argc > 2 ? int16_t(std::atoi(argv[2])) : STATE_TITLE;
    if (game_state == STATE_PLAY) {
        start_round();
        time_left = 32767;  // a round that does not end while measured
    }
    cat_letter[0] = "猫";

    std::vector<int32_t> periods;
    uint32_t previous = qt.tick();
    for (int warm_up = 0; warm_up < 30; ++warm_up) {
        frame_start = int32_t(qt.tick());
        run_frame();
        wait_for_next_frame();
    }
    double cpu_before = cpu_seconds();
    uint32_t started = previous = qt.tick();
    while (tick_difference(qt.tick(), started) < int32_t(seconds * 1000)) {
        frame_start = int32_t(qt.tick());
        periods.push_back(tick_difference(uint32_t(frame_start), previous));
        previous = uint32_t(frame_start);
        run_frame();
        wait_for_next_frame();
    }
    double cpu = cpu_seconds() - cpu_before;
    double wall = tick_difference(qt.tick(), started) / 1000.0;
    periods.erase(periods.begin());
    std::sort(periods.begin(), periods.end());
    auto at = [&](double q) { return periods[size_t(q * double(periods.size() - 1))]; };
    std::printf("frames %zu in %.1f s: period median %d ms, 99th percentile %d ms, max %d ms\n",
                periods.size(), wall, at(0.5), at(0.99), periods.back());
    std::printf("game thread: %.2f %% of one core\n", 100.0 * cpu / wall);
    set_platform(nullptr);
    return 0;
}
