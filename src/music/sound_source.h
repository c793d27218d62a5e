// What the audio output asks of the game's sound, on its own thread.
#pragma once

class SoundSource {
public:
    // Each adds `frames` frames to the two channels, which come zeroed or
    // holding what came before; false when it added nothing.
    virtual bool mix_music(float* left, float* right, int frames) = 0;
    virtual bool mix_effects(float* left, float* right, int frames) = 0;
    // Takes the sound effect now playing back to its first frame, for an
    // output that writes it again from where the listener is.
    virtual void restart_effect() = 0;
    // Lets `frames` frames of time pass without sound (no device, or the
    // sound server is away).
    virtual void pass_time(int frames) = 0;

protected:
    ~SoundSource() = default;
};
