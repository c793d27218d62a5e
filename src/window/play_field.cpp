#include "window/play_field.h"

#include <QImage>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>

#include "raster/surface.h"
#include "window/wayland_presenter.h"
#include "window/x11_presenter.h"

namespace {

constexpr int BORDER = 2;

// The surface's pixels are already in the layout of an RGB32 image: it
// is painted from them, without a copy.
QImage frame_image(const Surface& s)
{
    return QImage(reinterpret_cast<const uchar*>(s.pixels.data()), s.width, s.height, s.width * 4,
                  QImage::Format_RGB32);
}

}  // namespace

PlayField::PlayField(QWidget* parent) : QWidget(parent)
{
    setFixedSize(350 + 2 * BORDER, 350 + 2 * BORDER);
    setFocusPolicy(Qt::StrongFocus);
    // Letters must reach the game as typed, even with a Japanese input
    // method switched on: the play field takes no composition.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PlayField::~PlayField() = default;

void PlayField::choose_presenter()
{
    QWindow* handle = window()->windowHandle();
    if (!handle)
        return;
    if (!x11_tried) {
        x11_tried = true;
        x11 = X11Presenter::create(this, QPoint(BORDER, BORDER));
    }
    if (wayland && !wayland->fits()) {
        wayland.reset();
        wayland_tried = false;
    }
    // A Wayland window has its surface once it is shown.
    if (!x11 && !wayland_tried && handle->isExposed()) {
        wayland_tried = true;
        wayland = WaylandPresenter::create(this, QPoint(BORDER, BORDER));
    }
}

void PlayField::show_surface(const Surface& s)
{
    shown = &s;
    const std::vector<Rect> changed = damage(s);
    if (changed.empty())
        return;
    choose_presenter();
    if (x11) {
        x11->put(s, changed);
        return;
    }
    if (wayland) {
        wayland->put(s, changed);
        return;
    }
    QRegion region;
    for (const Rect& r : changed)
        region += QRect(BORDER + r.left, BORDER + r.top, r.right - r.left, r.bottom - r.top);
    repaint(region);
}

void PlayField::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    int w = width(), h = height();
    // The sunken border: dark above and left, light below and right.
    p.fillRect(0, 0, w, 1, QColor(128, 128, 128));
    p.fillRect(0, 0, 1, h, QColor(128, 128, 128));
    p.fillRect(1, 1, w - 2, 1, QColor(64, 64, 64));
    p.fillRect(1, 1, 1, h - 2, QColor(64, 64, 64));
    p.fillRect(0, h - 1, w, 1, QColor(255, 255, 255));
    p.fillRect(w - 1, 0, 1, h, QColor(255, 255, 255));
    p.fillRect(1, h - 2, w - 2, 1, QColor(212, 208, 200));
    p.fillRect(w - 2, 1, 1, h - 2, QColor(212, 208, 200));
    QRect field(BORDER, BORDER, w - 2 * BORDER, h - 2 * BORDER);
    for (const QRect& part : event->region()) {
        QRect area = part & field;
        if (shown)
            p.drawImage(area.topLeft(), frame_image(*shown), area.translated(-BORDER, -BORDER));
        else
            p.fillRect(area, palette().window());
    }
}

int16_t key_code_of(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return int16_t(key);  // Qt's codes for A to Z are 65 to 90 too
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return int16_t(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return int16_t(112 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Space: return 32;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    default: return 0;
    }
}

void PlayField::keyPressEvent(QKeyEvent* event)
{
    int16_t shift = int16_t(((event->modifiers() & Qt::ShiftModifier) ? 1 : 0)
                            | ((event->modifiers() & Qt::ControlModifier) ? 2 : 0)
                            | ((event->modifiers() & Qt::AltModifier) ? 4 : 0));
    if (key_down)
        key_down(key_code_of(event->key()), shift);
    if (key_press)
        for (QChar c : event->text())
            key_press(int16_t(c.unicode()));
}
