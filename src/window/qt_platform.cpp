#include "window/qt_platform.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

#include <chrono>
#include <cstring>

#include "music/audio_system.h"
#include "shell/program_files.h"
#include "window/form1.h"
#include "window/play_field.h"

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QtPlatform::QtPlatform(Form1& w, AudioSystem* a) : window(w), audio(a)
{
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
}

QtPlatform::~QtPlatform() = default;

uint32_t QtPlatform::tick()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void QtPlatform::process_events() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtPlatform::wait_events(uint32_t max_ms)
{
    // The timer's expiry is itself an event, so the blocking call returns
    // at the deadline at the latest.
    deadline.start(int(max_ms));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    deadline.stop();
}

void QtPlatform::refresh(const Surface& surface) { window.play_field()->show_surface(surface); }

// Once the game is leaving (a signal may end it while a handler waits in a
// box), no new box holds it up.
void QtPlatform::message_box(const std::string& text, const std::string& caption)
{
    if (quitting)
        return;
    QMessageBox box(QMessageBox::NoIcon, q(caption), q(text), QMessageBox::Ok, &window);
    box.exec();
}

bool QtPlatform::ask_yes_no(const std::string& text, const std::string& caption)
{
    if (quitting)
        return false;
    QMessageBox box(QMessageBox::NoIcon, q(caption), q(text), QMessageBox::Yes | QMessageBox::No,
                    &window);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::string QtPlatform::input_box(const std::string& prompt)
{
    if (quitting)
        return {};
    QInputDialog box(&window);
    box.setWindowTitle(q(APP_TITLE));
    box.setLabelText(q(prompt));
    box.setInputMode(QInputDialog::TextInput);
    if (box.exec() != QDialog::Accepted)
        return {};
    return box.textValue().toStdString();
}

bool QtPlatform::menu_checked(MenuItem item) { return window.action(item)->isChecked(); }

void QtPlatform::set_menu_checked(MenuItem item, bool checked)
{
    window.action(item)->setChecked(checked);
}

void QtPlatform::set_menu_enabled(MenuItem item, bool enabled)
{
    window.action(item)->setEnabled(enabled);
}

// The help lies beside the name the game asks for, as an HTML page of the
// same name: "TOMBORA.HLP" is shown from "tombora.html".
void QtPlatform::show_help(const std::string& path)
{
    QFileInfo asked(q(path));
    std::string page = find_ignoring_case(asked.absolutePath().toStdString(),
                                          asked.completeBaseName().toLower().toStdString() + ".html");
    if (!QFileInfo(q(page)).isFile()) {
        message_box("ヘルプのファイルが見つからないにゃ。\n" + page, APP_TITLE);
        return;
    }
    if (!help) {
        help = new QTextBrowser(&window);
        // Kept for the next time when closed: the game's own loop never
        // gets round to deleting windows later.
        help->setWindowFlag(Qt::Window);
        help->setWindowTitle(QStringLiteral("とんぼら ヘルプ"));
        help->resize(520, 600);
        for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
            QObject::connect(new QShortcut(key, help), &QShortcut::activated, help, &QWidget::close);
    }
    help->setSource(QUrl::fromLocalFile(q(page)));
    help->show();
    help->raise();
    help->activateWindow();
}

void QtPlatform::play_wave(const std::string& path)
{
    if (audio)
        audio->play_wave(path);
}

int QtPlatform::mci_send_string(const char* command, char* reply, std::size_t reply_len)
{
    return audio ? audio->mci_send_string(command, reply, reply_len) : 1;
}

void QtPlatform::short_path_name(const char* path, char* buf, std::size_t buf_len)
{
    if (audio)
        audio->short_path_name(path, buf, buf_len);
}

std::string QtPlatform::program_folder()
{
    static const std::string folder =
        choose_program_folder(QCoreApplication::applicationDirPath().toStdString(), TOMBORA_DATA_DIR);
    return folder;
}

void reject_open_boxes()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QDialog*>(top); box && box->isModal() && box->isVisible())
            box->reject();
}

// A box still open (the game may be leaving on a signal) is answered as
// by Escape, so that the handler that opened it returns.
void QtPlatform::quit()
{
    quitting = true;
    reject_open_boxes();
    if (help)
        help->close();
    window.hide();
}
