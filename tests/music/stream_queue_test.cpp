// The sound output's decisions without a server: each move of the stream's
// state, what is written again when the game changes the sound, and when
// the stream is corked.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "music/stream_queue.h"

void PrintTo(Frames frames, std::ostream* out) { *out << frames.count << " frames"; }

namespace {

constexpr StreamFormat FORMAT{44100};
using Change = StreamQueue::Change;
using Ask = StreamQueue::Ask;
using State = StreamQueue::State;

// Every sample tells where it came from: music frame m adds 1 + m to the
// left channel, effect frame e adds 1 + e to the right one. The music is
// one pass of pass_length frames (for ever, unless set).
struct TaggedSource : SoundSource {
    bool music_on = false;
    int64_t music_made = 0, pass_length = INT64_MAX;
    int64_t effect_length = 0, effect_next = 0;
    int restarts = 0;

    Music mix_music(float* left, float*, int frames) override
    {
        Music music;
        for (int i = 0; music_on && i < frames; ++i) {
            left[i] += float(1 + music_made++);
            music.sounded = true;
            if (music_made == pass_length) {
                music.pass_ended_at = i + 1;
                music_on = false;
            }
        }
        return music;
    }
    void play_pass()
    {
        music_on = true;
        music_made = 0;
    }
    bool mix_effects(float*, float* right, int frames) override
    {
        bool sounded = effect_next < effect_length;
        for (int i = 0; i < frames && effect_next < effect_length; ++i)
            right[i] += float(1 + effect_next++);
        return sounded;
    }
    void restart_effect() override
    {
        effect_next = 0;
        ++restarts;
    }
    void restart_music() override
    {
        if (music_on)
            music_made = 0;
    }
    void pass_time(int) override {}
};

struct OutputQueueTest : ::testing::Test {
    TaggedSource source;
    StreamQueue queue{FORMAT, source};

    void SetUp() override
    {
        queue.new_stream();
        ASSERT_EQ(queue.state(), State::corked) << "a new stream starts corked";
        ASSERT_EQ(queue.change(Change::pass_starts), Ask::uncork_and_listener);
        ASSERT_EQ(queue.answer(Frames{}).left(), Frames{}) << "nothing is queued yet";
        ASSERT_EQ(queue.state(), State::playing);
    }
    // Requests in blocks of an odd size, as the server's shared memory may
    // cut them; true when one of them corks the stream.
    bool append(int64_t frames)
    {
        bool cork = false;
        for (int64_t left = frames; left > 0;) {
            std::vector<float> block(2 * std::min<int64_t>(left, 3001));
            cork = queue.request(block) || cork;
            left -= int64_t(block.size() / 2);
        }
        return cork;
    }
    std::vector<float> render_all(StreamQueue::Rewrite rewrite)
    {
        std::vector<float> out;
        while (rewrite.left() > Frames{}) {
            std::vector<float> block(2 * 3001);
            std::span<float> filled = queue.render_again(rewrite, block);
            out.insert(out.end(), filled.begin(), filled.end());
        }
        return out;
    }
};

TEST_F(OutputQueueTest, ANewEffectIsWrittenFromJustAheadOfTheListenerOverTheKeptMusic)
{
    source.music_on = true;
    append(FORMAT.frames_in(StreamQueue::TARGET).count);
    source.effect_length = 100000;  // plays past the queue's end
    EXPECT_EQ(queue.change(Change::effect_starts), Ask::listener) << "the stream already plays";
    EXPECT_EQ(queue.state(), State::awaiting);

    Frames listener = queue.written() - FORMAT.frames_in(StreamQueue::MINREQ);
    StreamQueue::Rewrite rewrite = queue.answer(listener);
    EXPECT_EQ(queue.state(), State::playing);
    EXPECT_EQ(rewrite.next, listener + FORMAT.frames_in(StreamQueue::LEAD));
    EXPECT_EQ(rewrite.end, queue.written());
    EXPECT_EQ(source.restarts, 1);
    int64_t music_made = source.music_made;
    std::vector<float> out = render_all(rewrite);
    ASSERT_EQ(Frames{int64_t(out.size() / 2)}, queue.written() - rewrite.next);
    for (size_t k = 0; k < out.size() / 2; ++k) {
        ASSERT_EQ(out[2 * k], float(1 + rewrite.next.count + k)) << "kept music at " << k;
        ASSERT_EQ(out[2 * k + 1], float(1 + k)) << "the effect from its start at " << k;
    }
    EXPECT_EQ(source.music_made, music_made) << "no new music for a rewrite";

    // A listener past the queue leaves nothing to write again; an answer
    // nobody awaits writes nothing either.
    queue.change(Change::effect_starts);
    EXPECT_EQ(queue.answer(queue.written()).left(), Frames{});
    EXPECT_EQ(queue.answer(Frames{}).left(), Frames{});
    EXPECT_EQ(source.restarts, 1);

    // Long after, the whole queue can still be written again, and the kept
    // music is that of the frames written.
    append(100000);
    queue.change(Change::effect_starts);
    rewrite = queue.answer(Frames{});
    EXPECT_GE(rewrite.left(), FORMAT.frames_in(StreamQueue::TARGET));
    Frames from = rewrite.next;
    out = render_all(rewrite);
    for (size_t k = 0; k < out.size() / 2; ++k)
        ASSERT_EQ(out[2 * k], float(1 + from.count + k)) << "kept music at " << k;
}

TEST_F(OutputQueueTest, AfterASilenceTheQueueIsWrittenAgainWithFreshMusic)
{
    ASSERT_TRUE(append(FORMAT.frames_in(StreamQueue::TARGET).count));
    ASSERT_EQ(queue.state(), State::corked);

    source.music_on = true;  // a piece starts
    EXPECT_EQ(queue.change(Change::pass_starts), Ask::uncork_and_listener);
    Frames listener = queue.written() - FORMAT.frames_in(StreamQueue::MINREQ);
    StreamQueue::Rewrite rewrite = queue.answer(listener);
    Frames from = rewrite.next;
    EXPECT_EQ(from, listener + FORMAT.frames_in(StreamQueue::LEAD));
    std::vector<float> out = render_all(rewrite);
    ASSERT_FALSE(out.empty());
    for (size_t k = 0; k < out.size() / 2; ++k) {
        ASSERT_EQ(out[2 * k], float(1 + k)) << "the piece from its start at " << k;
        ASSERT_EQ(out[2 * k + 1], 0.0f);
    }

    // The fresh music is kept: an effect now goes over it, not the silence.
    source.effect_length = 10;
    queue.change(Change::effect_starts);
    out = render_all(queue.answer(listener));
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], 1.0f);
    EXPECT_EQ(source.music_made, (queue.written() - from).count) << "the kept music is not made again";
}

TEST_F(OutputQueueTest, AStopIsWrittenFromJustAheadOfTheListenerAndKeepsTheEffect)
{
    source.music_on = true;
    source.effect_length = 100000;  // plays past the queue's end
    append(FORMAT.frames_in(StreamQueue::TARGET).count);
    const std::vector<float> queued = render_all({queue.written() - Frames{3000}, queue.written()});

    // The piece stops: what is queued of it is made again (as silence),
    // while the effect under way stays as it was written.
    source.music_on = false;
    EXPECT_EQ(queue.change(Change::music_stops), Ask::listener);
    Frames listener = queue.written() - FORMAT.frames_in(StreamQueue::MINREQ);
    StreamQueue::Rewrite rewrite = queue.answer(listener);
    EXPECT_EQ(rewrite.next, listener + FORMAT.frames_in(StreamQueue::LEAD));
    EXPECT_EQ(rewrite.music, StreamQueue::Take::fresh);
    EXPECT_EQ(rewrite.effects, StreamQueue::Take::kept);
    Frames from = rewrite.next;
    std::vector<float> out = render_all(rewrite);
    ASSERT_EQ(Frames{int64_t(out.size() / 2)}, queue.written() - from);
    size_t tail = out.size() - queued.size();
    for (size_t k = 0; k < out.size() / 2; ++k)
        ASSERT_EQ(out[2 * k], 0.0f) << "no music after the stop, at " << k;
    for (size_t k = 0; k < queued.size() / 2; ++k)
        ASSERT_EQ(out[tail + 2 * k + 1], queued[2 * k + 1]) << "the effect as it was, at " << k;
    EXPECT_EQ(source.restarts, 0);
}

TEST_F(OutputQueueTest, APassPlayedAgainFollowsTheEndOfTheLastOne)
{
    // A pass that ends 300 ms into the queue, the listener 100 ms in.
    const Frames end_at = FORMAT.frames_in(std::chrono::milliseconds(300));
    source.pass_length = end_at.count;
    source.play_pass();
    append(FORMAT.frames_in(StreamQueue::TARGET).count);
    ASSERT_FALSE(source.music_on) << "the pass has ended";
    const Frames listener = FORMAT.frames_in(std::chrono::milliseconds(100));

    // The game finds it stopped and plays it again; the server asks for
    // more before the answer, and the new pass is made at the write index.
    source.play_pass();
    EXPECT_EQ(queue.change(Change::pass_starts), Ask::listener);
    append(1000);
    StreamQueue::Rewrite rewrite = queue.answer(listener);
    EXPECT_EQ(rewrite.next, end_at) << "written from the end, not from the listener";
    EXPECT_EQ(rewrite.end, queue.written());
    std::vector<float> out = render_all(rewrite);
    for (size_t k = 0; k < out.size() / 2; ++k)
        ASSERT_EQ(out[2 * k], float(1 + k)) << "the new pass from its start, at " << k;

    // Stopped and played again, the music no longer waits for that end.
    source.play_pass();
    append(FORMAT.frames_in(StreamQueue::MINREQ).count);
    queue.change(Change::music_stops);
    queue.change(Change::pass_starts);
    Frames later = queue.written() - FORMAT.frames_in(StreamQueue::MINREQ);
    EXPECT_EQ(queue.answer(later).next, later + FORMAT.frames_in(StreamQueue::LEAD));
}

// The game stops a piece and plays another; the stop is answered at once,
// and the server asks for more between the new pass's start and the output
// hearing of it. The pass is still heard from its first frame.
TEST_F(OutputQueueTest, APassMadeBeforeTheOutputHeardOfItIsWrittenFromItsFirstFrame)
{
    source.music_on = true;
    append(FORMAT.frames_in(StreamQueue::TARGET).count);
    source.music_on = false;
    queue.change(Change::music_stops);
    render_all(queue.answer(queue.written() - FORMAT.frames_in(StreamQueue::TARGET)));

    source.play_pass();
    append(FORMAT.frames_in(StreamQueue::MINREQ).count);
    ASSERT_GT(source.music_made, 0) << "some of the pass made at the write index";
    EXPECT_EQ(queue.change(Change::pass_starts), Ask::listener);
    StreamQueue::Rewrite rewrite = queue.answer(queue.written() - FORMAT.frames_in(StreamQueue::TARGET));
    ASSERT_GT(rewrite.left(), FORMAT.frames_in(StreamQueue::MINREQ));
    std::vector<float> out = render_all(rewrite);
    for (size_t k = 0; k < out.size() / 2; ++k)
        ASSERT_EQ(out[2 * k], float(1 + k)) << "the pass from its first frame, at " << k;
}

// Music ticked on after a quiet: the stream uncorks and the server asks for
// more before it says where the listener is, or never says. What it asked
// for holds the new pass, and however long the wait nothing corks the
// stream again.
TEST_F(OutputQueueTest, WhileAnAnswerIsAwaitedTheQueueHoldsTheNewSoundAndStaysUncorked)
{
    ASSERT_TRUE(append(FORMAT.frames_in(StreamQueue::TARGET).count));
    const Frames quiet_end = queue.written();
    EXPECT_EQ(queue.change(Change::pass_starts), Ask::uncork_and_listener);
    EXPECT_FALSE(append(2 * FORMAT.frames_in(StreamQueue::TARGET).count))
        << "silence before the pass sounds corks nothing while its answer is awaited";
    EXPECT_EQ(queue.state(), State::awaiting);

    source.play_pass();
    const Frames pass_from = queue.written();
    append(FORMAT.frames_in(StreamQueue::MINREQ).count);
    queue.no_answer();
    EXPECT_EQ(queue.state(), State::playing);
    std::vector<float> out = render_all({pass_from, queue.written()});
    ASSERT_FALSE(out.empty());
    for (size_t k = 0; k < out.size() / 2; ++k)
        ASSERT_EQ(out[2 * k], float(1 + k)) << "the pass from its first frame, no hole, at " << k;
    EXPECT_GT(pass_from, quiet_end);
    // Nothing is left waiting: the music is appended again.
    int64_t made = source.music_made;
    append(100);
    EXPECT_EQ(source.music_made, made + 100);
}

TEST_F(OutputQueueTest, AWholeTargetOfSilenceCorksAPlayingStreamAndAChangeUncorksIt)
{
    Frames target = FORMAT.frames_in(StreamQueue::TARGET);
    append(target.count - 1);
    source.music_on = true;
    append(1);  // a sound just before the end starts the count again
    source.music_on = false;
    EXPECT_FALSE(append(target.count - 1));
    EXPECT_TRUE(append(1));
    EXPECT_EQ(queue.state(), State::corked);

    EXPECT_EQ(queue.change(Change::music_stops), Ask::nothing) << "only silence is queued";
    EXPECT_EQ(queue.state(), State::corked);
    EXPECT_EQ(queue.change(Change::effect_starts), Ask::uncork_and_listener);
    EXPECT_EQ(queue.change(Change::effect_starts), Ask::listener) << "uncorked once";
    queue.answer(queue.written());
    EXPECT_FALSE(append(target.count - 1)) << "the count starts again";

    // A change awaited when the server went away plays on the next stream;
    // a sound started with no stream makes the next one play at once.
    queue.change(Change::effect_starts);
    queue.new_stream();
    EXPECT_EQ(queue.state(), State::playing);
    EXPECT_TRUE(append(target.count));
    queue.new_stream();
    queue.play_when_ready();
    EXPECT_EQ(queue.state(), State::playing);
}

}  // namespace
