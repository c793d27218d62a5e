// The judging of a sink recording, on made-up recordings whose every pass,
// change and voice is placed at a known frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "sink_report.h"

namespace {

// Frames in n milliseconds: exact for multiples of 10.
constexpr size_t ms(size_t n) { return n * SINK_RATE / 1000; }
constexpr int64_t T0 = 1'000'000'000'000;
constexpr int64_t ARRIVAL_LAG = 3'000'000;  // ns from a block's first frame to its arrival

std::vector<float> noise(unsigned seed, size_t frames, float level)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-level, level);
    std::vector<float> x(frames);
    for (float& v : x)
        v = uniform(random);
    return x;
}

Piece piece(const std::string& name, unsigned seed, double seconds)
{
    Piece p{.name = name, .render = noise(seed, size_t(seconds * SINK_RATE), 0.2f), .length = 0};
    p.length = p.render.size();
    return p;
}

// The wall-clock time at which a frame is rendered.
int64_t time_of(size_t frame) { return T0 + int64_t(frame) * 1'000'000'000 / SINK_RATE; }

struct Sink {
    Recording recording;

    void silence(size_t frames) { recording.mono.resize(recording.mono.size() + frames); }
    // Appends frames [from, to) of the piece.
    void play(const Piece& p, size_t from, size_t to, float gain = 1)
    {
        for (size_t f = from; f < to; ++f)
            recording.mono.push_back(gain * p.render[f]);
    }
    void mix(const std::vector<float>& sound, size_t at, float gain)
    {
        for (size_t i = 0; i < sound.size() && at + i < recording.mono.size(); ++i)
            recording.mono[at + i] += gain * sound[i];
    }
    const Recording& done()
    {
        for (size_t f = 0; f < recording.mono.size(); f += 256)
            recording.arrivals.emplace_back(f, time_of(f) + ARRIVAL_LAG);
        return recording;
    }
};

Event change_to(const std::string& name, size_t frame) { return {time_of(frame), name, ""}; }

}  // namespace

TEST(SinkReport, TimesEachRestartAndTellsACutEndFromASkipInside)
{
    const std::vector<Piece> pieces = {piece("a.mid", 1, 3.0), piece("b.mid", 2, 2.5)};
    const Piece &a = pieces[0], &b = pieces[1];
    const size_t L = a.length;
    Sink sink;
    std::vector<size_t> starts;
    auto pass_starts = [&] { starts.push_back(sink.recording.mono.size()); };
    sink.silence(ms(500) + 3);                                   // at an odd frame
    pass_starts(), sink.play(a, 0, L - ms(300));                 // its last 300 ms cut
    pass_starts(), sink.play(a, 0, L / 2), sink.play(a, L / 2 + ms(50), L);  // 50 ms skipped inside
    sink.silence(ms(200));                                       // then a gap
    pass_starts(), sink.play(a, 0, L);
    pass_starts(), sink.play(b, 0, b.length);
    pass_starts(), sink.play(a, 0, L);                            // a again, but after b
    sink.silence(2 * SINK_RATE);
    const SinkReport report = judge_sink(sink.done(), pieces, {}, {});

    ASSERT_EQ(report.passes.size(), starts.size());
    for (size_t i = 0; i < starts.size(); ++i) {
        EXPECT_EQ(report.passes[i].start.frame, starts[i]) << "pass " << i;
        EXPECT_EQ(report.passes[i].piece, i == 3 ? &b : &a) << "pass " << i;
    }

    ASSERT_TRUE(report.passes[0].next && report.passes[0].end);
    EXPECT_NEAR(report.passes[0].restart_ms(), -300, 0.1);
    EXPECT_LT(report.passes[0].end->in_place, PIECE_MATCH);

    ASSERT_TRUE(report.passes[1].next && report.passes[1].end);
    EXPECT_NEAR(report.passes[1].restart_ms(), -50 + 200, 0.1);
    EXPECT_LT(report.passes[1].end->in_place, 0.2);
    EXPECT_GT(report.passes[1].end->best.correlation, 0.99);
    EXPECT_NEAR(report.passes[1].end->best.ms(), -50, 0.1);
    ASSERT_EQ(report.passes[1].drift.size(), 2u);
    EXPECT_EQ(report.passes[1].drift[0].ms, 0);
    EXPECT_EQ(report.passes[1].drift[1].into, ms(2000)) << "the first sampled wholly after the skip";
    EXPECT_NEAR(report.passes[1].drift[1].ms, -50, 0.1);

    EXPECT_FALSE(report.passes[2].next) << "b came between";
    EXPECT_FALSE(report.passes[4].next) << "the recording ends";
}

TEST(SinkReport, APieceThatRepeatsItsOpeningIsGoingOnThereNotStartingAgain)
{
    // The opening's first 1.5 s come back at 2 s, as a looped phrase would.
    std::vector<Piece> pieces = {piece("loop.mid", 4, 4.0)};
    Piece& loop = pieces[0];
    std::copy_n(loop.render.begin(), ms(1500), loop.render.begin() + long(ms(2000)));
    const size_t L = loop.length;
    Sink sink;
    sink.silence(ms(300));
    sink.play(loop, 0, ms(1700)), sink.play(loop, ms(1720), L);  // 20 ms lost before the phrase comes back
    const size_t second = sink.recording.mono.size();
    sink.play(loop, 0, L - ms(300));
    sink.play(loop, 0, L);
    sink.silence(SINK_RATE);
    const SinkReport report = judge_sink(sink.done(), pieces, {}, {});

    ASSERT_EQ(report.recurrences.size(), 1u);
    EXPECT_EQ(report.recurrences[0], std::vector<size_t>{ms(2000)});
    ASSERT_EQ(report.passes.size(), 3u);
    EXPECT_EQ(report.passes[1].start.frame, second);
    ASSERT_TRUE(report.passes[0].next && report.passes[1].next);
    EXPECT_NEAR(report.passes[0].restart_ms(), -20, 0.1);
    EXPECT_NEAR(report.passes[1].restart_ms(), -300, 0.1);
}

TEST(SinkReport, FindsAStartThroughAHoleOrAFewMillisecondsLostInItsHead)
{
    const std::vector<Piece> pieces = {piece("a.mid", 1, 3.0)};
    const Piece& a = pieces[0];
    Sink sink;
    sink.silence(ms(200));
    const size_t first = sink.recording.mono.size();
    sink.play(a, 0, ms(400)), sink.silence(ms(10)), sink.play(a, ms(400), a.length);  // 10 ms put in
    const size_t second = sink.recording.mono.size();
    sink.play(a, 0, ms(1100)), sink.play(a, ms(1110), a.length);  // 10 ms lost
    sink.play(a, 0, ms(370)), sink.silence(ms(10)), sink.play(a, ms(370), ms(620));
    sink.silence(ms(10)), sink.play(a, ms(620), a.length);  // holes in two sixths: not its head
    sink.silence(SINK_RATE);
    const SinkReport report = judge_sink(sink.done(), pieces, {}, {});

    ASSERT_EQ(report.passes.size(), 2u);
    EXPECT_EQ(report.passes[0].start.frame, first);
    EXPECT_EQ(report.passes[1].start.frame, second);
    EXPECT_EQ(report.passes[0].holes, (std::vector<std::pair<size_t, double>>{{first + ms(400), 10.0}}));
}

TEST(SinkReport, TimesAChangeToTheFirstFrameHeardOfItsPieceAndTellsWhatWasSkipped)
{
    const std::vector<Piece> pieces = {piece("a.mid", 1, 3.0), piece("b.mid", 2, 2.5)};
    const Piece &a = pieces[0], &b = pieces[1];
    Sink sink;
    sink.play(a, 0, a.length);
    sink.silence(ms(100));
    const size_t a_again = sink.recording.mono.size();
    sink.play(a, 0, a.length);  // 100 ms after its end, but because of a change
    sink.silence(ms(1000));
    const size_t b_heard = sink.recording.mono.size();
    sink.play(b, ms(200), b.length);  // its first 200 ms never heard
    sink.play(b, 0, b.length);        // then b repeating by itself
    sink.silence(SINK_RATE);
    const SinkReport report = judge_sink(sink.done(), pieces, {},
                                         {change_to("c.mid", 10), change_to("b.mid", b_heard - ms(20)),
                                          change_to("a.mid", a_again - ms(200))});

    ASSERT_EQ(report.passes.size(), 4u);
    EXPECT_FALSE(report.passes[0].next) << "a change came between the passes of a";
    EXPECT_EQ(report.passes[2].start.frame, b_heard - ms(200)) << "where b would have begun";
    ASSERT_TRUE(report.passes[2].next) << "b repeated by itself, although it began before its change";
    EXPECT_NEAR(report.passes[2].restart_ms(), 0, 0.1);
    // In the order of their times.
    ASSERT_EQ(report.changes.size(), 3u);
    EXPECT_FALSE(report.changes[0].ms) << "c.mid is never heard";
    ASSERT_TRUE(report.changes[1].ms && report.changes[2].ms);
    const double lag_ms = ARRIVAL_LAG / 1e6, block_ms = 256 * 1000.0 / SINK_RATE;
    EXPECT_NEAR(*report.changes[1].ms, 200 + lag_ms, block_ms);
    EXPECT_EQ(report.changes[1].skipped_ms, 0);
    EXPECT_NEAR(*report.changes[2].ms, 20 + lag_ms, block_ms);
    EXPECT_NEAR(report.changes[2].skipped_ms, 200, 10);
}

TEST(SinkReport, FindsEachKeysVoiceUnderTheMusicButNeverTheNextKeys)
{
    // Voices that begin softer than the music, which is twice as loud as
    // rendered and stalls twice: found only with the music taken out where
    // it is heard, at the level heard, even where a voice swells far louder.
    const std::vector<Piece> pieces = {piece("a.mid", 1, 10.0)};
    std::vector<float> nya = noise(7, ms(30), 0.2f), dame = noise(8, ms(60), 0.2f);
    const std::vector<float> swell = noise(9, ms(70), 0.8f);
    nya.insert(nya.end(), swell.begin(), swell.end());
    const std::vector<std::vector<float>> voices = {{nya.begin(), nya.begin() + ms(30)},
                                                    {dame.begin(), dame.begin() + ms(30)}};
    const Piece& music = pieces[0];
    Sink sink;
    sink.play(music, 0, ms(2500), 2);
    sink.silence(ms(150));  // stalls: the music is heard later from each on
    sink.play(music, ms(2500), ms(4500), 2);
    sink.silence(ms(60));
    sink.play(music, ms(4500), ms(6000), 2);  // then silence where the piece would go on
    sink.silence(ms(4000));
    // Keys at 2, 3, 3.3, 4.75 and 7 s (none in the piece's head, which the
    // swell would hide): voices 40 ms after the first, none after the
    // second, 20 ms after the third, 150 ms after the fourth and 600 ms
    // after the fifth, in the silence.
    const size_t keys[] = {ms(2000), ms(3000), ms(3300), ms(4750), ms(7000)};
    const double want_ms[] = {40, 0, 20, 150, 600};
    for (size_t i : {0, 2, 3, 4})
        sink.mix(i == 2 ? dame : nya, keys[i] + ms(size_t(want_ms[i])), 1);
    std::vector<Event> events;
    for (size_t k : keys)
        events.push_back({time_of(k), "", ""});
    const SinkReport report = judge_sink(sink.done(), pieces, voices, events);

    ASSERT_EQ(report.keys.size(), 5u);
    const double block_ms = 256 * 1000.0 / SINK_RATE, lag_ms = ARRIVAL_LAG / 1e6;
    for (size_t i : {0, 2, 3, 4}) {
        ASSERT_TRUE(report.keys[i].ms) << "key " << i << ", best correlation " << report.keys[i].voice.score;
        EXPECT_NEAR(*report.keys[i].ms, want_ms[i] + lag_ms, block_ms) << "key " << i;
    }
    EXPECT_FALSE(report.keys[1].ms) << "the third key's voice is not the second's";
    ASSERT_EQ(report.passes.size(), 1u);
    ASSERT_FALSE(report.passes[0].drift.empty());
    EXPECT_NEAR(report.passes[0].drift.back().ms, 150 + 60, 0.1);
    using Hole = std::pair<size_t, double>;
    EXPECT_EQ(report.passes[0].holes, (std::vector<Hole>{{ms(2500), 150.0}, {ms(4650), 60.0}}));
}

TEST(SinkRecording, AGapIsFramesLostForGoodNotABlockLate)
{
    Sink sink;
    sink.silence(ms(3000));
    Recording recording = sink.done();
    for (auto& [frame, at] : recording.arrivals) {
        if (frame >= ms(2000))
            at += 100'000'000;  // 100 ms of frames lost before 2 s
        else if (frame == 256 * 100)
            at += 30'000'000;  // a block handed over late
    }
    const auto gaps = recording.gaps();
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_EQ(gaps[0].first, (ms(2000) + 255) / 256 * 256);
    EXPECT_NEAR(gaps[0].second, 100, 0.1);
}

TEST(SinkReport, TheFftCurveAgreesWithTheDirectSum)
{
    std::vector<float> x = noise(3, 20000, 0.3f);
    std::fill(x.begin() + 9000, x.begin() + 12000, 0.0f);  // silence: 0, not noise
    const std::vector<float> t(x.begin() + 5000, x.begin() + 6000);
    const std::vector<double> r = correlation_curve(x, t);
    ASSERT_EQ(r.size(), x.size() - t.size() + 1);
    for (size_t s : {0u, 4999u, 5000u, 5001u, 9500u, 19000u})
        EXPECT_NEAR(r[s], correlation_at(x, s, t), 1e-9) << "at " << s;
    EXPECT_NEAR(r[5000], 1.0, 1e-9);
    EXPECT_EQ(r[10000], 0.0);
}
