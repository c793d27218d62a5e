// Plays one MIDI piece on the synthesiser and knows when it has ended.
//
// The game's thread opens, plays and stops; the audio thread calls render.
// The piece's end is counted in rendered frames against the length read
// from the file, so "stopped" holds from the first buffer past the last
// event on (the synthesiser's own player would say so only seconds later).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "music/synth.h"

class MidiSequencer {
public:
    explicit MidiSequencer(Synth& synth);
    ~MidiSequencer();
    MidiSequencer(const MidiSequencer&) = delete;
    MidiSequencer& operator=(const MidiSequencer&) = delete;

    // Reads the piece, replacing any other, and leaves it stopped. False
    // when the file cannot be read, is no MIDI file, or no SoundFont loads.
    bool open(const std::string& path);
    // Stops and forgets the piece.
    void close();
    // False when the synthesiser refuses the piece.
    bool play_from_start();
    // Silences the music at once.
    void stop();
    // True from a play until the piece has played to its end or is stopped.
    bool playing();

    // Adds the music's next frames to both channels. Audio thread.
    void render(float* left, float* right, int frames);
    // Counts frames played without making their sound. Audio thread.
    void pass_time(int frames);
    // For an output with no device: from now on pieces are only timed, and
    // neither the synthesiser nor a SoundFont takes any memory. Call it
    // before the first open.
    void go_silent();

private:
    void drop_player();  // with mutex_ held

    Synth& synth_;
    std::vector<uint8_t> piece_;  // the file's bytes; game thread only
    int64_t length_frames_ = 0;   // game thread only

    bool silent_ = false;

    std::mutex mutex_;  // guards what the audio thread touches
    fluid_player_t* player_ = nullptr;  // none while silent
    bool started_ = false;              // a play is under way
    int64_t frames_played_ = 0;
};
