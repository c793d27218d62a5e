#include "music/midi_sequencer.h"

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "music/fluid_library.h"
#include "music/midi_file.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Plain stdio: a folder or an unreadable file is a failed read, not an
// exception.
std::optional<std::vector<uint8_t>> read_file(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t block[16384];
    while (size_t got = std::fread(block, 1, sizeof block, file.get()))
        bytes.insert(bytes.end(), block, block + got);
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

}  // namespace

MidiSequencer::~MidiSequencer()
{
    MutexLock lock(mutex_);
    drop_player();
}

bool MidiSequencer::open(const std::string& path)
{
    auto bytes = read_file(path);
    if (!bytes)
        return false;
    auto seconds = midi_file_seconds(*bytes);
    if (!seconds)
        return false;
    auto presets = midi_file_presets(*bytes);
    close();
    std::unique_ptr<Synth> old;
    std::vector<uint8_t> old_piece;
    {
        MutexLock making(making_mutex_);
        presets_ = PresetSet(presets.begin(), presets.end());
        std::unique_ptr<Synth> synth = synth_for_piece();
        // The piece is closed, so no player is bound to the old one.
        MutexLock lock(mutex_);
        old_piece = std::exchange(piece_, std::move(*bytes));
        length_frames_ = std::llround(*seconds * Synth::SAMPLE_RATE);
        if (synth)
            old = std::exchange(synth_, std::move(synth));
    }
    // Outside both locks: letting a synthesiser go frees its samples.
    old.reset();
    // A new piece comes with a new screen: what the last one freed (a
    // closed box, pictures drawn once) is given back to the system rather
    // than kept in the middle of the heap.
    malloc_trim(0);
    return true;
}

// Made for what the one in use holds and the piece's own instruments, so
// that going back to an earlier piece needs no new one; made without the
// mixer's lock, which open then takes only for the swap.
std::unique_ptr<Synth> MidiSequencer::synth_for_piece()
{
    if (!font_)
        return nullptr;
    PresetSet wanted = presets_;
    {
        MutexLock lock(mutex_);
        if (synth_) {
            const PresetSet& held = synth_->presets();
            if (std::includes(held.begin(), held.end(), wanted.begin(), wanted.end()))
                return nullptr;
            wanted.insert(held.begin(), held.end());
        }
    }
    return Synth::make(*font_, wanted);
}

void MidiSequencer::close()
{
    MutexLock lock(mutex_);
    under_way_ = false;
    drop_player();
    length_frames_ = 0;
}

bool MidiSequencer::start_pass()
{
    MutexLock lock(mutex_);
    ++passes_started_;
    under_way_ = true;
    return renew_player();
}

void MidiSequencer::restart_pass()
{
    MutexLock lock(mutex_);
    // Most often nothing of it has been made: the player from the play
    // stays, and nothing sounding is cut.
    if (under_way_ && frames_played_ > 0)
        renew_player();
}

// The game reads under_way_ without the lock: a restart leaves it as it is,
// so that no poll sees the pass stopped for the moment the player is
// changed. Only a player that cannot be made stops the pass.
bool MidiSequencer::renew_player()
{
    drop_player();
    frames_played_ = 0;
    if (synth_ && !make_player()) {
        under_way_ = false;
        return false;
    }
    return true;
}

void MidiSequencer::stop()
{
    MutexLock lock(mutex_);
    under_way_ = false;
    drop_player();
}

bool MidiSequencer::pass_playing() const { return under_way_ && frames_played_ < length_frames_; }

MidiSequencer::Rendered MidiSequencer::render(float* left, float* right, int frames)
{
    // The output gives no separate effect buffers: the reverb is mixed into
    // the same two channels.
    float* dry[2] = {left, right};
    float* effects[2] = {left, right};
    MutexLock lock(mutex_);
    if (!synth_)
        return {};
    const int64_t played = frames_played_, length = length_frames_;
    // With the pass over and no voice left there is nothing to hear: the
    // channels stay silent and the synthesiser sleeps.
    const bool pass_sounds = under_way_ && played < length;
    if (!pass_sounds && fluid()->fluid_synth_get_active_voice_count(synth_->get()) == 0)
        return {};
    fluid()->fluid_synth_process(synth_->get(), frames, 2, effects, 2, dry);
    Rendered rendered{.sounded = true, .pass_ended_at = {}};
    if (under_way_) {
        frames_played_ = played + frames;
        if (pass_sounds && played + frames >= length)
            rendered.pass_ended_at = int(length - played);
    }
    return rendered;
}

void MidiSequencer::pass_time(int frames)
{
    MutexLock lock(mutex_);
    if (under_way_)
        frames_played_ += frames;
}

void MidiSequencer::attach(const SoundFontFile& font)
{
    MutexLock making(making_mutex_);
    font_ = font;
    auto synth = Synth::make(font, presets_);
    if (!synth)
        return;  // no music: the pieces never sound
    MutexLock lock(mutex_);
    synth_ = std::move(synth);
    // A pass played before now starts as the synthesiser does.
    frames_played_ = 0;
    if (under_way_ && !make_player())
        under_way_ = false;
}

bool MidiSequencer::make_player()
{
    // A fresh player starts at the beginning whatever the last one did.
    player_ = fluid()->new_fluid_player(synth_->get());
    if (!player_)
        return false;
    if (fluid()->fluid_player_add_mem(player_, piece_.data(), piece_.size()) != FLUID_OK
        || fluid()->fluid_player_play(player_) != FLUID_OK) {
        drop_player();
        return false;
    }
    return true;
}

void MidiSequencer::drop_player()
{
    if (!player_)
        return;
    fluid()->delete_fluid_player(player_);
    player_ = nullptr;
    // Cuts every sounding note at once, with no release; only the short
    // tail of the reverb fades out.
    fluid()->fluid_synth_all_sounds_off(synth_->get(), -1);
}
