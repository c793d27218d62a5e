// A platform for tests: a clock the test moves, scripted answers for the
// boxes, menu marks in a map, and a record of everything the game asked.
#pragma once

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "raster/surface.h"
#include "shell/platform.h"

class FakePlatform : public Platform {
public:
    uint32_t now = 0;
    // Run on each process_events / wait_events, in order: the events the
    // window would dispatch to the game's handlers then.
    std::deque<std::function<void()>> pending_events;
    int process_calls = 0;
    std::vector<uint32_t> waits;  // max_ms of each wait_events
    // Milliseconds that a wait lets pass; by default the whole max_ms.
    std::function<uint32_t(uint32_t)> wait_advances = [](uint32_t ms) { return ms; };

    int refreshes = 0;
    std::vector<Rect> last_damage;  // the rectangles changed at the last refresh
    std::vector<std::string> messages;  // "caption|text" of every box
    std::deque<bool> yes_no_answers;
    std::deque<std::string> input_answers;

    std::map<MenuItem, bool> checked;
    std::map<MenuItem, bool> enabled{{MenuItem::start, true}, {MenuItem::stop, false}};

    std::vector<std::string> helps;
    std::vector<std::string> waves;
    std::vector<std::string> commands;  // every media command sent
    // Answer to a media command: result code and reply text.
    std::function<std::pair<int, std::string>(const std::string&)> media =
        [](const std::string&) { return std::pair<int, std::string>{0, ""}; };
    std::string folder = "/opt/tombora";
    bool quitted = false;

    uint32_t tick() override { return now; }
    void process_events() override
    {
        ++process_calls;
        run_pending();
    }
    void wait_events(uint32_t max_ms) override
    {
        waits.push_back(max_ms);
        now += wait_advances(max_ms);
        run_pending();
    }
    void refresh(const Surface& s) override
    {
        ++refreshes;
        last_damage = damage(s);
    }
    void message_box(const std::string& text, const std::string& caption) override
    {
        messages.push_back(caption + "|" + text);
    }
    bool ask_yes_no(const std::string& text, const std::string& caption) override
    {
        messages.push_back(caption + "|" + text);
        bool answer = yes_no_answers.empty() ? true : yes_no_answers.front();
        if (!yes_no_answers.empty())
            yes_no_answers.pop_front();
        return answer;
    }
    std::string input_box(const std::string& prompt) override
    {
        messages.push_back("input|" + prompt);
        std::string answer = input_answers.empty() ? "" : input_answers.front();
        if (!input_answers.empty())
            input_answers.pop_front();
        return answer;
    }
    bool menu_checked(MenuItem item) override { return checked[item]; }
    void set_menu_checked(MenuItem item, bool c) override { checked[item] = c; }
    void set_menu_enabled(MenuItem item, bool e) override { enabled[item] = e; }
    void show_help(const std::string& path) override { helps.push_back(path); }
    void play_wave(const std::string& path) override { waves.push_back(path); }
    int mci_send_string(const char* command, char* reply, std::size_t reply_len) override
    {
        commands.emplace_back(command);
        auto [code, text] = media(command);
        if (reply_len > 0) {
            std::strncpy(reply, text.c_str(), reply_len - 1);
            reply[reply_len - 1] = '\0';
        }
        return code;
    }
    void short_path_name(const char* path, char* buf, std::size_t buf_len) override
    {
        std::string quoted = std::string("\"") + path + "\"";
        if (quoted.size() < buf_len)
            std::memcpy(buf, quoted.c_str(), quoted.size() + 1);
    }
    std::string program_folder() override { return folder; }
    void quit() override { quitted = true; }

private:
    void run_pending()
    {
        while (!pending_events.empty()) {
            auto event = std::move(pending_events.front());
            pending_events.pop_front();
            event();
        }
    }
};
