// The sound server's client library, opened when the sound comes up (after
// the first frame) rather than at start-up: with what it brings in
// (its common part, the sound-file library and its codecs) it is a dozen
// of the program's libraries, which cost every start some milliseconds
// before the title could show.
//
// Call the functions through pulse(): pulse()->pa_context_new(...).
#pragma once

#include <pulse/pulseaudio.h>

#include "music/runtime_library.h"

#define TOMBORA_PULSE_FUNCTIONS(X)   \
    X(pa_threaded_mainloop_new)      \
    X(pa_threaded_mainloop_free)     \
    X(pa_threaded_mainloop_start)    \
    X(pa_threaded_mainloop_stop)     \
    X(pa_threaded_mainloop_lock)     \
    X(pa_threaded_mainloop_unlock)   \
    X(pa_threaded_mainloop_wait)     \
    X(pa_threaded_mainloop_signal)   \
    X(pa_threaded_mainloop_get_api)  \
    X(pa_threaded_mainloop_set_name) \
    X(pa_context_new)                \
    X(pa_context_unref)              \
    X(pa_context_connect)            \
    X(pa_context_disconnect)         \
    X(pa_context_get_state)          \
    X(pa_context_set_state_callback) \
    X(pa_stream_new)                 \
    X(pa_stream_unref)               \
    X(pa_stream_connect_playback)    \
    X(pa_stream_disconnect)          \
    X(pa_stream_get_state)           \
    X(pa_stream_set_state_callback)  \
    X(pa_stream_set_write_callback)  \
    X(pa_stream_set_underflow_callback) \
    X(pa_stream_begin_write)         \
    X(pa_stream_cancel_write)        \
    X(pa_stream_write)               \
    X(pa_stream_cork)                \
    X(pa_stream_update_timing_info)  \
    X(pa_stream_get_timing_info)     \
    X(pa_operation_unref)            \
    X(pa_gettimeofday)               \
    X(pa_timeval_add)                \
    X(pa_timeval_age)

struct PulseLibrary {
    TOMBORA_PULSE_FUNCTIONS(TOMBORA_FUNCTION_POINTER)
};

// Opens the library on the first call (any thread); null when it cannot
// be opened.
const PulseLibrary* pulse();
