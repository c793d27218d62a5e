#include "music/alsa_probe.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>

namespace {

void ignore_alsa_message(const char*, int, const char*, int, const char*, ...) {}

struct Alsa {
    decltype(&snd_lib_error_set_handler) set_error_handler;
    decltype(&snd_pcm_open) pcm_open;
    decltype(&snd_pcm_close) pcm_close;
    decltype(&snd_config_update_free_global) free_configuration;
};

template <typename F>
bool look_up(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

bool card_opens(void* library)
{
    Alsa alsa;
    if (!look_up(library, "snd_lib_error_set_handler", alsa.set_error_handler)
        || !look_up(library, "snd_pcm_open", alsa.pcm_open) || !look_up(library, "snd_pcm_close", alsa.pcm_close)
        || !look_up(library, "snd_config_update_free_global", alsa.free_configuration))
        return false;
    alsa.set_error_handler(ignore_alsa_message);
    snd_pcm_t* pcm = nullptr;
    bool opens = alsa.pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) >= 0;
    if (opens)
        alsa.pcm_close(pcm);
    alsa.free_configuration();
    return opens;
}

}  // namespace

bool alsa_finds_card()
{
    void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return false;
    // With a card the library stays open (and quiet) for the synthesiser's
    // driver, which uses the same copy.
    if (card_opens(library))
        return true;
    dlclose(library);
    return false;
}
