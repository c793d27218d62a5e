// The visible play field `mainscr`: shows the last frame handed to it
// inside a 2-pixel sunken border and passes every key to the game.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

struct Surface;
class WaylandPresenter;
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
    // Past Qt's backing store where the window allows it.
    void choose_presenter();

    const Surface* shown = nullptr;  // null before the first frame
    // On an X server or a Wayland compositor the frames go to the screen
    // directly; both are null elsewhere (and until the window exists and,
    // on Wayland, is shown), where the field repaints itself.
    std::unique_ptr<X11Presenter> x11;
    std::unique_ptr<WaylandPresenter> wayland;
    bool x11_tried = false, wayland_tried = false;
};

// The key code the game knows a key by (Space 32, Enter 13, F1 112, F2 113,
// A to Z 65 to 90, 0 to 9 48 to 57); 0 if none.
int16_t key_code_of(int qt_key);
