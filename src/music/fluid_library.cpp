#include "music/fluid_library.h"

#include <mutex>

namespace {

const FluidLibrary* open_library()
{
    void* handle = open_runtime_library("libfluidsynth.so.3");
    if (!handle)
        return nullptr;
    static FluidLibrary library;
    bool complete = true;
#define TOMBORA_FLUID_LOOK_UP(name) complete = look_up(handle, #name, library.name) && complete;
    TOMBORA_FLUID_FUNCTIONS(TOMBORA_FLUID_LOOK_UP)
#undef TOMBORA_FLUID_LOOK_UP
    if (!complete)
        return nullptr;
    // A panic is still shown: it means the synthesiser cannot go on.
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        library.fluid_set_log_function(level, nullptr, nullptr);
    return &library;
}

}  // namespace

const FluidLibrary* fluid()
{
    static std::once_flag opened;
    static const FluidLibrary* library = nullptr;
    std::call_once(opened, [] { library = open_library(); });
    return library;
}
