#include "music/audio_output.h"

#include "music/alsa_probe.h"
#include "music/fluid_library.h"
#include "music/pulse_library.h"

namespace {

// The card's buffer, when there is no sound server: two periods of about
// 23 ms.
constexpr int ALSA_PERIOD = 1024;
constexpr int ALSA_PERIODS = 2;

}  // namespace

AudioOutput::AudioOutput(int sample_rate, SoundSource& source, StartFunction start_device)
    : sample_rate_(sample_rate), source_(source), start_device_(std::move(start_device)),
      silent_time_(StreamFormat{sample_rate}, source)
{
}

void AudioOutput::start()
{
    if (!sound_up_.joinable())
        sound_up_ = std::thread([this] { choose(); });
}

AudioOutput::~AudioOutput()
{
    if (sound_up_.joinable())
        sound_up_.join();
    pulse_.reset();
    if (alsa_)
        fluid()->delete_fluid_audio_driver(alsa_);
    if (alsa_settings_)
        fluid()->delete_fluid_settings(alsa_settings_);
}

// Every call of the game's thread goes through here, so what it tells the
// output follows, in its own order, what it told the output on learning of
// the choice.
AudioOutput::Driver AudioOutput::chosen_for_game()
{
    const Driver chosen = driver_.load();
    if (chosen == game_knows_)
        return chosen;
    game_knows_ = chosen;
    if (chosen == Driver::pulseaudio) {
        // A piece may have been played before the output was chosen; if
        // none was, the stream finds only silence and corks itself again.
        pulse_->pass_starts();
    } else if (chosen == Driver::none) {
        ActingAsMixer mixer;  // the game's thread: no other makes the sound
        silent_time_.begin(SilentTime::Clock::now());
    }
    return chosen;
}

void AudioOutput::pass_starts()
{
    if (chosen_for_game() == Driver::pulseaudio)
        pulse_->pass_starts();
}

void AudioOutput::music_stops()
{
    if (chosen_for_game() == Driver::pulseaudio)
        pulse_->music_stops();
}

void AudioOutput::effect_starts()
{
    if (chosen_for_game() == Driver::pulseaudio)
        pulse_->effect_starts();
}

int AudioOutput::underflows() { return driver_.load() == Driver::pulseaudio ? pulse_->underflows() : 0; }

const char* AudioOutput::driver()
{
    start();
    driver_.wait(Driver::choosing);
    switch (driver_.load()) {
    case Driver::pulseaudio:
        return "pulseaudio";
    case Driver::alsa:
        return "alsa";
    default:
        return "none";
    }
}

// The sound server first (it shares the card with other programs), then the
// card itself, else silence.
void AudioOutput::choose()
{
    Driver chosen = Driver::none;
    auto server = pulse() ? std::make_unique<PulseOutput>(sample_rate_, source_, *pulse()) : nullptr;
    if (server && server->connect()) {
        start_device_();
        pulse_ = std::move(server);
        chosen = Driver::pulseaudio;
    } else {
        server.reset();
        if (open_alsa()) {
            start_device_();
            chosen = Driver::alsa;
        }
    }
    driver_.store(chosen);
    driver_.notify_all();
}

// The synthesiser's library plays on the card, but it is opened only once
// ALSA itself finds a device to open.
bool AudioOutput::open_alsa()
{
    if (!alsa_finds_card())
        return false;
    const FluidLibrary* f = fluid();
    if (!f || !(alsa_settings_ = f->new_fluid_settings()))
        return false;
    f->fluid_settings_setstr(alsa_settings_, "audio.driver", "alsa");
    f->fluid_settings_setnum(alsa_settings_, "synth.sample-rate", sample_rate_);
    f->fluid_settings_setint(alsa_settings_, "audio.period-size", ALSA_PERIOD);
    f->fluid_settings_setint(alsa_settings_, "audio.periods", ALSA_PERIODS);
    alsa_ = f->new_fluid_audio_driver2(alsa_settings_, device_callback, this);
    return alsa_ != nullptr;
}

int AudioOutput::device_callback(void* data, int len, int, float*[], int nout, float* out[])
{
    if (nout < 2)
        return FLUID_FAILED;
    ActingAsMixer mixer;  // FluidSynth's ALSA thread
    // The buffers come zeroed; only the first pair is ours to fill.
    SoundSource& source = static_cast<AudioOutput*>(data)->source_;
    source.mix_music(out[0], out[1], len);
    source.mix_effects(out[0], out[1], len);
    return FLUID_OK;
}

void AudioOutput::count_silent_time()
{
    if (chosen_for_game() != Driver::none)
        return;
    ActingAsMixer mixer;  // the game's thread: no other makes the sound
    silent_time_.count(SilentTime::Clock::now());
}
