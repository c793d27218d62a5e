// What the game's stream on the sound server holds, and what to write into
// it next. It knows nothing of the server: PulseOutput asks it and carries
// out the answers, so these decisions are tested without one.
//
// Frames are named by their index in the stream. When the server asks for
// more, new sound is appended: fresh music, kept here without the effects,
// with the effects mixed over it. When a sound starts, the output asks the
// server where the listener is, and the frames from just ahead of the
// listener to the write index are written again: a new effect from its
// first frame over the kept music; after a silence (the stream was corked,
// so what is queued is silence) fresh music too.
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
    // wait behind the buffer, a piece that follows another does.
    static constexpr std::chrono::milliseconds TARGET{500};
    static constexpr std::chrono::milliseconds MINREQ{200};
    // How far ahead of the listener a sound is written again: the time for
    // the server to answer where the listener is and to take the new sound.
    static constexpr std::chrono::milliseconds EFFECT_LEAD{10};

    // What begins: music after a silence, a new effect, or other music
    // (a piece stopped, or another one played) while the stream plays.
    enum class Start { music, effect, music_change };
    enum class Music { fresh, kept };

    // Frames to be written again, from next to end.
    struct Rewrite {
        Frames next, end;
        Music music = Music::kept;
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
    // A sound starts on a ready stream; the next rewrite is for it. True
    // when the stream was corked and is to be uncorked.
    bool sound_starts(Start start);
    // A sound starts while no stream is ready, or the server went away
    // while a piece may be under way: the next stream plays at once.
    void play_when_ready();

    // The server has told where the listener is (nullopt: it could not):
    // the frames to write again for the sounds started since the last
    // answer, none when nothing queued lies ahead of the listener. A new
    // effect is taken back to its start.
    Rewrite rewrite_from(std::optional<Frames> listener);
    // The rewrite's next frames into `out`, as many as fit; moves it on.
    // Returns the part of `out` filled.
    std::span<float> render_again(Rewrite& rewrite, std::span<float> out);

private:
    // The most frames mixed in one go, and the music kept for writing
    // again: a power of two over TARGET and CHUNK together, so that the
    // whole queue can be written again.
    static constexpr int CHUNK = 2048;
    static constexpr int HISTORY = 32768;

    // Mixes `frames` (at most CHUNK) from index `at` into left_ and right_,
    // and interleaves them into out; true when anything sounded.
    bool render(Frames at, int frames, Music music, float* out);

    StreamFormat format_;
    SoundSource& source_;

    Frames written_;  // the stream's write index
    Frames silent_;   // appended in a row with nothing sounding
    bool corked_ = true;
    // What the next answer about the listener is for.
    struct Pending {
        bool fresh_music = false;     // the queue holds only silence
        bool restart_effect = false;  // a new effect has started
    } pending_;

    std::vector<float> history_;  // kept music, interleaved, a ring by frame index
    std::vector<float> left_, right_;
};
