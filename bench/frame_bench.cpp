// Cost of composing frames and of each raster operation, off screen.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "fake_platform.h"
#include "frame_scenes.h"
#include "play/play_frame.h"
#include "raster/surfaces.h"
#include "screens/result_screen.h"
#include "screens/title_screen.h"
#include "shell/game_vars.h"

namespace {

FakePlatform fake;

// Pixels and rectangles a frame sends to the screen, on average.
void count_sent(benchmark::State& state, int64_t pixels, int64_t rects)
{
    state.counters["sent_px"] = benchmark::Counter(double(pixels), benchmark::Counter::kAvgIterations);
    state.counters["rects"] = benchmark::Counter(double(rects), benchmark::Counter::kAvgIterations);
}

int64_t area(const std::vector<Rect>& rects)
{
    int64_t sum = 0;
    for (const Rect& r : rects)
        sum += int64_t(r.right - r.left) * (r.bottom - r.top);
    return sum;
}

// One play frame: background, five cats with their letters, the display,
// the copy to mainscr (the refresh is the fake's and costs nothing).
void BM_PlayFrame(benchmark::State& state)
{
    prepare_round();
    int64_t pixels = 0, rects = 0;
    for (auto _ : state) {
        time_left = 80;  // never end the round
        second_mark = frame_start = 1;
        play_frame();
        pixels += area(fake.last_damage);
        rects += int64_t(fake.last_damage.size());
        for (int slot = 1; slot <= 5; ++slot)  // keep the cats in view
            if (cat_x[slot] < 0 || cat_x[slot] > 300)
                cat_x[slot] = 150;
    }
    count_sent(state, pixels, rects);
}
BENCHMARK(BM_PlayFrame);

void BM_TitleFrame(benchmark::State& state)
{
    prepare_title();
    int64_t pixels = 0, rects = 0;
    for (auto _ : state) {
        title_frame();
        pixels += area(fake.last_damage);
        rects += int64_t(fake.last_damage.size());
    }
    count_sent(state, pixels, rects);
}
BENCHMARK(BM_TitleFrame);

void BM_ResultFrame(benchmark::State& state)
{
    prepare_round();
    game_state = STATE_RESULT;
    accuracy = 96;
    score = 11808;
    for (auto _ : state)
        result_frame();
}
BENCHMARK(BM_ResultFrame);

// field 0: a cat's block; 1: the whole field from one picture (after the
// first copy no row changes, and rows known to be equal are skipped);
// 2: the whole field from two pictures in turn (every row changes).
void BM_Blit(benchmark::State& state)
{
    Rop rop = Rop(state.range(0));
    int64_t field = state.range(1);
    bool other = false;
    for (auto _ : state) {
        if (field == 0)
            blit(backscr, 120, 150, CAT_W, CAT_H, neko0m, 0, 0, rop);
        else
            blit(backscr, 0, 0, FIELD, FIELD, field == 2 && other ? title : haikei, 0, 0, rop);
        other = !other;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Blit)
    ->ArgNames({"rop", "field"})
    ->Args({SRCCOPY, 1})
    ->Args({SRCCOPY, 2})
    ->Args({SRCERASE, 1})
    ->Args({SRCINVERT, 1})
    ->Args({SRCCOPY, 0})
    ->Args({SRCERASE, 0})
    ->Args({SRCINVERT, 0});

void BM_DrawText(benchmark::State& state)
{
    set_font_size(backscr, 20);
    set_text_colour(backscr, 255, 255, 255);
    set_text_position(backscr, 10, 225);
    for (auto _ : state)
        draw_text(backscr, "１・名無しの権兵衛さん　12345点　100%");
}
BENCHMARK(BM_DrawText);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    set_platform(&fake);
    if (!load_pictures())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
