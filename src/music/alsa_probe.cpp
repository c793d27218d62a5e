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

bool card_opens(void* handle)
{
    Alsa library;
    bool complete = true;
    TOMBORA_ALSA_FUNCTIONS(TOMBORA_LOOK_UP)
    if (!complete)
        return false;
    library.snd_lib_error_set_handler(ignore_alsa_message);
    snd_pcm_t* pcm = nullptr;
    bool opens = library.snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) >= 0;
    if (opens)
        library.snd_pcm_close(pcm);
    library.snd_config_update_free_global();
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
