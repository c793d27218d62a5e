// Puts the play field's changed rectangles straight into its X window, past
// Qt's backing store. Every frame of the game changes the field, and
// going through a widget repaint for each costs about a per cent of a core
// in paint events, backing-store copies and shared-memory round trips;
// a plain PutImage of the changed rectangles costs a small part of that.
// Where the server can map the surface's memory file (MIT-SHM 1.2, a local
// server) it reads the rectangles from the surface itself: one short
// request each, one write a frame, and no copy.
#pragma once

#include <QObject>
#include <QPoint>

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/spans.h"

struct Surface;
struct xcb_connection_t;
class QWidget;

class X11Presenter : public QObject {
public:
    // Null unless the field's window is on an X server whose pixels have
    // the surfaces' layout at a device pixel ratio of 1; the field then
    // falls back to repainting.
    static std::unique_ptr<X11Presenter> create(QWidget* field, QPoint origin);
    ~X11Presenter() override;

    // Sends the rectangles of the surface to the window. Parts of the
    // window that are covered or not shown yet are painted by Qt once they
    // are exposed.
    void put(const Surface& surface, const std::vector<Rect>& rects);

protected:
    // The window's backing store holds an old picture of the field: when
    // the window is exposed, the field is painted anew before it is shown.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    X11Presenter(QWidget* field, QPoint origin, xcb_connection_t* connection, uint32_t window, uint8_t depth);

    QWidget* field;
    QPoint origin;  // the surface's top-left in the window
    xcb_connection_t* connection;
    uint32_t window;
    uint32_t gc;
    uint8_t depth;
    size_t max_request_bytes;
    std::vector<uint32_t> packed;  // a narrow rectangle's rows, one after another
    // The pixels the server maps as segments: the field's frames take
    // turns in two surfaces' memory files. Once it fails to map one,
    // pixels not mapped by then go through the socket.
    struct Segment {
        const uint32_t* pixels;
        uint32_t id;
    };
    std::vector<Segment> segments;
    bool sharing_failed = false;

    const Segment* segment_for(const Surface& surface);
    bool share(const Surface& surface);
    void put_shared(const Surface& surface, uint32_t segment, const std::vector<Rect>& rects);
    void put_through_socket(const Surface& surface, const std::vector<Rect>& rects);
};
