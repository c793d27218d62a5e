// The visible play field `mainscr`: shows the last frame handed to it
// inside a 2-pixel sunken border and passes every key to the game.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

struct Surface;
class X11Presenter;

class PlayField : public QWidget {
public:
    std::function<void(int16_t key_code, int16_t shift)> key_down;
    std::function<void(int16_t character)> key_press;

    explicit PlayField(QWidget* parent);
    ~PlayField() override;
    // Shows the parts of the surface that changed since it was last shown.
    // The field then keeps showing that surface, which outlives it.
    void show_surface(const Surface& surface);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const Surface* shown = nullptr;  // null before the first frame
    // On an X server the frames go to the window directly; null elsewhere
    // (and until the window exists), where the field repaints itself.
    std::unique_ptr<X11Presenter> presenter;
    bool presenter_tried = false;
};

// The key code the game knows a key by (Space 32, Enter 13, F1 112, F2 113,
// A to Z 65 to 90, 0 to 9 48 to 57); 0 if none.
int16_t key_code_of(int qt_key);
