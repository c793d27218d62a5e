// Measures what the sound costs the game: the time to start the
// synthesiser with its SoundFont and open a piece, the resident memory the
// synthesiser and SoundFont add, the time to render one 512-frame buffer of
// music and effects, how long a render can take while the game changes
// the piece, and the time to start a sound effect.
//
// The music is the round's piece, the voice a hit's, as the game ships them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "music/audio_system.h"

namespace {

namespace fs = std::filesystem;

constexpr int BUFFER_FRAMES = 512;

const fs::path ASSETS(TOMBORA_ASSETS);
const std::string PIECE = (ASSETS / "bgm.mid").string();
const std::string VOICE = (ASSETS / "nya.wav").string();

int send(AudioSystem& audio, const std::string& command)
{
    char reply[256];
    return audio.mci_send_string(command.c_str(), reply, sizeof reply);
}

bool stopped(AudioSystem& audio)
{
    char reply[256];
    audio.mci_send_string("status MIDI mode", reply, sizeof reply);
    return std::string(reply) == "stopped";
}

std::string open_command() { return "open \"" + PIECE + "\" alias MIDI"; }

long resident_kib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Runs first, in a fresh process, so the growth is the synthesiser's own.
void BM_ResidentMemory(benchmark::State& state)
{
    for (auto _ : state) {
        long before = resident_kib();
        AudioSystem audio(AudioSystem::Output::offline);
        long built = resident_kib();
        if (send(audio, open_command()) != 0)
            state.SkipWithError("the piece did not open");
        long opened = resident_kib();
        send(audio, "play MIDI from 0");
        std::vector<float> left(AudioSystem::SAMPLE_RATE), right(AudioSystem::SAMPLE_RATE);
        audio.render(left, right);  // one second of music
        long played = resident_kib();
        state.counters["synth_and_soundfont_KiB"] = double(built - before);
        state.counters["open_KiB"] = double(opened - built);
        state.counters["playing_KiB"] = double(played - opened);
    }
}
BENCHMARK(BM_ResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// Offline, the synthesiser and its SoundFont start with the AudioSystem
// (with a device, on the output's own thread after the window).
void BM_StartSynthesiserAndOpen(benchmark::State& state)
{
    for (auto _ : state) {
        auto audio = std::make_unique<AudioSystem>(AudioSystem::Output::offline);
        if (send(*audio, open_command()) != 0)
            state.SkipWithError("the piece did not open");
        state.PauseTiming();
        audio.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartSynthesiserAndOpen)->Unit(benchmark::kMillisecond);

void BM_LaterOpen(benchmark::State& state)
{
    AudioSystem audio(AudioSystem::Output::offline);
    send(audio, open_command());
    for (auto _ : state) {
        send(audio, "close MIDI");
        if (send(audio, open_command()) != 0)
            state.SkipWithError("the piece did not open");
    }
}
BENCHMARK(BM_LaterOpen)->Unit(benchmark::kMicrosecond);

void BM_ConstructWithDevice(benchmark::State& state)
{
    std::string output;
    for (auto _ : state) {
        auto audio = std::make_unique<AudioSystem>(AudioSystem::Output::device);
        audio->start_output();
        state.PauseTiming();
        output = audio->output_name();
        audio.reset();
        state.ResumeTiming();
    }
    state.SetLabel("output: " + output);
}
BENCHMARK(BM_ConstructWithDevice)->Unit(benchmark::kMillisecond);

// Frames of rendered audio per second of work, as a multiple of real time.
void count_real_time(benchmark::State& state)
{
    state.counters["x_real_time"] = benchmark::Counter(
        double(state.iterations()) * BUFFER_FRAMES / AudioSystem::SAMPLE_RATE, benchmark::Counter::kIsRate);
}

void BM_RenderBufferOfMusic(benchmark::State& state)
{
    AudioSystem audio(AudioSystem::Output::offline);
    send(audio, open_command());
    send(audio, "play MIDI from 0");
    std::vector<float> left(BUFFER_FRAMES), right(BUFFER_FRAMES);
    int64_t buffers = 0;
    for (auto _ : state) {
        audio.render(left, right);
        benchmark::DoNotOptimize(left.data());
        if (++buffers % 64 == 0 && stopped(audio))
            send(audio, "play MIDI from 0");
    }
    count_real_time(state);
}
BENCHMARK(BM_RenderBufferOfMusic)->Unit(benchmark::kMicrosecond);

void BM_RenderBufferIdle(benchmark::State& state)
{
    AudioSystem audio(AudioSystem::Output::offline);
    std::vector<float> left(BUFFER_FRAMES), right(BUFFER_FRAMES);
    for (auto _ : state) {
        audio.render(left, right);
        benchmark::DoNotOptimize(left.data());
    }
    count_real_time(state);
}
BENCHMARK(BM_RenderBufferIdle)->Unit(benchmark::kMicrosecond);

// The longest render while the game changes pieces as it does at F2 and at
// a round's end (stop, close, open the other piece, play), each change the
// first of its kind in a fresh AudioSystem, so that the second piece's
// instruments are new to the synthesiser; beside it, the longest render
// away from the changes, the run's own noise. A render that waits for a
// change shows as a long one; the output's thread renders 2048 frames at a
// time, as it does for the sound server.
void BM_LongestRenderAtAChangeOfPiece(benchmark::State& state)
{
    const std::string title = (ASSETS / "tombora.mid").string(), round = PIECE;
    using Clock = std::chrono::steady_clock;
    struct Span {
        Clock::time_point start, end;
        bool overlaps(const Span& other) const { return start < other.end && other.start < end; }
        double ms() const { return std::chrono::duration<double, std::milli>(end - start).count(); }
    };
    double at_change = 0, between = 0;
    for (auto _ : state) {
        AudioSystem audio(AudioSystem::Output::offline);
        send(audio, "open \"" + title + "\" alias MIDI");
        send(audio, "play MIDI from 0");
        std::atomic<bool> rendering{true};
        std::vector<Span> renders, changes;
        std::thread mixer([&] {
            std::vector<float> left(2048), right(2048);
            while (rendering) {
                Span render{Clock::now(), {}};
                audio.render(left, right);
                render.end = Clock::now();
                renders.push_back(render);
            }
        });
        for (const std::string& next : {round, title}) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Span change{Clock::now(), {}};
            send(audio, "stop MIDI");
            send(audio, "close MIDI");
            send(audio, "open \"" + next + "\" alias MIDI");
            send(audio, "play MIDI from 0");
            change.end = Clock::now();
            changes.push_back(change);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        rendering = false;
        mixer.join();
        for (const Span& render : renders) {
            bool during = std::any_of(changes.begin(), changes.end(), [&](const Span& c) { return render.overlaps(c); });
            (during ? at_change : between) = std::max(during ? at_change : between, render.ms());
        }
    }
    state.counters["longest_render_at_change_ms"] = at_change;
    state.counters["longest_render_between_ms"] = between;
}
BENCHMARK(BM_LongestRenderAtAChangeOfPiece)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_PlayWaveFirstTime(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto audio = std::make_unique<AudioSystem>(AudioSystem::Output::offline);
        state.ResumeTiming();
        audio->play_wave(VOICE);
        state.PauseTiming();
        audio.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PlayWaveFirstTime)->Unit(benchmark::kMicrosecond);

void BM_PlayWaveAgain(benchmark::State& state)
{
    AudioSystem audio(AudioSystem::Output::offline);
    audio.play_wave(VOICE);
    for (auto _ : state)
        audio.play_wave(VOICE);
}
BENCHMARK(BM_PlayWaveAgain)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
