#include "music/sndfile_library.h"

const SndfileLibrary* sound_files()
{
    return open_once<SndfileLibrary>("libsndfile.so.1", [](void* handle, SndfileLibrary& library) {
        bool complete = true;
        TOMBORA_SNDFILE_FUNCTIONS(TOMBORA_LOOK_UP)
        return complete;
    });
}
