// The sound output against a real PulseAudio server of the test's own (a
// null sink), judged by what reaches the sink: a piece heard whole before
// it plays again, effects and changes of piece heard at once, and the
// output living through a server that fails to answer, goes away and
// comes back. Every figure is read off the recording, in frames of the
// sink: none is a time measured by the test's clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

#include "audio_fixture.h"
#include "midi_bytes.h"
#include "music/pulse_library.h"
#include "music/pulse_output.h"
#include "sink_recording.h"
#include "sound_server.h"
#include "wave_bytes.h"

namespace {

constexpr int RATE = SINK_RATE;
constexpr int64_t frames_in_ms(int ms) { return int64_t(RATE) * ms / 1000; }
// A sound is heard "at once" within this much of the moment it was asked for.
constexpr int64_t AT_ONCE = frames_in_ms(50);

// Where a pattern matches in the recording, best or first, between frames
// that may lie before its start.
struct Found {
    int64_t at = -1;
    double score = 0;
};
size_t frame(int64_t at) { return size_t(std::max<int64_t>(at, 0)); }
Found best_in(const std::vector<float>& heard, const std::vector<float>& pattern, int64_t from, int64_t to)
{
    Match m = best_match(heard, pattern, frame(from), frame(to));
    return {m.score > 0 ? int64_t(m.at) : -1, m.score};
}
Found first_in(const std::vector<float>& heard, const std::vector<float>& pattern, int64_t from, int64_t to)
{
    Match m = first_match(heard, pattern, frame(from), frame(to), 0.8);
    return {m.score > 0 ? int64_t(m.at) : -1, m.score};
}

// A second and a bit of piano that is unlike itself anywhere: the loud chord
// it ends on lasts to its very end, so any of it lost is missed.
Bytes melody()
{
    return piano_notes({{72, 100, 0, 150},
                        {76, 70, 150, 250},
                        {79, 120, 250, 450},
                        {67, 50, 450, 520},
                        {74, 110, 520, 700},
                        {71, 60, 700, 800},
                        {60, 127, 800, 1300},
                        {64, 127, 800, 1300},
                        {67, 127, 800, 1300}});
}

// Another piece on another instrument (an organ), so the synthesiser needs
// a sample it did not hold.
Bytes organ_piece()
{
    TrackBytes track;
    track.tempo(0, 500000).event(0, {0xC0, 19});
    for (uint8_t key : {48, 55, 52, 59}) {
        track.event(0, {0x90, key, 110});
        track.event(240, {0x80, key, 0});
    }
    track.end(0);
    return midi_file(0, 480, {track});
}

// A piece rendered offline, mono: its frames up to the end of its one
// pass, then half a second of what follows.
struct Reference {
    std::vector<float> mono;
    int64_t length = 0;
    std::vector<float> part(int64_t from, int64_t count) const
    {
        return {mono.begin() + from, mono.begin() + from + count};
    }
};

Reference render_offline(const std::string& path)
{
    AudioSystem audio(AudioSystem::Output::offline);
    char reply[256];
    audio.mci_send_string(("open \"" + path + "\" alias MIDI").c_str(), reply, sizeof reply);
    audio.mci_send_string("play MIDI from 0", reply, sizeof reply);
    Reference reference;
    std::vector<float> left(64), right(64);
    for (int64_t after_end = -1; after_end < frames_in_ms(500); after_end += after_end >= 0 ? 64 : 0) {
        audio.render(left, right);
        for (int i = 0; i < 64; ++i)
            reference.mono.push_back((left[i] + right[i]) / 2);
        audio.mci_send_string("status MIDI mode", reply, sizeof reply);
        if (after_end < 0 && std::string(reply) == "stopped") {
            reference.length = int64_t(reference.mono.size());
            after_end = 0;
        }
    }
    return reference;
}

// Noise, unlike any music: found under the music by correlation.
std::vector<float> noise_burst()
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-0.6f, 0.6f);
    std::vector<float> burst(size_t(frames_in_ms(80)));
    for (float& v : burst)
        v = value(random);
    return burst;
}

struct Latencies {
    std::vector<int64_t> frames;  // of each sound found
    int missing = 0;
    int64_t p90() const
    {
        std::vector<int64_t> sorted = frames;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? INT64_MAX : sorted[(sorted.size() * 9 + 9) / 10 - 1];
    }
    // Each one, in milliseconds, for a failure's message.
    std::string in_ms() const
    {
        std::string all;
        for (int64_t f : frames)
            all += std::to_string(f * 1000 / RATE) + " ";
        return all;
    }
};

// How long after each start the burst was heard.
Latencies heard_after(const std::vector<float>& recording, const std::vector<float>& burst,
                      const std::vector<int64_t>& starts)
{
    std::vector<float> opening(burst.begin(), burst.begin() + frames_in_ms(10));
    Latencies latencies;
    for (int64_t start : starts) {
        Found heard = first_in(recording, opening, start - frames_in_ms(10), start + frames_in_ms(700));
        if (heard.at < 0)
            ++latencies.missing;
        else
            latencies.frames.push_back(heard.at - start);
    }
    return latencies;
}

struct SoundServerTest : AudioTest {
    std::unique_ptr<PrivateSoundServer> server;

    void SetUp() override
    {
        AudioTest::SetUp();
        if (!PrivateSoundServer::installed())
            GTEST_SKIP() << "pulseaudio is not installed";
        server = std::make_unique<PrivateSoundServer>(dir / "server");
        ASSERT_TRUE(server->start()) << "the private sound server did not start";
        setenv("PULSE_SERVER", server->address().c_str(), 1);
    }
    void TearDown() override
    {
        server.reset();
        unsetenv("PULSE_SERVER");
        AudioTest::TearDown();
    }
};

// The game's side of it: an AudioSystem on the server, asked for the
// music's mode every frame, playing the open piece again when it stands
// stopped.
struct GameSound {
    AudioSystem audio{AudioSystem::Output::device};

    std::string send(const std::string& command)
    {
        char reply[256] = {};
        return audio.mci_send_string(command.c_str(), reply, sizeof reply) == 0 ? reply : "error";
    }
    void play(const std::string& path)
    {
        send("stop MIDI");
        send("close MIDI");
        send("open \"" + path + "\" alias MIDI");
        send("play MIDI from 0");
    }
    // One frame of the title or a round.
    void frame()
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (send("status MIDI mode") == "stopped")
            send("play MIDI from 0");
    }
    void frames_until(const SinkRecorder& recorder, int64_t recorded)
    {
        ASSERT_TRUE(wait_until([&] {
            frame();
            return recorder.frames() >= recorded;
        }, std::chrono::seconds(30)));
    }
};

// The game's sound on the server, and the sink recorded from before it
// starts.
struct GameSoundTest : SoundServerTest {
    std::unique_ptr<SinkRecorder> recorder;
    std::unique_ptr<GameSound> game;

    void start_game()
    {
        recorder = std::make_unique<SinkRecorder>(server->address());
        ASSERT_TRUE(recorder->recording());
        game = std::make_unique<GameSound>();
        game->audio.start_output();
        ASSERT_STREQ(game->audio.output_name(), "pulseaudio");
    }
    void TearDown() override
    {
        game.reset();
        recorder.reset();
        SoundServerTest::TearDown();
    }
};

TEST_F(GameSoundTest, APieceIsHeardWholeAndThenAgainRightAfterItsEnd)
{
    const std::string piece = file("melody.mid", melody());
    const Reference reference = render_offline(piece);
    ASSERT_GT(reference.length, frames_in_ms(1200));
    const int64_t L = reference.length;

    ASSERT_NO_FATAL_FAILURE(start_game());
    SinkRecorder& recorder = *this->recorder;
    GameSound& game = *this->game;
    game.play(piece);
    game.frames_until(recorder, 3 * L + frames_in_ms(1500));
    const std::vector<float>& heard = recorder.stop().mono;

    const std::vector<float> opening = reference.part(0, frames_in_ms(300));
    const std::vector<float> last_half_second = reference.part(L - frames_in_ms(500), frames_in_ms(500));
    Found pass = best_in(heard, opening, 0, frames_in_ms(1500));
    ASSERT_GE(pass.score, 0.8) << "the first pass is heard";
    for (int k = 1; k <= 2; ++k) {
        const int64_t due = pass.at + L;
        Found end = best_in(heard, last_half_second, due - frames_in_ms(505), due - frames_in_ms(495));
        EXPECT_GE(end.score, 0.9) << "pass " << k << " is heard to its end";
        Found next = best_in(heard, opening, due - frames_in_ms(600), due + frames_in_ms(200));
        ASSERT_GE(next.score, 0.8) << "pass " << k + 1 << " is heard";
        double offset_ms = double(next.at - due) * 1000 / RATE;
        EXPECT_GE(offset_ms, -5) << "pass " << k + 1 << " cut the end of the one before";
        EXPECT_LE(offset_ms, 30) << "a gap over a frame before pass " << k + 1;
        RecordProperty("restart_" + std::to_string(k) + "_ms", std::to_string(offset_ms));
        pass = next;
    }
    EXPECT_EQ(game.audio.underflows(), 0);
}

TEST_F(GameSoundTest, EffectsAndChangesOfPieceAreHeardAtOnceOverTheMusic)
{
    const std::string piece = file("melody.mid", melody()), organ = file("organ.mid", organ_piece());
    const std::vector<float> burst = noise_burst();
    const std::string effect = (dir / "burst.wav").string();
    write_wave(effect, RATE, 1, int(burst.size()), [&](int f, int) { return double(burst[size_t(f)]); });

    ASSERT_NO_FATAL_FAILURE(start_game());
    SinkRecorder& recorder = *this->recorder;
    GameSound& game = *this->game;
    game.play(piece);
    game.frames_until(recorder, frames_in_ms(800));

    // Keys at uneven moments, the piece going round under them.
    std::vector<int64_t> keys;
    std::mt19937 random(3);
    for (int i = 0; i < 12; ++i) {
        game.frames_until(recorder, recorder.frames() + frames_in_ms(std::uniform_int_distribution(150, 450)(random)));
        keys.push_back(recorder.frames());
        game.audio.play_wave(effect);
    }
    game.frames_until(recorder, recorder.frames() + frames_in_ms(800));
    // Rounds start and end: the piece changes, to an instrument new to the
    // synthesiser and back, at uneven moments.
    const std::string pieces[] = {organ, piece};
    std::vector<int64_t> changes;
    for (int i = 0; i < 10; ++i) {
        changes.push_back(recorder.frames());
        game.play(pieces[i % 2]);
        game.frames_until(recorder, recorder.frames() + frames_in_ms(std::uniform_int_distribution(700, 950)(random)));
    }
    const std::vector<float>& heard = recorder.stop().mono;

    Latencies effects = heard_after(heard, burst, keys);
    EXPECT_EQ(effects.missing, 0);
    EXPECT_LE(effects.p90(), AT_ONCE) << "p90 of " << effects.frames.size() << " effects, in frames; ms: " << effects.in_ms();
    RecordProperty("effect_p90_ms", std::to_string(effects.p90() * 1000 / RATE));

    const std::vector<float> openings[] = {render_offline(organ).part(0, frames_in_ms(200)),
                                           render_offline(piece).part(0, frames_in_ms(200))};
    Latencies new_pieces;
    std::string found;
    for (size_t i = 0; i < changes.size(); ++i) {
        Found start = best_in(heard, openings[i % 2], changes[i] - frames_in_ms(10), changes[i] + frames_in_ms(700));
        // A piece not found is one heard too late to count.
        new_pieces.frames.push_back(start.score < 0.8 ? INT64_MAX : start.at - changes[i]);
        found += std::to_string((start.at - changes[i]) * 1000 / RATE) + " ms (" + std::to_string(start.score) + ") ";
    }
    EXPECT_LE(new_pieces.p90(), AT_ONCE) << "p90 of " << new_pieces.frames.size()
                                         << " new pieces; each change's best match, after it (score): " << found;
    RecordProperty("new_piece_p90_ms", std::to_string(new_pieces.p90() * 1000 / RATE));
    RecordProperty("changes", found);
    EXPECT_EQ(game.audio.underflows(), 0) << "the stream never ran dry";
}

// The rhythms players type at, each judged on its own: the seconds before
// each key.
struct Rhythm {
    const char* name;
    std::vector<double> gaps;
};
const Rhythm RHYTHMS[] = {
    {"a burst 0.1 s apart, each voice cutting off the one before", {0.1, 0.1, 0.1, 0.1, 0.1, 0.1}},
    {"0.3 to 2 s apart", {0.3, 1.7, 0.9, 2.0, 0.5, 1.2}},
    {"1.3 s apart, each voice over before the next key", {1.3, 1.3, 1.3, 1.3, 1.3}},
    {"after 3 s of quiet", {3.0, 3.0}},
    {"after 10 s of quiet", {10.0}},
};

// Keys at every rhythm, over the round's music or none: each rhythm's
// voices all heard, 90 % of them at once.
void type_at_every_rhythm(GameSoundTest& test, bool music)
{
    // A voice as long as the game's, noise throughout: its start is found
    // under the music and under the voice it cuts off.
    std::vector<float> voice(size_t(frames_in_ms(400)));
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(-0.6f, 0.6f);
    for (float& v : voice)
        v = value(random);
    const std::string path = (test.dir / "voice.wav").string();
    write_wave(path, RATE, 1, int(voice.size()), [&](int f, int) { return double(voice[size_t(f)]); });

    ASSERT_NO_FATAL_FAILURE(test.start_game());
    SinkRecorder& recorder = *test.recorder;
    GameSound& game = *test.game;
    if (music)
        game.play(std::string(TOMBORA_ASSETS_DIR) + "/bgm.mid");
    game.frames_until(recorder, frames_in_ms(800));
    std::vector<std::vector<int64_t>> keys;
    for (const Rhythm& rhythm : RHYTHMS) {
        keys.emplace_back();
        for (double gap : rhythm.gaps) {
            game.frames_until(recorder, recorder.frames() + frames_in_ms(int(gap * 1000)));
            keys.back().push_back(recorder.frames());
            game.audio.play_wave(path);
        }
    }
    game.frames_until(recorder, recorder.frames() + frames_in_ms(800));
    const std::vector<float>& heard = recorder.stop().mono;

    for (size_t r = 0; r < keys.size(); ++r) {
        Latencies voices = heard_after(heard, voice, keys[r]);
        EXPECT_EQ(voices.missing, 0) << RHYTHMS[r].name;
        EXPECT_LE(voices.p90(), AT_ONCE) << RHYTHMS[r].name << ": each voice's delay, ms: " << voices.in_ms();
        ::testing::Test::RecordProperty("p90_ms " + std::string(RHYTHMS[r].name), std::to_string(voices.p90() * 1000 / RATE));
    }
    EXPECT_EQ(game.audio.underflows(), 0);
}

TEST_F(GameSoundTest, EveryVoiceIsHeardAtOnceAtEveryRhythmOverTheMusic)
{
    type_at_every_rhythm(*this, true);
}

TEST_F(GameSoundTest, EveryVoiceIsHeardAtOnceAtEveryRhythmWithoutMusic)
{
    type_at_every_rhythm(*this, false);
}

// Steady music (a quiet tone) and an effect (the noise burst), as the
// output asks for them.
struct ToneSource : SoundSource {
    const std::vector<float> burst = noise_burst();
    std::mutex mutex;
    size_t effect_next = SIZE_MAX;
    int64_t tone_frame = 0;
    std::atomic<int64_t> passed{0};

    Music mix_music(float* left, float* right, int frames) override
    {
        for (int i = 0; i < frames; ++i, ++tone_frame) {
            float v = 0.1f * float(std::sin(2 * M_PI * 220 * double(tone_frame) / RATE));
            left[i] += v;
            right[i] += v;
        }
        return {.sounded = true, .pass_ended_at = std::nullopt};
    }
    bool mix_effects(float* left, float* right, int frames) override
    {
        std::lock_guard lock(mutex);
        if (effect_next >= burst.size())
            return false;
        for (int i = 0; i < frames && effect_next < burst.size(); ++i, ++effect_next) {
            left[i] += burst[effect_next];
            right[i] += burst[effect_next];
        }
        return true;
    }
    void restart_effect() override
    {
        std::lock_guard lock(mutex);
        if (effect_next != SIZE_MAX)
            effect_next = 0;
    }
    void restart_music() override {}  // the tone has no beginning
    void pass_time(int frames) override { passed += frames; }
    void start_effect()
    {
        std::lock_guard lock(mutex);
        effect_next = 0;
    }
    bool effect_played()
    {
        std::lock_guard lock(mutex);
        return effect_next >= burst.size();
    }
};

// libpulse as the game has it, but for the questions about the listener,
// of which the second cannot be asked.
std::atomic<int> questions{0};
pa_operation* second_question_fails(pa_stream* stream, pa_stream_success_cb_t answer, void* data)
{
    if (++questions == 2)
        return nullptr;
    return pulse()->pa_stream_update_timing_info(stream, answer, data);
}

TEST_F(SoundServerTest, AQuestionThatCannotBeAskedHoldsUpNoLaterEffect)
{
    ASSERT_NE(pulse(), nullptr);
    PulseLibrary library = *pulse();
    library.pa_stream_update_timing_info = second_question_fails;
    questions = 0;
    ToneSource source;
    PulseOutput output(RATE, source, library);
    ASSERT_TRUE(output.connect());
    SinkRecorder recorder(server->address());
    output.pass_starts();  // the first question
    ASSERT_TRUE(wait_until([&] { return recorder.frames() > frames_in_ms(600); }));

    std::vector<int64_t> starts;
    for (int i = 0; i < 8; ++i) {
        const int64_t at = recorder.frames();
        starts.push_back(at);
        source.start_effect();
        output.effect_starts();
        ASSERT_TRUE(wait_until([&] { return recorder.frames() > at + frames_in_ms(400); }));
    }
    const std::vector<float>& heard = recorder.stop().mono;
    ASSERT_GE(questions.load(), 9);
    // The first effect was the second question: it simply follows the
    // queue. Every one after it is heard at once again.
    Latencies later = heard_after(heard, source.burst, {starts.begin() + 1, starts.end()});
    EXPECT_EQ(later.missing, 0);
    for (int64_t latency : later.frames)
        EXPECT_LE(latency, AT_ONCE) << "an effect after the failed question, in frames";
}

TEST_F(SoundServerTest, TheOutputLivesThroughTheServerGoingAwayAndComingBack)
{
    ToneSource source;
    PulseOutput output(RATE, source, *pulse());
    ASSERT_TRUE(output.connect());
    output.pass_starts();

    server->kill();
    ASSERT_TRUE(wait_until([&] { return source.passed > frames_in_ms(300); }))
        << "the music's time still passes while the server is away";
    ASSERT_TRUE(server->start());
    SinkRecorder recorder(server->address());
    ASSERT_TRUE(recorder.recording());
    // Effects, until one is heard: the output has found the server again.
    std::vector<int64_t> starts;
    bool heard = wait_until([&] {
        starts.push_back(recorder.frames());
        source.start_effect();
        output.effect_starts();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return recorder.frames() > frames_in_ms(200) && source.effect_played();
    });
    const std::vector<float>& recording = recorder.stop().mono;
    ASSERT_TRUE(heard) << "no effect was played after the server came back";
    Latencies latencies = heard_after(recording, source.burst, {starts.back()});
    EXPECT_EQ(latencies.missing, 0) << "the last effect reached the new server's sink";
}

// A socket that takes connections and either drops them at once (a server
// that goes away during the first connection) or never says a word (a
// stuck one).
class FakeServer {
public:
    FakeServer(const std::filesystem::path& path, bool answers_never) : path_(path)
    {
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.string().copy(address.sun_path, sizeof address.sun_path - 1);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 4);
        thread_ = std::thread([this, answers_never] {
            while (true) {
                int visitor = accept(fd_, nullptr, nullptr);
                if (visitor < 0)
                    return;
                ++visits;
                if (answers_never)
                    held_.push_back(visitor);
                else
                    close(visitor);
            }
        });
    }
    ~FakeServer()
    {
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
        for (int fd : held_)
            close(fd);
    }
    std::atomic<int> visits{0};

private:
    std::filesystem::path path_;
    int fd_;
    std::vector<int> held_;
    std::thread thread_;
};

TEST_F(SoundServerTest, AServerThatNeverAnswersIsGivenUpAndNotTriedAgain)
{
    for (bool answers_never : {false, true}) {
        SCOPED_TRACE(answers_never ? "a stuck server" : "a server gone during the first connection");
        const auto socket = dir / (answers_never ? "stuck" : "gone");
        FakeServer fake(socket, answers_never);
        setenv("PULSE_SERVER", ("unix:" + socket.string()).c_str(), 1);
        ToneSource source;
        auto output = std::make_unique<PulseOutput>(RATE, source, *pulse());
        EXPECT_FALSE(output->connect());
        std::this_thread::sleep_for(ServerLink::FIRST_RETRY * 2);
        EXPECT_EQ(fake.visits.load(), 1) << "tried again";
        output.reset();
    }
}

}  // namespace

