#include "window/form1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QScreen>
#include <QTimer>

#include "raster/surfaces.h"
#include "window/play_field.h"

namespace {

// The client area below the menu bar: the play field at its top-left.
constexpr int CLIENT_W = 355;
constexpr int CLIENT_H = 356;

struct Entry {
    MenuItem item;
    const char* name;
    const char* caption;
    QKeySequence shortcut;
};

struct Menu {
    const char* name;
    const char* caption;
    std::vector<Entry> entries;
};

const std::vector<Menu>& menu_tree()
{
    static const std::vector<Menu> tree{
        {"menu_m", "メニュー",
         {{MenuItem::start, "start", "スタート！", QKeySequence(Qt::Key_F2)},
          {MenuItem::stop, "stop", "ストップ", {}},
          {MenuItem::ending, "ending", "終わり", {}}}},
        {"option", "オプション",
         {{MenuItem::music, "music", "音楽", {}},
          {MenuItem::se, "se", "効果音", {}},
          {MenuItem::clear_high, "clear_high", "ハイスコアのクリアー", QKeySequence(Qt::CTRL | Qt::Key_C)}}},
        {"help_m", "ヘルプ",
         {{MenuItem::help_show, "help_show", "ヘルプ", QKeySequence(Qt::Key_F1)},
          {MenuItem::about, "about", "アバウト", {}}}},
    };
    return tree;
}

// A tap of Alt, or Escape out of an open menu, gives the menu bar the
// keyboard with its first or last title current; the Fusion style draws
// that title plainly, so the player cannot see where the keys go. Drawn
// as when its menu is open, it shows.
class MenuBarStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        auto item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && item && (item->state & State_Selected) && widget && widget->hasFocus()) {
            QStyleOptionMenuItem shown = *item;
            shown.state |= State_Sunken;
            QProxyStyle::drawControl(element, &shown, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// A key that types something: a letter, a digit or a sign, without Ctrl
// or Alt. Space, Return, Escape and the arrows keep steering the menus.
bool types_a_character(const QKeyEvent& key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    QString text = key.text();
    return !text.isEmpty() && text[0].isPrint() && !text[0].isSpace();
}

}  // namespace

void use_japanese_ui_font()
{
    QFont font = QApplication::font();
    if (QFontDatabase::writingSystems(font.family()).contains(QFontDatabase::Japanese))
        return;
    font.setFamilies({QString::fromLatin1(GAME_FONT)});
    QApplication::setFont(font);
}

Form1::Form1()
{
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("とんぼらR1"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/tombora_icon.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);

    auto client = new QWidget(this);
    client->setFixedSize(CLIENT_W, CLIENT_H);
    play_field_ = new PlayField(client);
    play_field_->setObjectName("mainscr");
    play_field_->move(0, 0);
    setCentralWidget(client);
    build_menus();
    auto menu_style = new MenuBarStyle;
    menu_style->setParent(menuBar());
    menuBar()->setStyle(menu_style);
    menuBar()->installEventFilter(this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    play_field_->setFocus();
}

// While the menu bar holds the keyboard, a typed letter is meant for the
// game, not lost on menu titles that have no letters of their own: the
// keyboard goes back to the play field (the menu bar lets go of it) and
// the letter with it.
bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == menuBar() && event->type() == QEvent::KeyPress
        && types_a_character(*static_cast<QKeyEvent*>(event))) {
        play_field_->setFocus(Qt::OtherFocusReason);
        QCoreApplication::sendEvent(play_field_, event);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::build_menus()
{
    for (const Menu& m : menu_tree()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(m.name);
        for (const Entry& e : m.entries) {
            QAction* a = menu->addAction(QString::fromUtf8(e.caption));
            a->setObjectName(e.name);
            a->setShortcut(e.shortcut);
            a->setShortcutContext(Qt::WindowShortcut);
            a->setCheckable(e.item == MenuItem::music || e.item == MenuItem::se);
            a->setEnabled(e.item != MenuItem::stop);
            MenuItem item = e.item;
            // A checkable entry's mark is the game's to toggle, not Qt's:
            // Qt has toggled it before this runs, and it is put back.
            QObject::connect(a, &QAction::triggered, this, [this, a, item] {
                if (a->isCheckable())
                    a->setChecked(!a->isChecked());
                run_command(item);
            });
            actions[e.item] = a;
        }
    }
}

void Form1::run_command(MenuItem item)
{
    auto it = commands.find(item);
    if (it != commands.end() && it->second)
        it->second();
}

void Form1::centre_on_screen()
{
    if (QGuiApplication::platformName().startsWith("wayland"))
        return;
    move_to_centre();
    centre_when_framed(30);
}

void Form1::move_to_centre()
{
    QRect screen = this->screen()->geometry();
    QSize outer = frameGeometry().size();
    move(screen.x() + (screen.width() - outer.width()) / 2,
         screen.y() + (screen.height() - outer.height()) / 2);
}

// The frame's size is known only some milliseconds after the window is
// shown; until then the window was centred by its inner size. Looks again
// every 10 ms for a while, without holding up the game.
void Form1::centre_when_framed(int tries_left)
{
    if (tries_left == 0)
        return;
    QTimer::singleShot(10, this, [this, tries_left] {
        if (!isVisible() || frameGeometry().size() == size()) {
            centre_when_framed(tries_left - 1);
            return;
        }
        move_to_centre();
    });
}

// On X the window manager is asked to activate the window; on Wayland the
// compositor honours the request only with a token from the desktop (Qt
// hands over the one in XDG_ACTIVATION_TOKEN), and otherwise may just mark
// the window as wanting attention.
void Form1::come_forward(const QString& activation_token)
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    // A box the game is waiting on stays in front of the window.
    QWidget* target = QApplication::activeModalWidget();
    if (target)
        target->raise();
    else
        target = this;
    if (!activation_token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activation_token.toUtf8());
    target->activateWindow();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!unloaded && form_unload) {
        unloaded = true;
        form_unload();
    }
}
