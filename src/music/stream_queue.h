// What the game's stream on the sound server holds, and what to write into
// it next. It knows nothing of the server: PulseOutput asks it and carries
// out the answers, so these decisions are tested without one.
//
// Frames are named by their index in the stream. When the server asks for
// more, new sound is appended: fresh music and fresh effects, each kept
// here apart from the other. When a sound starts, the output asks the
// server where the listener is, and the frames from just ahead of the
// listener to the write index are written again with what changed made
// anew and the rest as it was: a new effect, or a new pass of the music,
// from its first frame (however much of it was made before the output
// heard of it); the music stopped. A pass that follows the end of the
// one before (a piece played again once it ended) is written from that
// end, not from the listener, so the end is heard whole and the new pass
// right after it.
//
// Once a whole TARGET of silence has been appended, what sounded has been
// played: the stream is corked, and the next sound uncorks it.
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <vector>

#include "music/sound_source.h"
#include "music/sound_units.h"

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

    // What begins: a pass of the music, the music's stop, or a new effect.
    enum class Start { music_plays, music_stops, effect };
    // What a start asks of the output: nothing (only silence is queued and
    // the music stops), to ask where the listener is and write again from
    // there, or that after uncorking the stream.
    enum class Answer { nothing, rewrite, uncork_and_rewrite };
    // Where written frames come from: made now by the source, or as they
    // were written before; music left silent waits for a rewrite to fill it.
    enum class Take { fresh, kept, silent };

    // Frames to be written again, from next to end.
    struct Rewrite {
        Frames next, end;
        Take music = Take::kept, effects = Take::kept;
        Frames left() const { return end - next; }
    };

    StreamQueue(StreamFormat format, SoundSource& source);

    // A new stream on the server, nothing written to it yet. It starts
    // corked if corked().
    void new_stream();
    Frames written() const { return written_; }

    // The next frames at the write index into `out` (interleaved).
    void append(std::span<float> out);

    bool corked() const { return corked_; }
    // A whole TARGET of silence has been appended in a row.
    bool played_out() const;
    void cork();
    // A sound starts on a ready stream; the next rewrite is for it.
    Answer sound_starts(Start start);
    // A sound starts while no stream is ready, or the server went away
    // while a piece may be under way: the next stream plays at once.
    void play_when_ready();

    // The server has told where the listener is (nullopt: it could not):
    // the frames to write again for the sounds started since the last
    // answer, none when nothing queued lies ahead of the listener (the new
    // sound then simply follows what is queued).
    Rewrite rewrite_from(std::optional<Frames> listener);
    // The rewrite's next frames into `out`, as many as fit; moves it on.
    // Returns the part of `out` filled.
    std::span<float> render_again(Rewrite& rewrite, std::span<float> out);

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

    // Mixes `frames` (at most CHUNK) from index `at` into out, interleaved;
    // true when anything sounded.
    bool render(Frames at, int frames, Take music, Take effects, float* out);
    bool make_music(Frames at, int frames, Take take);
    bool make_effects(Frames at, int frames, Take take);

    StreamFormat format_;
    SoundSource& source_;

    Frames written_;  // the stream's write index
    Frames silent_;   // appended in a row with nothing sounding
    bool corked_ = true;
    // What the next answer about the listener is for.
    struct Pending {
        bool music_plays = false, music_stops = false;
        bool after_silence = false;  // the stream was corked: only silence is queued
        bool restart_effect = false;
        bool fresh_music() const { return music_plays || music_stops || after_silence; }
    } pending_;
    std::optional<Frames> pass_end_;  // where the music's last pass ended

    Part music_, effects_;
};
