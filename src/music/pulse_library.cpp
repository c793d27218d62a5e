#include "music/pulse_library.h"

const PulseLibrary* pulse()
{
    return open_once<PulseLibrary>("libpulse.so.0", [](void* handle, PulseLibrary& library) {
        bool complete = true;
        TOMBORA_PULSE_FUNCTIONS(TOMBORA_LOOK_UP)
        return complete;
    });
}
