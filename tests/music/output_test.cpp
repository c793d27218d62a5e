// The real output stream as the game builds it: whatever the machine has
// (a sound server, a card, or nothing), it starts without a word on the
// terminal, and without a device the music still ends.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "audio_fixture.h"
#include "midi_bytes.h"

namespace {

// Sends what the process writes to stderr into a file for a while.
class CapturedStderr {
public:
    CapturedStderr() : file_(std::tmpfile()), saved_(dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~CapturedStderr()
    {
        restore();
        std::fclose(file_);
    }
    std::string text()
    {
        restore();
        std::string out;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;)
            out += static_cast<char>(c);
        return out;
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
    }
    std::FILE* file_;
    int saved_;
};

using OutputTest = AudioTest;

TEST_F(OutputTest, StartsAndStopsWithoutMessages)
{
    std::string piece = file("short.mid", piano_piece({{0, 100}}));
    CapturedStderr captured;
    {
        AudioSystem device(AudioSystem::Output::device);
        device.start_output();
        std::string command = "open \"" + piece + "\" alias MIDI";
        EXPECT_EQ(device.mci_send_string(command.c_str(), nullptr, 0), 0);
        device.play_wave((dir / "missing.wav").string());
    }
    EXPECT_EQ(captured.text(), "");
}

// How exactly the time is counted is SilentTime's (server_link_test); here
// the whole way, through the media commands.
TEST_F(OutputTest, WithoutADeviceTheMusicStillEnds)
{
    AudioSystem device(AudioSystem::Output::device);
    if (std::string(device.output_name()) != "none")
        GTEST_SKIP() << "this machine has sound (" << device.output_name() << ")";
    std::string command = "open \"" + file("short.mid", piano_piece({{0, 300}})) + "\" alias MIDI";
    char reply[256];
    ASSERT_EQ(device.mci_send_string(command.c_str(), reply, sizeof reply), 0);
    device.mci_send_string("play MIDI from 0", reply, sizeof reply);
    device.mci_send_string("status MIDI mode", reply, sizeof reply);
    EXPECT_EQ(std::string(reply), "playing");
    // Waits (up to a limit, against a hang) for the piece to end.
    for (int i = 0; i < 500 && std::string(reply) == "playing"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        device.mci_send_string("status MIDI mode", reply, sizeof reply);
    }
    EXPECT_EQ(std::string(reply), "stopped");

    // Timed only, the piece still plays again from the start and stops.
    EXPECT_EQ(device.mci_send_string("play MIDI from 0", reply, sizeof reply), 0);
    device.mci_send_string("status MIDI mode", reply, sizeof reply);
    EXPECT_EQ(std::string(reply), "playing");
    EXPECT_EQ(device.mci_send_string("stop MIDI", reply, sizeof reply), 0);
    device.mci_send_string("status MIDI mode", reply, sizeof reply);
    EXPECT_EQ(std::string(reply), "stopped");
    EXPECT_EQ(device.mci_send_string("close MIDI", reply, sizeof reply), 0);
    EXPECT_NE(device.mci_send_string("status MIDI mode", reply, sizeof reply), 0);
}

}  // namespace
