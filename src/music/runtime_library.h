// Libraries the game opens at run time, only when it needs them, with
// their functions looked up by name into pointers of the functions' own
// types. A library lists its functions as X(name) entries; a struct of
// TOMBORA_FUNCTION_POINTER(name) members then calls them by their names.
#pragma once

#include <dlfcn.h>

#include <mutex>

#define TOMBORA_FUNCTION_POINTER(name) decltype(&::name) name;

// Opens the library by its versioned name, keeping its symbols to itself;
// null when it is not installed.
inline void* open_runtime_library(const char* soname) { return dlopen(soname, RTLD_NOW | RTLD_LOCAL); }

// Points `function` at the library's function `name`; false when the
// library lacks it.
template <typename F>
bool look_up(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

// In a fill function: looks up `name` into library.name, and notes in
// `complete` whether the library had it.
#define TOMBORA_LOOK_UP(name) complete = look_up(handle, #name, library.name) && complete;

// The library `soname`, opened on the first call (any thread), with its
// functions looked up by fill(handle, library), which says whether it
// found them all; null when the library is missing or lacks one. The
// library found is kept for each pair of Library and Fill types, that is
// for each call site: call it from one function per library (pulse(),
// fluid(), ...), which is then opened once.
template <typename Library, typename Fill>
const Library* open_once(const char* soname, Fill fill)
{
    static std::once_flag opened;
    static Library functions;
    static const Library* library = nullptr;
    std::call_once(opened, [&] {
        if (void* handle = open_runtime_library(soname); handle && fill(handle, functions))
            library = &functions;
    });
    return library;
}
