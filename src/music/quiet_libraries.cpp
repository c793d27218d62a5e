#include "music/quiet_libraries.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace {

void ignore_alsa_message(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void quiet_audio_libraries()
{
    static std::once_flag done;
    std::call_once(done, [] {
        snd_lib_error_set_handler(ignore_alsa_message);
    });
}
