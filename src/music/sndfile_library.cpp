#include "music/sndfile_library.h"

#include <mutex>

namespace {

const SndfileLibrary* open_library()
{
    void* handle = open_runtime_library("libsndfile.so.1");
    if (!handle)
        return nullptr;
    static SndfileLibrary library;
    bool complete = true;
#define TOMBORA_SNDFILE_LOOK_UP(name) complete = look_up(handle, #name, library.name) && complete;
    TOMBORA_SNDFILE_FUNCTIONS(TOMBORA_SNDFILE_LOOK_UP)
#undef TOMBORA_SNDFILE_LOOK_UP
    return complete ? &library : nullptr;
}

}  // namespace

const SndfileLibrary* sound_files()
{
    static std::once_flag opened;
    static const SndfileLibrary* library = nullptr;
    std::call_once(opened, [] { library = open_library(); });
    return library;
}
