#include "music/alsa_probe.h"

#include <alsa/asoundlib.h>

#include "music/runtime_library.h"

namespace {

void ignore_alsa_message(const char*, int, const char*, int, const char*, ...) {}

#define TOMBORA_ALSA_FUNCTIONS(X)  \
    X(snd_lib_error_set_handler)   \
    X(snd_pcm_open)                \
    X(snd_pcm_close)               \
    X(snd_config_update_free_global)

struct Alsa {
    TOMBORA_ALSA_FUNCTIONS(TOMBORA_FUNCTION_POINTER)
};

bool card_opens(void* library)
{
    Alsa alsa;
    bool complete = true;
#define TOMBORA_ALSA_LOOK_UP(name) complete = look_up(library, #name, alsa.name) && complete;
    TOMBORA_ALSA_FUNCTIONS(TOMBORA_ALSA_LOOK_UP)
#undef TOMBORA_ALSA_LOOK_UP
    if (!complete)
        return false;
    alsa.snd_lib_error_set_handler(ignore_alsa_message);
    snd_pcm_t* pcm = nullptr;
    bool opens = alsa.snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) >= 0;
    if (opens)
        alsa.snd_pcm_close(pcm);
    alsa.snd_config_update_free_global();
    return opens;
}

}  // namespace

bool alsa_finds_card()
{
    void* library = open_runtime_library("libasound.so.2");
    if (!library)
        return false;
    // With a card the library stays open (and quiet) for the synthesiser's
    // driver, which uses the same copy.
    if (card_opens(library))
        return true;
    dlclose(library);
    return false;
}
