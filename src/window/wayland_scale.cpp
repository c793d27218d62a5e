#include "window/wayland_scale.h"

#include <wayland-client.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

struct Outputs {
    std::vector<wl_output*> bound;
    int largest = 1;
};

void on_geometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t) {}
void on_mode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
void on_done(void*, wl_output*) {}
void on_scale(void* data, wl_output*, int32_t factor)
{
    auto* outputs = static_cast<Outputs*>(data);
    outputs->largest = std::max(outputs->largest, int(factor));
}

// Bound at version 2, the output never sends its name or description.
constexpr wl_output_listener OUTPUT{on_geometry, on_mode, on_done, on_scale, nullptr, nullptr};

void on_global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    // Outputs tell their scale from version 2 on.
    if (std::string_view(interface) != "wl_output" || version < 2)
        return;
    auto* outputs = static_cast<Outputs*>(data);
    auto* output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
    wl_output_add_listener(output, &OUTPUT, outputs);
    outputs->bound.push_back(output);
}

void on_global_remove(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener REGISTRY{on_global, on_global_remove};

}  // namespace

int largest_wayland_scale()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    Outputs outputs;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &REGISTRY, &outputs);
    // The globals, then what the outputs bound say of themselves.
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);
    for (wl_output* output : outputs.bound)
        wl_output_destroy(output);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return outputs.largest;
}
