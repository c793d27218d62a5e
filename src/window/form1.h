// The game's one window, Form1: the menu bar and the play field.
#pragma once

#include <QMainWindow>

#include <functional>
#include <map>

#include "shell/platform.h"

class QAction;
class PlayField;

// Menus and boxes speak Japanese: when the desktop's font has no Japanese,
// they are set in the game's own font at the desktop's size, rather than
// in a Latin font eked out glyph by glyph from a second font file.
void use_japanese_ui_font();

class Form1 : public QMainWindow {
public:
    // Menu commands by item, and the window's close.
    std::map<MenuItem, std::function<void()>> commands;
    std::function<void()> form_unload;

    Form1();
    PlayField* play_field() const { return play_field_; }
    QAction* action(MenuItem item) const { return actions.at(item); }
    // Places the window at the centre of its screen, and again once the
    // window manager has put its frame round it. On Wayland the
    // compositor places windows, and this does nothing.
    void centre_on_screen();
    // Raises and activates the window (or the box it is showing), with the
    // desktop's activation token when there is one.
    void come_forward(const QString& activation_token);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_menus();
    void run_command(MenuItem item);
    void move_to_centre();
    void centre_when_framed(int tries_left);

    PlayField* play_field_;
    std::map<MenuItem, QAction*> actions;
    bool unloaded = false;
};
