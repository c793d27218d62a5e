// The platform layer on Qt: the real window, clock, boxes and help, with
// the sound system behind play_wave and the media commands.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <memory>

#include "shell/platform.h"

class AudioSystem;
class Form1;
class QTextBrowser;

// Answers every open modal box as Escape does.
void reject_open_boxes();

class QtPlatform : public Platform {
public:
    QtPlatform(Form1& window, AudioSystem* audio);
    ~QtPlatform() override;

    uint32_t tick() override;
    void process_events() override;
    void wait_events(uint32_t max_ms) override;
    void refresh(const Surface& surface) override;
    void message_box(const std::string& text, const std::string& caption) override;
    bool ask_yes_no(const std::string& text, const std::string& caption) override;
    std::string input_box(const std::string& prompt) override;
    bool menu_checked(MenuItem item) override;
    void set_menu_checked(MenuItem item, bool checked) override;
    void set_menu_enabled(MenuItem item, bool enabled) override;
    void show_help(const std::string& path) override;
    void play_wave(const std::string& path) override;
    int mci_send_string(const char* command, char* reply, std::size_t reply_len) override;
    void short_path_name(const char* path, char* buf, std::size_t buf_len) override;
    std::string program_folder() override;
    void quit() override;

private:
    Form1& window;
    AudioSystem* audio;
    QTimer deadline;
    QPointer<QTextBrowser> help;
    bool quitting = false;
};
