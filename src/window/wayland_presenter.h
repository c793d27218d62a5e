// Puts the play field's frames into a Wayland surface of their own, a
// subsurface of the window's, past Qt's backing store: a frame is its
// changed rectangles copied into one buffer, that buffer attached again
// with those rectangles damaged, and a commit. Nothing comes back from
// the compositor for it (no frame callback; weston gives back no buffer
// attached again), and that matters: under Qt 6.4 every message from the
// compositor wakes Qt's two Wayland threads and the game's about a dozen
// times, where a frame through the backing store brings three.
//
// GNOME's compositor copies the buffer when it is committed and gives it
// back at once, a message a frame (seven wake-ups). It keeps the buffer
// attached last, though, and copies what each commit damages from it,
// attached again or not (mutter 43 to 48): there the buffer is attached
// once, and a frame is the damage and a commit, to which nothing answers.
//
// The buffer is written while the compositor may still hold it. One that
// copies it when it is committed (GNOME's, KDE's) gives it back at once;
// weston reads it when it repaints, just after the commit, long before
// the next frame is written 30 ms later.
#pragma once

#include <QPoint>

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/spans.h"

struct Surface;
struct wl_buffer;
struct wl_display;
struct wl_event_queue;
struct wl_shm;
struct wl_subcompositor;
struct wl_subsurface;
struct wl_surface;
class QWidget;

class WaylandPresenter {
public:
    // Null unless the field's window is a Wayland window whose compositor
    // offers subsurfaces and shared memory; the field then repaints.
    static std::unique_ptr<WaylandPresenter> create(QWidget* field, QPoint origin);
    ~WaylandPresenter();
    WaylandPresenter(const WaylandPresenter&) = delete;
    WaylandPresenter& operator=(const WaylandPresenter&) = delete;

    // False when the window has changed under it (its surface made anew,
    // or its scale): the field then makes a new presenter.
    bool fits() const;
    void put(const Surface& surface, const std::vector<Rect>& rects);

private:
    WaylandPresenter(QWidget* field, QPoint origin);
    bool bind_globals();
    bool make_buffer();
    bool make_subsurface();
    void copy(const Surface& from, const Rect& r);

    QWidget* field;
    QPoint origin;  // the surface's top-left in the field
    wl_surface* parent = nullptr;
    int scale = 1;
    int side = 0;  // of the buffer, in its pixels
    wl_display* display = nullptr;
    wl_event_queue* queue = nullptr;
    wl_shm* shm = nullptr;
    wl_subcompositor* subcompositor = nullptr;
    wl_surface* surface = nullptr;
    wl_subsurface* subsurface = nullptr;
    wl_buffer* buffer = nullptr;
    uint32_t* pixels = nullptr;
    size_t bytes = 0;
    bool filled = false;  // the buffer holds a whole frame, and is attached
    bool attach_once = false;  // GNOME's compositor: see above
};
