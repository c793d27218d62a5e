// The thin layer between the game and the machine: clock, window events,
// the play field's refresh, boxes, menu marks, help, sound and the music
// device. The game calls only this; the real window provides one
// implementation and the tests another, with a clock they control.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct Surface;

inline constexpr const char* APP_TITLE = "とんぼら";

enum class MenuItem { start, stop, ending, music, se, clear_high, help_show, about };

class Platform {
public:
    virtual ~Platform() = default;

    // The 32-bit millisecond tick; wraps at 2^32.
    virtual uint32_t tick() = 0;
    // Dispatches every pending event to its handler and returns.
    virtual void process_events() = 0;
    // Blocks until an event arrives or max_ms have passed, dispatching
    // what arrives. Never spins.
    virtual void wait_events(uint32_t max_ms) = 0;

    // Shows the surface's current image on the screen (the play field).
    virtual void refresh(const Surface& surface) = 0;

    // Modal boxes. A box without a caption of its own shows APP_TITLE.
    virtual void message_box(const std::string& text, const std::string& caption) = 0;
    // Yes and No, Yes the default; true for Yes.
    virtual bool ask_yes_no(const std::string& text, const std::string& caption) = 0;
    // Text-input box: the entered text, or empty on Cancel.
    virtual std::string input_box(const std::string& prompt) = 0;

    virtual bool menu_checked(MenuItem item) = 0;
    virtual void set_menu_checked(MenuItem item, bool checked) = 0;
    virtual void set_menu_enabled(MenuItem item, bool enabled) = 0;

    // Opens the help page at path, modeless, owned by the main window.
    virtual void show_help(const std::string& path) = 0;
    // Starts a wave file and returns at once; a new sound replaces one
    // still playing; a file that cannot be played gives a short blip.
    virtual void play_wave(const std::string& path) = 0;
    // The media command interpreter: 0 on success, non-zero on failure;
    // writes a NUL-terminated reply of at most reply_len bytes.
    virtual int mci_send_string(const char* command, char* reply, std::size_t reply_len) = 0;
    // Writes the form of path that goes into an open command; leaves buf
    // as it was when the path does not exist or does not fit.
    virtual void short_path_name(const char* path, char* buf, std::size_t buf_len) = 0;

    // The folder holding the program file, without a trailing separator.
    virtual std::string program_folder() = 0;
    // Closes the window and stops the platform's services.
    virtual void quit() = 0;
};

Platform& platform();
void set_platform(Platform* p);
