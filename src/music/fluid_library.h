// The synthesiser's library, opened only when there is something to play
// on: it pulls in some thirty other libraries (drivers the game never
// uses among them), which would cost every start time and memory.
//
// Call the functions through fluid(): fluid()->new_fluid_synth(...).
#pragma once

#include <fluidsynth.h>

#include "music/runtime_library.h"

#define TOMBORA_FLUID_FUNCTIONS(X) \
    X(new_fluid_settings)          \
    X(delete_fluid_settings)       \
    X(fluid_settings_setnum)       \
    X(fluid_settings_setint)       \
    X(fluid_settings_setstr)       \
    X(fluid_set_log_function)      \
    X(new_fluid_synth)             \
    X(delete_fluid_synth)          \
    X(fluid_synth_sfload)          \
    X(new_fluid_defsfloader)       \
    X(fluid_sfloader_set_callbacks) \
    X(fluid_synth_add_sfloader)    \
    X(fluid_synth_set_interp_method) \
    X(fluid_synth_get_sfont)       \
    X(fluid_sfont_get_id)          \
    X(fluid_synth_program_select)  \
    X(fluid_synth_process)         \
    X(fluid_synth_get_active_voice_count) \
    X(fluid_synth_all_sounds_off)  \
    X(new_fluid_player)            \
    X(delete_fluid_player)         \
    X(fluid_player_add_mem)        \
    X(fluid_player_play)           \
    X(new_fluid_audio_driver2)     \
    X(delete_fluid_audio_driver)

struct FluidLibrary {
    TOMBORA_FLUID_FUNCTIONS(TOMBORA_FUNCTION_POINTER)
};

// Opens the library on the first call (any thread) with its messages
// silenced; null when it cannot be opened.
const FluidLibrary* fluid();
