#include "window/play_field.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

#include "window/surface.h"

namespace {
constexpr int BORDER = 2;
}

PlayField::PlayField(QWidget* parent)
    : QWidget(parent), frame(350, 350, QImage::Format_RGB32)
{
    setFixedSize(350 + 2 * BORDER, 350 + 2 * BORDER);
    setFocusPolicy(Qt::StrongFocus);
    // Letters must reach the game as typed, even with a Japanese input
    // method switched on: the play field takes no composition.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlayField::show_surface(const Surface& s)
{
    // Only the rows that changed since the last frame are copied and sent
    // to the screen: on the title screen and during a round that is a
    // third to a half of the field, and nothing at all when it stands still.
    const int w = std::min(s.width, frame.width());
    const int h = std::min(s.height, frame.height());
    int first = h, last = -1;
    for (int y = 0; y < h; ++y) {
        auto out = reinterpret_cast<uint32_t*>(frame.scanLine(y));
        const uint32_t* in = &s.pixels[size_t(y) * s.width];
        bool changed = false;
        for (int x = 0; x < w; ++x) {
            uint32_t p = in[x] | 0xFF000000u;
            changed |= out[x] != p;
            out[x] = p;
        }
        if (changed) {
            first = std::min(first, y);
            last = y;
        }
    }
    if (!has_frame) {
        has_frame = true;
        first = 0;
        last = h - 1;
    }
    if (last >= first)
        repaint(BORDER, BORDER + first, w, last - first + 1);
}

void PlayField::paintEvent(QPaintEvent*)
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
    if (has_frame)
        p.drawImage(QPoint(BORDER, BORDER), frame);
    else
        p.fillRect(BORDER, BORDER, w - 2 * BORDER, h - 2 * BORDER, palette().window());
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
