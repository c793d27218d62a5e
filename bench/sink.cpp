// What the player hears of the music and the voices, judged from the
// sound server's sink; and the game's pieces as it plays them.
//
// Usage: parec --raw --format=s16le --rate=44100 --channels=2
//          --latency-msec=5 -d SINK.monitor | sink judge EVENTS PIECE.mid... VOICE.wav...
//        sink render PIECE.mid OUT.wav
//
// judge: the recording is read to its end first (sink_recording.h), then
// EVENTS, which the driving script wrote while it played: one line per
// key sent, "<ns> key [<rhythm>]" or "<ns> change <piece.mid>" (a key that
// makes the game start that piece), with the CLOCK_REALTIME time just
// before the key was sent. Each piece is rendered offline through the
// game's own mix until it says it stopped, which gives its length L.
// Prints, for each pass of a piece found (by its first 1.5 s): when the
// piece repeated straight after, the restart's offset from the due end
// (next start - start - L: negative, the end was cut; positive, a gap) and
// how its last second matches the piece's; how much later than due from
// its start its music was heard as it went on (drift), and the holes of
// silence in it. For each change: the time from the event to the arrival
// of the first frame heard of the new piece, and how much of its beginning
// was not heard. For each key: the time from the key to the arrival of
// the block holding its voice's first frame, found by correlation with
// the voices' first 30 ms, with the music taken out first (a block
// arrives a few ms after the sink rendered it: each figure is an upper
// bound of that small error). Last, a line "keys" for all of them and one
// for each rhythm: found, missed, median, p90, max. Each figure's name
// ("restart_ms", "end_match", "drift_ms", "holes", "change_ms") is a word
// a script can grep.
//
// render: the piece from "play" until it reports "stopped", then one more
// second, so that a release or reverb tail is kept as the game would play
// it, into a 32-bit float WAV file: to compare the music's length and
// loudness across changes to the synthesiser (sox stats, ffmpeg's ebur128).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sndfile.h>

#include "music/audio_system.h"
#include "sink_report.h"

namespace {

constexpr int RENDER_BLOCK = 64;  // frames: the length is known to 1.5 ms

std::string send(AudioSystem& audio, const std::string& command)
{
    char reply[256] = {};
    if (audio.mci_send_string(command.c_str(), reply, sizeof reply) != 0)
        return "error";
    return reply;
}

std::string file_name(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool ends_with(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Plays the piece offline from "play" until it reports "stopped", and
// then tail frames more, handing each block to out.
template <class Out>
bool play_offline(const std::string& path, size_t tail, Out out)
{
    AudioSystem audio(AudioSystem::Output::offline);
    if (send(audio, "open \"" + path + "\" alias MIDI") == "error" || send(audio, "play MIDI from 0") == "error")
        return false;
    std::vector<float> left(RENDER_BLOCK), right(RENDER_BLOCK);
    while (send(audio, "status MIDI mode") != "stopped") {
        audio.render(left, right);
        out(left, right);
    }
    for (size_t after = 0; after < tail; after += RENDER_BLOCK) {
        audio.render(left, right);
        out(left, right);
    }
    return true;
}

std::optional<Piece> render_piece(const std::string& path)
{
    Piece piece{.name = file_name(path), .render = {}, .length = 0};
    bool played = play_offline(path, 0, [&](const std::vector<float>& left, const std::vector<float>& right) {
        for (int i = 0; i < RENDER_BLOCK; ++i)
            piece.render.push_back((left[i] + right[i]) / 2);
    });
    if (!played)
        return std::nullopt;
    piece.length = piece.render.size();
    return piece;
}

int render(const char* path, const char* out_path)
{
    SF_INFO info{};
    info.samplerate = AudioSystem::SAMPLE_RATE;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* out = sf_open(out_path, SFM_WRITE, &info);
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", out_path);
        return 1;
    }
    std::vector<float> frames(2 * RENDER_BLOCK);
    bool played = play_offline(path, AudioSystem::SAMPLE_RATE, [&](const std::vector<float>& left,
                                                                   const std::vector<float>& right) {
        for (int i = 0; i < RENDER_BLOCK; ++i) {
            frames[2 * i] = left[i];
            frames[2 * i + 1] = right[i];
        }
        sf_writef_float(out, frames.data(), RENDER_BLOCK);
    });
    sf_close(out);
    if (!played)
        std::fprintf(stderr, "cannot play %s\n", path);
    return played ? 0 : 1;
}

std::vector<Event> read_events(const std::string& path)
{
    std::vector<Event> events;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        Event e;
        std::string kind;
        if (!(fields >> e.time >> kind))
            continue;
        if (kind == "change" && fields >> e.piece)
            e.piece = file_name(e.piece);
        else if (kind == "key")
            fields >> e.rhythm;
        events.push_back(e);
    }
    return events;
}

double seconds(size_t frame) { return double(frame) / SINK_RATE; }

// How far the monitor fell behind wall time in [from, to): frames lost on
// the way, or the server's clock standing still; either way they are
// missing from any time counted in frames there.
double lost_between(const std::vector<std::pair<size_t, double>>& gaps, size_t from, size_t to)
{
    double ms = 0;
    for (auto [frame, lost] : gaps)
        if (frame >= from && frame < to)
            ms += lost;
    return ms;
}

// One line a pass: where it began; when the piece repeated straight after,
// the restart's offset from the due end and how its last second matches;
// how much later than due its music was heard as it went on; its holes.
void print_pass(const PassFigures& pass, const std::vector<std::pair<size_t, double>>& gaps)
{
    std::printf("pass %s at %.2f s (match %.2f):", pass.piece->name.c_str(), seconds(pass.start.frame),
                pass.start.correlation);
    if (pass.next) {
        std::printf(" restart_ms %+.1f", pass.restart_ms());
        if (pass.end)
            std::printf(" end_match %.2f best %.2f at %+.1f ms", pass.end->in_place, pass.end->best.correlation,
                        pass.end->best.ms());
        if (double lost = lost_between(gaps, pass.start.frame, *pass.next); lost > 0)
            std::printf(" (the monitor fell %.1f ms behind wall time: %+.1f ms in wall time)", lost,
                        pass.restart_ms() + lost);
    } else {
        std::printf(" not followed by itself");
    }
    std::printf(";");
    for (const Drift& d : pass.drift)
        std::printf(" drift_ms %+.1f from %.0f s", d.ms, seconds(d.into));
    if (pass.drift.empty())
        std::printf(" not found again after its head");
    double total = 0;
    for (auto [frame, ms] : pass.holes)
        total += ms;
    std::printf("; holes %zu, %.1f ms", pass.holes.size(), total);
    for (size_t i = 0; i < std::min<size_t>(pass.holes.size(), 8); ++i)
        std::printf("%s %.1f ms at %.2f s", i ? "," : ":", pass.holes[i].second, seconds(pass.holes[i].first));
    std::printf(pass.holes.size() > 8 ? ", ...\n" : "\n");
}

// p of the sorted values, by nearest rank.
double rank(const std::vector<double>& sorted, double p)
{
    size_t i = size_t(std::max(1.0, std::ceil(p * double(sorted.size())))) - 1;
    return sorted[i];
}

// The keys of one rhythm (all of them for ""): how many voices were found,
// and how long they took.
void print_keys(const std::vector<KeyFigures>& keys, const std::string& rhythm)
{
    std::vector<double> ms;
    size_t count = 0;
    for (const KeyFigures& key : keys) {
        if (!rhythm.empty() && key.event.rhythm != rhythm)
            continue;
        ++count;
        if (key.ms)
            ms.push_back(*key.ms);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("keys%s%s found %zu missed %zu", rhythm.empty() ? "" : " ", rhythm.c_str(), ms.size(), count - ms.size());
    if (!ms.empty())
        std::printf(" median_ms %.1f p90_ms %.1f max_ms %.1f", rank(ms, 0.5), rank(ms, 0.9), ms.back());
    std::printf("\n");
}

void print_report(const SinkReport& report, const std::vector<Piece>& pieces, const Recording& recording,
                  const std::vector<std::pair<size_t, double>>& gaps)
{
    const int64_t t0 = recording.arrivals.front().second;
    for (size_t i = 0; i < pieces.size(); ++i) {
        std::printf("piece %s: %.3f s; its first %.1f s recur inside it at", pieces[i].name.c_str(),
                    seconds(pieces[i].length), seconds(PIECE_HEAD));
        for (size_t k : report.recurrences[i])
            std::printf(" %.2f s", seconds(k));
        std::printf(report.recurrences[i].empty() ? " no place\n" : "\n");
    }
    for (const PassFigures& pass : report.passes)
        print_pass(pass, gaps);
    for (const ChangeFigures& change : report.changes) {
        std::printf("change to %s at %.2f s: ", change.event.piece.c_str(), double(change.event.time - t0) / 1e9);
        if (change.ms)
            std::printf("change_ms %.1f to its first frame heard, skipped_ms %.1f of its beginning\n", *change.ms,
                        change.skipped_ms);
        else
            std::printf("change_ms none: its start was not found after it\n");
    }
    std::vector<std::string> rhythms{""};
    for (const KeyFigures& key : report.keys) {
        std::printf("key at %.2f s%s%s: ", double(key.event.time - t0) / 1e9, key.event.rhythm.empty() ? "" : ", ",
                    key.event.rhythm.c_str());
        if (key.ms)
            std::printf("%.1f ms (correlation %.2f)\n", *key.ms, key.voice.score);
        else
            std::printf("no voice found (best correlation %.2f)\n", key.voice.score);
        if (std::find(rhythms.begin(), rhythms.end(), key.event.rhythm) == rhythms.end())
            rhythms.push_back(key.event.rhythm);
    }
    for (const std::string& rhythm : rhythms)
        print_keys(report.keys, rhythm);
}

int judge(int argc, char** argv)
{
    // Read first: a pipe left waiting would hold up the recorder and its times.
    Recording recording;
    recording.read(stdin);
    if (recording.arrivals.empty()) {
        std::fprintf(stderr, "nothing was recorded\n");
        return 1;
    }
    std::vector<Piece> pieces;
    std::vector<std::vector<float>> voices;
    for (int i = 2; i < argc; ++i) {
        const std::string path = argv[i];
        if (ends_with(path, ".mid")) {
            auto piece = render_piece(path);
            if (!piece) {
                std::fprintf(stderr, "cannot render %s\n", argv[i]);
                return 1;
            }
            pieces.push_back(std::move(*piece));
        } else if (auto sound = decode_wave(path, SINK_RATE)) {
            voices.push_back(voice_template(*sound));
        } else {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
    }
    // Frames and wall time disagree when the monitor lost frames or the
    // server's clock stood still.
    std::printf("recording: %.2f s of frames over %.2f s of arrivals; frames behind wall time:",
                seconds(recording.mono.size()),
                double(recording.arrivals.back().second - recording.arrivals.front().second) / 1e9);
    const auto gaps = recording.gaps();
    for (auto [frame, ms] : gaps)
        std::printf(" %.1f ms at %.2f s,", ms, seconds(frame));
    std::printf(gaps.empty() ? " none\n" : " (positions in frames)\n");
    print_report(judge_sink(recording, pieces, voices, read_events(argv[1])), pieces, recording, gaps);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "judge" && argc >= 4)
        return judge(argc - 1, argv + 1);
    if (command == "render" && argc == 4)
        return render(argv[2], argv[3]);
    std::fprintf(stderr, "usage: parec ... | %s judge EVENTS PIECE.mid... VOICE.wav...\n"
                         "       %s render PIECE.mid OUT.wav\n", argv[0], argv[0]);
    return 2;
}
