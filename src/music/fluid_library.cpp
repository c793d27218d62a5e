#include "music/fluid_library.h"

#include <dlfcn.h>

#include <mutex>

namespace {

const FluidLibrary* open_library()
{
    void* handle = dlopen("libfluidsynth.so.3", RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    static FluidLibrary library;
    bool complete = true;
#define TOMBORA_FLUID_LOOKUP(name)                                                \
    library.name = reinterpret_cast<decltype(library.name)>(dlsym(handle, #name)); \
    complete = complete && library.name;
    TOMBORA_FLUID_FUNCTIONS(TOMBORA_FLUID_LOOKUP)
#undef TOMBORA_FLUID_LOOKUP
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
