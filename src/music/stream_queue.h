// What the game's stream on the sound server holds, and what to write into
// it next. It knows nothing of the server: PulseOutput tells it each event
// and carries out the answers, so these decisions are tested without one.
//
// The stream is in one of three states, with one function for each event:
//
//   corked   --change--> awaiting (uncork, and ask where the listener is)
//   playing  --change--> awaiting (ask where the listener is)
//   awaiting --change--> awaiting (ask again: only the last answer counts)
//   awaiting --answer, or no_answer--> playing
//   playing  --request, once a whole TARGET of silence is queued--> corked
//
// Frames are named by their index in the stream. At a request (the server
// asks for more) fresh music and fresh effects are appended, in every
// state, each kept here apart from the other: whatever the answer, what is
// queued already holds every sound started. Only a playing stream counts
// silence and corks: a change awaiting its answer is never corked away.
//
// At the answer the frames from just ahead of the listener to the write
// index are written again (the rewrite), with what changed made anew and
// the rest as it was: a new effect, or a new pass of the music, from its
// first frame (however much of it was made before the output heard of
// it); the music stopped. A pass that follows the end of the one before
// (a piece played again once it ended) is written from that end, not from
// the listener, so the end is heard whole and the new pass right after
// it. Without an answer nothing is written again: the new sounds follow
// what is queued.
//
// Whoever holds the stream owns its queue; only the mixer makes sound with
// it (a request, an answer, a rewrite).
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <vector>

#include "music/sound_source.h"
#include "music/sound_units.h"
#include "music/thread_safety.h"

class StreamQueue {
public:
    // The stream's whole buffer and the step in which the server asks for
    // more. The latency asked for is the whole way to the speakers: the
    // server keeps (TARGET - 2 MINREQ) / 2 of it in its sink, 50 ms. Each
    // request wakes the game twice (the request, and later the server
    // letting its block of shared memory go), so 200 ms keeps a playing
    // stream at about ten wake-ups a second; a sound that starts does not
    // wait behind the buffer.
    static constexpr std::chrono::milliseconds TARGET{500};
    static constexpr std::chrono::milliseconds MINREQ{200};
    // How far ahead of the listener a sound is written again: the time for
    // the server to answer where the listener is and to take the new sound.
    static constexpr std::chrono::milliseconds LEAD{10};

    enum class State { corked, playing, awaiting };
    // What the game changed: a pass of the music starts, the music stops,
    // an effect starts.
    enum class Change { pass_starts, music_stops, effect_starts };
    // What a change asks of the output.
    enum class Ask { nothing, listener, uncork_and_listener };
    // Where rewritten frames come from: made now by the source, or as they
    // were written before.
    enum class Take { fresh, kept };

    // Frames to be written again, from next to end.
    struct Rewrite {
        Frames next, end;
        Take music = Take::kept, effects = Take::kept;
        Frames left() const { return end - next; }
    };

    StreamQueue(StreamFormat format, SoundSource& source);

    State state() const { return state_; }
    Frames written() const { return written_; }

    // A new stream on the server, nothing written to it yet: it starts
    // corked unless a sound is under way. A change awaiting its answer on
    // the last stream is simply played on this one.
    void new_stream();
    // A sound starts while no stream is ready (or the server went away
    // while a piece may be under way): the next stream plays at once.
    void play_when_ready();

    // The events.
    // The server asks for more: the next frames at the write index into
    // `out` (interleaved). True when the stream is to be corked now.
    bool request(std::span<float> out) REQUIRES(the_mixer);
    Ask change(Change change);
    // The server has told where the listener is: the frames to write again
    // for the changes since the last answer, none when nothing queued lies
    // ahead of the listener (the new sound then simply follows what is
    // queued).
    Rewrite answer(Frames listener) REQUIRES(the_mixer);
    // The server could not tell.
    void no_answer();

    // The rewrite's next frames into `out`, as many as fit; moves it on.
    // Returns the part of `out` filled.
    std::span<float> render_again(Rewrite& rewrite, std::span<float> out) REQUIRES(the_mixer);

private:
    // The most frames mixed in one go, and the frames kept for writing
    // again: a power of two over TARGET and CHUNK together, so that the
    // whole queue can be written again.
    static constexpr int CHUNK = 2048;
    static constexpr int HISTORY = 32768;

    // The music or the effects: CHUNK frames being mixed, and a ring of the
    // last HISTORY frames written, interleaved, by frame index.
    struct Part {
        std::vector<float> left, right, kept;
        Part();
        void clear(int frames);
        void keep(Frames at, int frames);
        void take_kept(Frames at, int frames);
    };

    // What the awaited answer is for.
    struct Awaited {
        bool pass_starts = false, music_stops = false;
        bool after_silence = false;  // the stream was corked: only silence was queued
        bool effect_starts = false;
        bool fresh_music() const { return pass_starts || music_stops || after_silence; }
    };

    void play();
    // Mixes `frames` (at most CHUNK) from index `at` into out, interleaved;
    // true when anything sounded.
    bool render(Frames at, int frames, Take music, Take effects, float* out) REQUIRES(the_mixer);
    bool make_music(Frames at, int frames, Take take) REQUIRES(the_mixer);
    bool make_effects(Frames at, int frames, Take take) REQUIRES(the_mixer);

    StreamFormat format_;
    SoundSource& source_;

    State state_ = State::corked;
    Awaited awaited_;  // while awaiting
    Frames written_;   // the stream's write index
    Frames silent_;    // while playing: appended in a row with nothing sounding
    std::optional<Frames> pass_end_;  // where the music's last pass ended

    Part music_, effects_;
};
