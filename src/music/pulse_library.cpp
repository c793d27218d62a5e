#include "music/pulse_library.h"

#include <mutex>

namespace {

const PulseLibrary* open_library()
{
    void* handle = open_runtime_library("libpulse.so.0");
    if (!handle)
        return nullptr;
    static PulseLibrary library;
    bool complete = true;
#define TOMBORA_PULSE_LOOK_UP(name) complete = look_up(handle, #name, library.name) && complete;
    TOMBORA_PULSE_FUNCTIONS(TOMBORA_PULSE_LOOK_UP)
#undef TOMBORA_PULSE_LOOK_UP
    return complete ? &library : nullptr;
}

}  // namespace

const PulseLibrary* pulse()
{
    static std::once_flag opened;
    static const PulseLibrary* library = nullptr;
    std::call_once(opened, [] { library = open_library(); });
    return library;
}
