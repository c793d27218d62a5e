// The sound effects: one at a time, a new one cutting off the last.
//
// play runs on the game's thread and returns at once; mix and restart run
// on the mixer. Decoded files are kept by path, so a repeated sound is not
// read from disk again.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "music/thread_safety.h"
#include "music/wave_sound.h"

class WavePlayer {
public:
    explicit WavePlayer(int out_rate);

    // Starts the sound file at path; a file that cannot be played gives
    // a short blip.
    void play(const std::string& path);
    // Adds the playing sound's next frames to both channels; false when no
    // sound plays.
    bool mix(float* left, float* right, int frames) REQUIRES(the_mixer);
    // Takes the last sound started back to its start, even when it has
    // already been mixed to its end (a short sound can be, by the time
    // the output writes it again from where the listener is).
    void restart() REQUIRES(the_mixer);

private:
    std::shared_ptr<const WaveSound> sound_for(const std::string& path);

    int out_rate_;
    std::shared_ptr<const WaveSound> blip_;
    std::map<std::string, std::shared_ptr<const WaveSound>> decoded_;  // game thread only

    // The last sound started and its next frame.
    Mutex mutex_;
    std::shared_ptr<const WaveSound> playing_ GUARDED_BY(mutex_);
    std::size_t next_frame_ GUARDED_BY(mutex_) = 0;
};
