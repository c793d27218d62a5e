#include "music/fluid_library.h"

const FluidLibrary* fluid()
{
    return open_once<FluidLibrary>("libfluidsynth.so.3", [](void* handle, FluidLibrary& library) {
        bool complete = true;
        TOMBORA_FLUID_FUNCTIONS(TOMBORA_LOOK_UP)
        if (!complete)
            return false;
        // A panic is still shown: it means the synthesiser cannot go on.
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            library.fluid_set_log_function(level, nullptr, nullptr);
        return true;
    });
}
