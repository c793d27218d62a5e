// Plays one MIDI piece on the synthesiser and knows when it has ended.
//
// The game's thread opens, plays and stops; the mixer renders. A play
// starts a pass: one playing of the piece from its first frame. The pass
// is under way from then until a stop or close; it plays until as many
// frames as the piece lasts (read from the file) have been rendered, so
// "stopped" holds from the first block past the last event on (the
// synthesiser's own player would say so only seconds later). The mixer
// renders ahead of the listener, so it also says where in its block a
// pass ended: the output starts the next pass from there.
//
// The synthesiser comes up after the first piece may have been opened and
// played: until attach the pass waits at its start (no time passes before
// the output runs), and then plays from there. A piece needing
// instruments the synthesiser lacks gets a new one, made beside the
// playing one and swapped in.
//
// Locks: mutex_ is the mixer's: held by it for one render, by the others
// only to swap a player, a synthesiser or the piece's bytes. making_mutex_
// is held by whoever makes a synthesiser (the game's thread, the sound-up
// thread) and guards what it is made from; the mixer never takes it. The
// game asks whether the piece plays without a lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "music/synth.h"
#include "music/thread_safety.h"

class MidiSequencer {
public:
    MidiSequencer() = default;
    ~MidiSequencer();
    MidiSequencer(const MidiSequencer&) = delete;
    MidiSequencer& operator=(const MidiSequencer&) = delete;

    // Game's thread.
    // Reads the piece, replacing any other, and leaves it stopped. False
    // when the file cannot be read or is no MIDI file.
    bool open(const std::string& path);
    // Stops and forgets the piece.
    void close();
    // Starts a new pass; false when the synthesiser refuses the piece.
    bool start_pass();
    // Ends the pass under way and silences the music at once.
    void stop();
    // These three read atomics written under mutex_, without it: the game
    // asks every frame and never waits for the mixer.
    // A pass is under way and has not played to its end.
    bool pass_playing() const NO_THREAD_SAFETY_ANALYSIS;
    // From a start until a stop or close: the pass may still sound, or be
    // queued to, after its end. A restart of the pass leaves it under way.
    bool pass_under_way() const NO_THREAD_SAFETY_ANALYSIS { return under_way_.load(); }
    int passes_started() const NO_THREAD_SAFETY_ANALYSIS { return passes_started_.load(); }

    // Sound-up thread: the synthesiser's SoundFont is found; from now on
    // pieces sound. Until then (for good when there is no device) they are
    // only timed.
    void attach(const SoundFontFile& font);

    // Mixer.
    struct Rendered {
        bool sounded = false;             // the channels were added to
        std::optional<int> pass_ended_at;  // the frame where the pass ended
    };
    // Adds the music's next frames (at Synth::SAMPLE_RATE) to both
    // channels, or leaves them untouched when nothing sounds.
    Rendered render(float* left, float* right, int frames) REQUIRES(the_mixer);
    // Counts frames played without making their sound.
    void pass_time(int frames) REQUIRES(the_mixer);
    // The pass under way from its first frame again, still the same pass;
    // nothing when none is under way or none of it has been made. The
    // player is made anew, under mutex_.
    void restart_pass() REQUIRES(the_mixer);

private:
    // A pass from its first frame, on a new player; false, and the pass
    // stopped, when the player cannot be made.
    bool renew_player() REQUIRES(mutex_);
    bool make_player() REQUIRES(mutex_);
    // Lets the player go and cuts what it sounded; whether a pass is under
    // way is left to the caller.
    void drop_player() REQUIRES(mutex_);
    // A synthesiser for the open piece when the one in use lacks its
    // instruments, else null; made without the mixer's lock.
    std::unique_ptr<Synth> synth_for_piece() REQUIRES(making_mutex_) EXCLUDES(mutex_);

    // What a synthesiser is made from.
    Mutex making_mutex_ ACQUIRED_BEFORE(mutex_);
    std::optional<SoundFontFile> font_ GUARDED_BY(making_mutex_);  // set by attach
    PresetSet presets_ GUARDED_BY(making_mutex_);                  // the open piece's instruments

    Mutex mutex_;
    std::vector<uint8_t> piece_ GUARDED_BY(mutex_);  // the open file's bytes, which a player reads
    std::unique_ptr<Synth> synth_ GUARDED_BY(mutex_);  // none until attached
    fluid_player_t* player_ GUARDED_BY(mutex_) = nullptr;
    // Written with mutex_ held; the game reads them without it.
    std::atomic<int64_t> length_frames_ GUARDED_BY(mutex_){0};
    std::atomic<int64_t> frames_played_ GUARDED_BY(mutex_){0};  // of this pass
    std::atomic<bool> under_way_ GUARDED_BY(mutex_){false};
    std::atomic<int> passes_started_ GUARDED_BY(mutex_){0};
};
