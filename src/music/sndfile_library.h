// The sound-file library, opened when the first voice is played rather
// than at start-up: with the codecs it brings in it is eight of the
// program's libraries, and loading them cost every start some
// milliseconds before the title could show.
//
// Call the functions through sound_files(): sound_files()->sf_open(...).
#pragma once

#include <sndfile.h>

#include "music/runtime_library.h"

#define TOMBORA_SNDFILE_FUNCTIONS(X) \
    X(sf_open)                       \
    X(sf_readf_float)                \
    X(sf_close)

struct SndfileLibrary {
    TOMBORA_SNDFILE_FUNCTIONS(TOMBORA_FUNCTION_POINTER)
};

// Opens the library on the first call (any thread); null when it cannot
// be opened.
const SndfileLibrary* sound_files();
