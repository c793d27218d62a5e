// Cost of composing frames and of each raster operation, off screen.
//
// Usage: frame_bench [Google Benchmark's options]
//        valgrind --tool=callgrind --instr-atstart=no frame_bench instructions title|play
// The second counts the instructions of 1000 title or play frames after
// 200 to warm up (callgrind_annotate gives the total): unlike timings on a
// shared machine, the count is the same run after run, so a change to
// composing can be judged by it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdio>
#include <string>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#endif

#include "fake_platform.h"
#include "play/play_frame.h"
#include "play/random_source.h"
#include "play/round.h"
#include "raster/surfaces.h"
#include "screens/result_screen.h"
#include "screens/title_screen.h"
#include "shell/game_vars.h"

namespace {

FakePlatform fake;

// A round in its middle, and a title with a full ranking, from fresh game
// variables.
void prepare_round()
{
    reset_game_vars();
    seed_random(7);
    start_round();
    game_state = STATE_PLAY;
    hit_count = 123;
    miss_count = 4;
    for (int slot = 1; slot <= 5; ++slot)  // spread over the field
        cat_x[slot] = int16_t(30 + 55 * slot);
}

void prepare_title()
{
    reset_game_vars();
    cat_letter[0] = "Hit";
    rank_name = {"名無しの権兵衛さん", "たま", "みけ"};
    rank_score = {12345, 2345, 345};
}

void play_one_frame()
{
    time_left = 80;  // never end the round
    second_mark = frame_start = 1;
    play_frame();
    for (int slot = 1; slot <= 5; ++slot)  // keep the cats in view
        if (cat_x[slot] < 0 || cat_x[slot] > 300)
            cat_x[slot] = 150;
}

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
        play_one_frame();
        pixels += area(fake.last_damage);
        rects += int64_t(fake.last_damage.size());
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

int count_instructions(bool play)
{
#ifdef CALLGRIND_START_INSTRUMENTATION
    constexpr int WARM_UP = 200, COUNTED = 1000;
    play ? prepare_round() : prepare_title();
    int64_t pixels = 0;
    for (int i = 0; i < WARM_UP + COUNTED; ++i) {
        if (i == WARM_UP)
            CALLGRIND_START_INSTRUMENTATION;
        play ? play_one_frame() : title_frame();
        if (i >= WARM_UP)
            pixels += area(fake.last_damage);
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    std::printf("%d %s frames counted; %.0f pixels sent a frame\n", COUNTED, play ? "play" : "title",
                double(pixels) / COUNTED);
    return 0;
#else
    std::fprintf(stderr, "built without valgrind's header (Debian's valgrind package): no instructions\n");
    return 1;
#endif
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    set_platform(&fake);
    if (!load_pictures())
        return 1;
    if (argc > 1 && std::string(argv[1]) == "instructions")
        return count_instructions(argc > 2 && std::string(argv[2]) == "play");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
