#include "shell/platform.h"

#include <cassert>

namespace {
Platform* current = nullptr;
}

Platform& platform()
{
    assert(current && "no platform installed");
    return *current;
}

void set_platform(Platform* p) { current = p; }
