// The game's one window, Form1: the menu bar and the play field.
#pragma once

#include <QMainWindow>

#include <functional>
#include <map>

#include "shell/platform.h"

class QAction;
class PlayField;

class Form1 : public QMainWindow {
public:
    // Menu commands by item, and the window's close.
    std::map<MenuItem, std::function<void()>> commands;
    std::function<void()> form_unload;

    Form1();
    PlayField* play_field() const { return mainscr; }
    QAction* action(MenuItem item) const { return actions.at(item); }
    // Places the window at the centre of its screen, and again once the
    // window manager has put its frame round it.
    void centre_on_screen();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_menus();
    void run_command(MenuItem item);
    void move_to_centre();
    void centre_when_framed(int tries_left);

    PlayField* mainscr;
    std::map<MenuItem, QAction*> actions;
    bool unloaded = false;
};
