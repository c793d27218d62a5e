#include "window/wayland_presenter.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "raster/surface.h"

namespace {

constexpr int FIELD = 350;

void* native_resource(const char* name, QWindow* window = nullptr)
{
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (!native)
        return nullptr;
    return window ? native->nativeResourceForWindow(name, window) : native->nativeResourceForIntegration(name);
}

// A proxy whose new objects and events belong to our queue, not Qt's.
template <typename T>
T* on_queue(T* proxy, wl_event_queue* queue)
{
    auto* wrapper = static_cast<T*>(wl_proxy_create_wrapper(proxy));
    if (wrapper)
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
    return wrapper;
}

struct Globals {
    wl_shm* shm = nullptr;
    wl_subcompositor* subcompositor = nullptr;
    // GNOME's compositor is the one offering GTK's shell without
    // wlroots' layer shell (which Phosh's, also offering GTK's, has).
    bool gtk_shell = false;
    bool layer_shell = false;
};

void on_global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    std::string_view kind = interface;
    globals->gtk_shell |= kind == "gtk_shell1";
    globals->layer_shell |= kind == "zwlr_layer_shell_v1";
    if (kind == "wl_shm" && !globals->shm)
        globals->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (kind == "wl_subcompositor" && !globals->subcompositor)
        globals->subcompositor =
            static_cast<wl_subcompositor*>(wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
}

void on_global_remove(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener REGISTRY{on_global, on_global_remove};

}  // namespace

std::unique_ptr<WaylandPresenter> WaylandPresenter::create(QWidget* field, QPoint origin)
{
    if (QGuiApplication::platformName() != "wayland")
        return nullptr;
    std::unique_ptr<WaylandPresenter> presenter(new WaylandPresenter(field, origin));
    if (!presenter->bind_globals() || !presenter->make_buffer() || !presenter->make_subsurface())
        return nullptr;
    return presenter;
}

WaylandPresenter::WaylandPresenter(QWidget* f, QPoint o) : field(f), origin(o)
{
    QWindow* window = field->window()->windowHandle();
    parent = window ? static_cast<wl_surface*>(native_resource("surface", window)) : nullptr;
    scale = window ? std::max(1, int(window->devicePixelRatio())) : 1;
    side = FIELD * scale;
    display = static_cast<wl_display*>(native_resource("wl_display"));
}

// Qt binds both but lends neither: bound again, on a queue of our own.
bool WaylandPresenter::bind_globals()
{
    if (!parent || !display)
        return false;
    queue = wl_display_create_queue(display);
    wl_display* ours = queue ? on_queue(display, queue) : nullptr;
    if (!ours)
        return false;
    Globals globals;
    wl_registry* registry = wl_display_get_registry(ours);
    wl_proxy_wrapper_destroy(ours);
    wl_registry_add_listener(registry, &REGISTRY, &globals);
    wl_display_roundtrip_queue(display, queue);
    wl_registry_destroy(registry);
    shm = globals.shm;
    subcompositor = globals.subcompositor;
    attach_once = globals.gtk_shell && !globals.layer_shell;
    return shm && subcompositor;
}

bool WaylandPresenter::make_buffer()
{
    bytes = size_t(side) * side * sizeof(uint32_t);
    int fd = memfd_create("tombora-field", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    void* memory = ftruncate(fd, off_t(bytes)) == 0 ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                                                    : MAP_FAILED;
    wl_shm_pool* pool = memory != MAP_FAILED ? wl_shm_create_pool(shm, fd, int32_t(bytes)) : nullptr;
    close(fd);
    if (memory != MAP_FAILED)
        pixels = static_cast<uint32_t*>(memory);
    if (!pool)
        return false;
    buffer = wl_shm_pool_create_buffer(pool, 0, side, side, side * int32_t(sizeof(uint32_t)), WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    return buffer != nullptr;
}

// False when Qt lends no compositor or an object cannot be made: the
// field then repaints through Qt's backing store.
bool WaylandPresenter::make_subsurface()
{
    auto* compositor = static_cast<wl_compositor*>(native_resource("compositor"));
    wl_compositor* ours = compositor ? on_queue(compositor, queue) : nullptr;
    if (!ours)
        return false;
    surface = wl_compositor_create_surface(ours);
    // Clicks and the pointer go through to the window beneath.
    wl_region* none = surface ? wl_compositor_create_region(ours) : nullptr;
    wl_proxy_wrapper_destroy(ours);
    if (!none)
        return false;
    wl_surface_set_input_region(surface, none);
    wl_region_destroy(none);
    wl_surface_set_buffer_scale(surface, scale);
    subsurface = wl_subcompositor_get_subsurface(subcompositor, surface, parent);
    if (!subsurface)
        return false;
    // In the window's surface, which holds Qt's own frame around the
    // window's contents.
    QPoint at = field->mapTo(field->window(), origin);
    QMargins frame = field->window()->windowHandle()->frameMargins();
    wl_subsurface_set_position(subsurface, at.x() + frame.left(), at.y() + frame.top());
    wl_subsurface_set_desync(subsurface);
    // The subsurface and its place count from the window's next commit.
    field->update();
    return true;
}

WaylandPresenter::~WaylandPresenter()
{
    if (buffer)
        wl_buffer_destroy(buffer);
    if (subsurface)
        wl_subsurface_destroy(subsurface);
    if (surface)
        wl_surface_destroy(surface);
    if (subcompositor)
        wl_subcompositor_destroy(subcompositor);
    if (shm)
        wl_shm_destroy(shm);
    if (pixels)
        munmap(pixels, bytes);
    if (queue) {
        wl_display_flush(display);
        wl_event_queue_destroy(queue);
    }
}

bool WaylandPresenter::fits() const
{
    QWindow* window = field->window()->windowHandle();
    return window && native_resource("surface", window) == parent
           && std::max(1, int(window->devicePixelRatio())) == scale;
}

// Each game pixel as scale x scale pixels of the buffer: sharp at any
// whole scale.
void WaylandPresenter::copy(const Surface& from, const Rect& r)
{
    const size_t width = size_t(r.right - r.left);
    for (int y = r.top; y < r.bottom; ++y) {
        const uint32_t* source = &from.pixels[size_t(y) * from.width + size_t(r.left)];
        uint32_t* row = pixels + size_t(y) * scale * side + size_t(r.left) * scale;
        if (scale == 1)
            std::memcpy(row, source, width * sizeof(uint32_t));
        else
            for (size_t x = 0; x < width; ++x)
                std::fill_n(row + x * scale, scale, source[x]);
        for (int k = 1; k < scale; ++k)
            std::memcpy(row + size_t(k) * side, row, width * scale * sizeof(uint32_t));
    }
}

void WaylandPresenter::put(const Surface& s, const std::vector<Rect>& rects)
{
    // Whatever the compositor said to our objects (a buffer given back)
    // is let go of, without a read or a wait.
    wl_display_dispatch_queue_pending(display, queue);
    static const std::vector<Rect> WHOLE{{0, 0, FIELD, FIELD}};
    for (const Rect& r : filled ? rects : WHOLE) {
        copy(s, r);
        wl_surface_damage_buffer(surface, r.left * scale, r.top * scale, (r.right - r.left) * scale,
                                 (r.bottom - r.top) * scale);
    }
    if (!filled || !attach_once)
        wl_surface_attach(surface, buffer, 0, 0);
    filled = true;
    wl_surface_commit(surface);
    wl_display_flush(display);
}
