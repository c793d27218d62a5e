#include "music/wave_player.h"

#include <malloc.h>

#include <algorithm>

WavePlayer::WavePlayer(int out_rate)
    : out_rate_(out_rate), blip_(std::make_shared<const WaveSound>(make_blip(out_rate)))
{
}

void WavePlayer::play(const std::string& path)
{
    auto sound = sound_for(path);
    MutexLock lock(mutex_);
    playing_ = std::move(sound);
    next_frame_ = 0;
}

bool WavePlayer::mix(float* left, float* right, int frames)
{
    MutexLock lock(mutex_);
    if (!playing_ || next_frame_ == playing_->frames())
        return false;
    std::size_t count = std::min<std::size_t>(frames, playing_->frames() - next_frame_);
    for (std::size_t i = 0; i < count; ++i) {
        left[i] += playing_->left(next_frame_ + i);
        right[i] += playing_->right(next_frame_ + i);
    }
    next_frame_ += count;
    return true;
}

void WavePlayer::restart()
{
    MutexLock lock(mutex_);
    next_frame_ = 0;
}

std::shared_ptr<const WaveSound> WavePlayer::sound_for(const std::string& path)
{
    if (auto known = decoded_.find(path); known != decoded_.end())
        return known->second;
    auto sound = decode_wave(path, out_rate_);
    if (!sound)
        return blip_;  // not remembered: the file may turn up later
    auto kept = decoded_[path] = std::make_shared<const WaveSound>(std::move(*sound));
    // Decoding leaves freed blocks behind (the reader's buffers, the sound
    // before its rate was changed); once per file, they are given back.
    malloc_trim(0);
    return kept;
}
