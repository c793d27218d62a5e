// Libraries the game opens at run time, only when it needs them, with
// their functions looked up by name into pointers of the functions' own
// types. A library lists its functions as X(name) entries; a struct of
// TOMBORA_FUNCTION_POINTER(name) members then calls them by their names.
#pragma once

#include <dlfcn.h>

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
