// Plays one MIDI piece on the synthesiser and knows when it has ended.
//
// The game's thread opens, plays and stops; the audio thread calls render.
// The piece's end is counted in rendered frames against the length read
// from the file, so "stopped" holds from the first buffer past the last
// event on (the synthesiser's own player would say so only seconds later).
//
// The synthesiser may come up after the first piece is opened and played:
// until attach the piece waits at its start (no time passes before the
// output runs), and then plays from there.
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
    // when the file cannot be read or is no MIDI file.
    bool open(const std::string& path);
    // Stops and forgets the piece.
    void close();
    // False when the synthesiser refuses the piece.
    bool play_from_start();
    // Silences the music at once.
    void stop();
    // True from a play until the piece has played to its end or is stopped.
    bool playing();

    // Adds the music's next frames (at Synth::SAMPLE_RATE) to both
    // channels; false, leaving them untouched, when nothing sounds. Audio
    // thread.
    bool render(float* left, float* right, int frames);
    // Counts frames played without making their sound. Audio thread.
    void pass_time(int frames);
    // The synthesiser has started: from now on pieces sound. Until then
    // (for good when there is no device) they are only timed.
    void attach();

private:
    // Both with mutex_ held.
    bool make_player();
    void drop_player();

    Synth& synth_;

    std::mutex mutex_;  // guards everything below
    std::vector<uint8_t> piece_;            // the file's bytes
    std::vector<Synth::Preset> presets_;    // its instruments
    int64_t length_frames_ = 0;
    bool attached_ = false;                 // the synthesiser sounds
    fluid_player_t* player_ = nullptr;      // none until attached
    bool started_ = false;                  // a play is under way
    int64_t frames_played_ = 0;
};
