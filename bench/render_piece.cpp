// Renders a piece through the game's own mix, offline, into a 32-bit float
// WAV file, to compare the music's length and loudness across changes to
// the synthesiser (sox stats, ffmpeg's ebur128 filter).
//
// Usage: render_piece PIECE.mid OUT.wav
// Renders from "play" until the piece reports "stopped", then one more
// second so a release or reverb tail is kept as the game would play it.
#include <sndfile.h>

#include <cstdio>
#include <string>
#include <vector>

#include "music/audio_system.h"

namespace {

constexpr int BLOCK = 1024;

std::string send(AudioSystem& audio, const std::string& command)
{
    char reply[256] = {};
    if (audio.mci_send_string(command.c_str(), reply, sizeof reply) != 0)
        return "error";
    return reply;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PIECE.mid OUT.wav\n", argv[0]);
        return 2;
    }
    AudioSystem audio(AudioSystem::Output::offline);
    if (send(audio, std::string("open \"") + argv[1] + "\" alias MIDI") == "error"
        || send(audio, "play MIDI from 0") == "error") {
        std::fprintf(stderr, "cannot play %s\n", argv[1]);
        return 1;
    }
    SF_INFO info{};
    info.samplerate = AudioSystem::SAMPLE_RATE;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* out = sf_open(argv[2], SFM_WRITE, &info);
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    std::vector<float> left(BLOCK), right(BLOCK), frames(2 * BLOCK);
    long long tail = -1;  // blocks still to render after the end
    while (tail != 0) {
        audio.render(left, right);
        for (int i = 0; i < BLOCK; ++i) {
            frames[2 * i] = left[i];
            frames[2 * i + 1] = right[i];
        }
        sf_writef_float(out, frames.data(), BLOCK);
        if (tail < 0 && send(audio, "status MIDI mode") == "stopped")
            tail = AudioSystem::SAMPLE_RATE / BLOCK;
        else if (tail > 0)
            --tail;
    }
    sf_close(out);
    return 0;
}
