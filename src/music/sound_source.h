// What the audio output asks of the game's sound. Every call comes from
// the mixer: the one thread that makes the sound for the output in use
// (see the table of owners in HACKING.md, Sound), as the compiler checks.
#pragma once

#include <optional>

#include "music/thread_safety.h"

class SoundSource {
public:
    // What mix_music added.
    struct Music {
        bool sounded = false;
        // The frame of the block at which a pass of the piece reached its
        // end: a pass played again follows on from there.
        std::optional<int> pass_ended_at;
    };
    // Each adds `frames` frames to the two channels, which come zeroed or
    // holding what came before.
    virtual Music mix_music(float* left, float* right, int frames) REQUIRES(the_mixer) = 0;
    // False when it added nothing.
    virtual bool mix_effects(float* left, float* right, int frames) REQUIRES(the_mixer) = 0;
    // Takes the sound effect now playing back to its first frame, for an
    // output that writes it again from where the listener is.
    virtual void restart_effect() REQUIRES(the_mixer) = 0;
    // Takes the pass of the music under way back to its first frame, for
    // the same output: the game starts a pass a moment before the output
    // hears of it, and the mixer may have made some of it in between.
    virtual void restart_music() REQUIRES(the_mixer) = 0;
    // Lets `frames` frames of time pass without sound (no device, or the
    // sound server is away).
    virtual void pass_time(int frames) REQUIRES(the_mixer) = 0;

protected:
    ~SoundSource() = default;
};
