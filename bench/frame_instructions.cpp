// Instructions per title or play frame, counted by callgrind: unlike
// timings on a shared machine, the count is the same run after run, so a
// change to composing can be judged by it. Frames are composed off screen
// as in frame_bench; only 1000 frames after 200 to warm up are counted.
//
// Usage: valgrind --tool=callgrind --instr-atstart=no
//        build/bench/frame_instructions [title|play], then
//        callgrind_annotate on its output: the total over 1000 frames.
#include <QGuiApplication>

#include <valgrind/callgrind.h>

#include <cstdio>
#include <string>

#include "fake_platform.h"
#include "frame_scenes.h"
#include "play/play_frame.h"
#include "raster/surfaces.h"
#include "screens/title_screen.h"

namespace {

constexpr int WARM_UP = 200, COUNTED = 1000;

void play_one_frame()
{
    time_left = 80;  // never end the round
    second_mark = frame_start = 1;
    play_frame();
    for (int slot = 1; slot <= 5; ++slot)  // keep the cats in view
        if (cat_x[slot] < 0 || cat_x[slot] > 300)
            cat_x[slot] = 150;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    FakePlatform fake;
    set_platform(&fake);
    if (!load_pictures())
        return 1;
    const bool play = argc > 1 && std::string(argv[1]) == "play";
    play ? prepare_round() : prepare_title();
    int64_t pixels = 0;
    for (int i = 0; i < WARM_UP + COUNTED; ++i) {
        if (i == WARM_UP)
            CALLGRIND_START_INSTRUMENTATION;
        play ? play_one_frame() : title_frame();
        if (i >= WARM_UP)
            for (const Rect& r : fake.last_damage)
                pixels += int64_t(r.right - r.left) * (r.bottom - r.top);
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    std::printf("%d %s frames counted; %.0f pixels sent a frame\n", COUNTED, play ? "play" : "title",
                double(pixels) / COUNTED);
    set_platform(nullptr);
    return 0;
}
