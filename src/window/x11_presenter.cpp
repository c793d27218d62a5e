#include "window/x11_presenter.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <fcntl.h>
#include <sys/socket.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

#include "raster/pixel_memory.h"
#include "raster/surface.h"

namespace {

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

const xcb_visualtype_t* find_visual(const xcb_setup_t* setup, xcb_visualid_t id)
{
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen))
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem; xcb_depth_next(&depth))
            for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem; xcb_visualtype_next(&visual))
                if (visual.data->visual_id == id)
                    return visual.data;
    return nullptr;
}

int bits_per_pixel(const xcb_setup_t* setup, uint8_t depth)
{
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem; xcb_format_next(&format))
        if (format.data->depth == depth)
            return format.data->bits_per_pixel;
    return 0;
}

// True where a pixel 0x??RRGGBB held in memory is what the window's
// visual reads: little-endian, 32 bits a pixel, red, green and blue masks
// in that order.
bool takes_our_pixels(xcb_connection_t* c, xcb_window_t window, uint8_t* depth)
{
    Owned<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr), &std::free);
    Owned<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr),
                                             &std::free);
    if (!attributes || !geometry)
        return false;
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_visualtype_t* visual = find_visual(setup, attributes->visual);
    *depth = geometry->depth;
    return visual && visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR && visual->red_mask == 0xFF0000
           && visual->green_mask == 0x00FF00 && visual->blue_mask == 0x0000FF
           && setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST && bits_per_pixel(setup, *depth) == 32;
}

bool on_local_socket(xcb_connection_t* c)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return getsockname(xcb_get_file_descriptor(c), reinterpret_cast<sockaddr*>(&address), &length) == 0
           && address.ss_family == AF_UNIX;
}

}  // namespace

std::unique_ptr<X11Presenter> X11Presenter::create(QWidget* field, QPoint origin)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    QWidget* top = field->window();
    if (!x11 || !x11->connection() || !top->windowHandle() || field->devicePixelRatioF() != 1.0)
        return nullptr;
    auto window = xcb_window_t(top->winId());
    uint8_t depth = 0;
    if (!takes_our_pixels(x11->connection(), window, &depth))
        return nullptr;
    return std::unique_ptr<X11Presenter>(
        new X11Presenter(field, field->mapTo(top, origin), x11->connection(), window, depth));
}

X11Presenter::X11Presenter(QWidget* field, QPoint origin, xcb_connection_t* connection, uint32_t window,
                           uint8_t depth)
    : field(field), origin(origin), connection(connection), window(window), gc(xcb_generate_id(connection)),
      depth(depth), max_request_bytes(size_t(xcb_get_maximum_request_length(connection)) * 4)
{
    uint32_t no_exposures = 0;
    xcb_create_gc(connection, gc, window, XCB_GC_GRAPHICS_EXPOSURES, &no_exposures);
    field->window()->windowHandle()->installEventFilter(this);
}

X11Presenter::~X11Presenter()
{
    for (const Segment& s : segments)
        xcb_shm_detach(connection, s.id);
    xcb_free_gc(connection, gc);
    xcb_flush(connection);
}

// Lends the server the surface's own memory file; false where the surface
// has none, the server is not reached through a local socket (a file
// cannot be handed over the network, as with ssh -X), or it has no
// MIT-SHM 1.2 or cannot map the file.
bool X11Presenter::share(const Surface& surface)
{
    const int file = pixels_file(surface.pixels.data());
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_shm_id);
    if (file < 0 || !on_local_socket(connection) || !extension || !extension->present)
        return false;
    Owned<xcb_shm_query_version_reply_t> version(
        xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr), &std::free);
    if (!version || version->major_version < 1 || (version->major_version == 1 && version->minor_version < 2))
        return false;
    // xcb closes the descriptor it sends; the surface keeps its own.
    const int sent = fcntl(file, F_DUPFD_CLOEXEC, 0);
    if (sent < 0)
        return false;
    const uint32_t id = xcb_generate_id(connection);
    xcb_generic_error_t* error = xcb_request_check(connection, xcb_shm_attach_fd_checked(connection, id, sent, 1));
    if (error) {
        std::free(error);
        return false;
    }
    segments.push_back({surface.pixels.data(), id});
    return true;
}

// The segment of the surface's pixels, lent to the server the first time
// they are shown; null where the server cannot map them.
const X11Presenter::Segment* X11Presenter::segment_for(const Surface& surface)
{
    for (const Segment& s : segments)
        if (s.pixels == surface.pixels.data())
            return &s;
    if (sharing_failed || !share(surface)) {
        sharing_failed = true;
        return nullptr;
    }
    return &segments.back();
}

void X11Presenter::put(const Surface& surface, const std::vector<Rect>& rects)
{
    if (const Segment* shared = segment_for(surface))
        put_shared(surface, shared->id, rects);
    else
        put_through_socket(surface, rects);
    xcb_flush(connection);
}

// The server reads the surface itself when it comes to each request. The
// frames take turns in two surfaces, so the pixels shown are written again
// only two frames later, some 60 ms on: long after.
void X11Presenter::put_shared(const Surface& surface, uint32_t segment, const std::vector<Rect>& rects)
{
    for (const Rect& r : rects)
        xcb_shm_put_image(connection, window, gc, uint16_t(surface.width), uint16_t(surface.height),
                          uint16_t(r.left), uint16_t(r.top), uint16_t(r.right - r.left),
                          uint16_t(r.bottom - r.top), int16_t(origin.x() + r.left), int16_t(origin.y() + r.top),
                          depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment, 0);
}

void X11Presenter::put_through_socket(const Surface& surface, const std::vector<Rect>& rects)
{
    // A request has a 24-byte head; the rows go in as many as fit. Rows as
    // wide as the surface are sent from it; a narrower rectangle's rows are
    // packed together first.
    for (const Rect& r : rects) {
        const int width = r.right - r.left;
        const size_t row_bytes = size_t(width) * 4;
        const int rows_per_request = std::max<int>(1, int((max_request_bytes - 24) / row_bytes));
        for (int y = r.top; y < r.bottom; y += rows_per_request) {
            const int rows = std::min(rows_per_request, r.bottom - y);
            const uint32_t* first = surface.pixels.data() + size_t(y) * surface.width + r.left;
            if (width != surface.width) {
                packed.resize(surface.pixels.size());  // once: never shrunk, so never filled again
                for (int j = 0; j < rows; ++j)
                    std::copy_n(first + size_t(j) * surface.width, width, packed.begin() + size_t(j) * width);
                first = packed.data();
            }
            xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, uint16_t(width), uint16_t(rows),
                          int16_t(origin.x() + r.left), int16_t(origin.y() + y), 0, depth,
                          uint32_t(rows * row_bytes), reinterpret_cast<const uint8_t*>(first));
        }
    }
}

bool X11Presenter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Expose)
        field->update();
    return QObject::eventFilter(watched, event);
}
