#include "sink_report.h"

#include <algorithm>
#include <cmath>

namespace {

// How far after a key its voice is looked for; never past the next key,
// whose own voice could stand there.
constexpr size_t VOICE_SEARCH = SINK_RATE * 800 / 1000;

// The music is taken out of the recording a tenth of a second at a time,
// where it still matches the piece this well.
constexpr size_t MUSIC_WINDOW = SINK_RATE / 10;
constexpr double STILL_THE_MUSIC = 0.2;

// How far from where the head recurs in the piece a pass going on may
// hear it again: the music may drift that much.
constexpr double RECURRENCE_SLACK = SINK_RATE;

double ms_between(int64_t from, int64_t to) { return double(to - from) / 1e6; }

std::span<const float> head_of(const Piece& piece)
{
    return std::span(piece.render).first(std::min(PIECE_HEAD, piece.length));
}

// Where the head of the piece recurs inside it, as offsets from its start.
std::vector<size_t> recurrences(const Piece& piece)
{
    std::vector<size_t> offsets;
    for (Start s : find_starts(std::span(piece.render).first(piece.length), head_of(piece)))
        if (s.frame > 0)
            offsets.push_back(s.frame);
    return offsets;
}

// A place where the head is heard is a new pass unless the pass heard
// last is of the same piece and has reached a place where its head recurs:
// a piece that repeats its opening is going on there, not starting again.
bool goes_on(const PassFigures& last, const Piece& piece, size_t frame, const std::vector<size_t>& offsets)
{
    if (last.piece != &piece)
        return false;
    return std::any_of(offsets.begin(), offsets.end(), [&](size_t k) {
        return std::abs(double(frame) - double(last.start.frame + k)) < RECURRENCE_SLACK;
    });
}

std::vector<PassFigures> passes_heard(const Recording& recording, const std::vector<Piece>& pieces,
                                      const std::vector<std::vector<size_t>>& offsets)
{
    struct Heard {
        size_t piece;
        Start start;
    };
    std::vector<Heard> heads;
    for (size_t i = 0; i < pieces.size(); ++i)
        for (Start s : find_starts(recording.mono, head_of(pieces[i])))
            heads.push_back({i, s});
    std::sort(heads.begin(), heads.end(), [](const auto& a, const auto& b) { return a.start.frame < b.start.frame; });
    std::vector<PassFigures> passes;
    for (const Heard& h : heads)
        if (passes.empty() || !goes_on(passes.back(), pieces[h.piece], h.start.frame, offsets[h.piece]))
            passes.push_back({.piece = &pieces[h.piece], .start = h.start, .next = std::nullopt, .end = std::nullopt});
    return passes;
}

bool change_between(const std::vector<Event>& events, int64_t from, int64_t to)
{
    return std::any_of(events.begin(), events.end(),
                       [&](const Event& e) { return !e.piece.empty() && e.time > from && e.time < to; });
}

// A pass's next is the following pass when it is of the same piece and no
// change of piece came between them: the piece repeating by itself.
void link_repeats(std::vector<PassFigures>& passes, const Recording& recording, const std::vector<Event>& events)
{
    for (size_t i = 0; i + 1 < passes.size(); ++i) {
        PassFigures &pass = passes[i], &following = passes[i + 1];
        if (following.piece != pass.piece
            || change_between(events, recording.arrival_of(pass.start.frame),
                              recording.arrival_of(following.start.frame)))
            continue;
        pass.next = following.start.frame;
        pass.end = pass_end(recording.mono, pass.piece->render, pass.piece->length, pass.start.frame);
    }
}

ChangeFigures change_heard(const Event& change, const std::vector<PassFigures>& passes, const Recording& recording)
{
    for (const PassFigures& pass : passes) {
        int64_t arrival = recording.arrival_of(pass.start.frame);
        if (pass.piece->name == change.piece && arrival > change.time)
            return {change, ms_between(change.time, arrival)};
    }
    return {change, std::nullopt};
}

// The recording with the music of each pass taken out wherever it is
// still heard as rendered, at the level of its head: what is left is the
// voices (which are as loud as the music, and would be found under it only
// now and then).
std::vector<float> without_music(const Recording& recording, const std::vector<PassFigures>& passes)
{
    std::vector<float> rest = recording.mono;
    for (size_t i = 0; i < passes.size(); ++i) {
        const PassFigures& pass = passes[i];
        const size_t from = pass.start.frame,
                     to = std::min({from + pass.piece->length, rest.size(),
                                    i + 1 < passes.size() ? passes[i + 1].start.frame : rest.size()});
        const std::span<const float> music = std::span(pass.piece->render).first(to - from);
        double xy = 0, yy = 0;
        for (size_t f = 0; f < head_of(*pass.piece).size(); ++f) {
            xy += double(rest[from + f]) * music[f];
            yy += double(music[f]) * music[f];
        }
        const float gain = yy > 0 ? float(xy / yy) : 0.0f;
        for (size_t w = 0; w < music.size(); w += MUSIC_WINDOW) {
            const auto window = music.subspan(w, std::min(MUSIC_WINDOW, music.size() - w));
            if (correlation_at(recording.mono, from + w, window) < STILL_THE_MUSIC)
                continue;
            for (size_t f = 0; f < window.size(); ++f)
                rest[from + w + f] -= gain * window[f];
        }
    }
    return rest;
}

KeyFigures voice_heard(const Event& key, std::optional<int64_t> next_key, const Recording& recording,
                       std::span<const float> voices_heard, const std::vector<std::vector<float>>& voices)
{
    size_t from = recording.first_frame_after(key.time), to = from + VOICE_SEARCH;
    if (next_key)
        to = std::min(to, recording.first_frame_after(*next_key));
    KeyFigures figures{key, find_voice(voices_heard, voices, from, to), std::nullopt};
    if (figures.voice.correlation >= PIECE_MATCH)
        figures.ms = ms_between(key.time, recording.arrival_of(figures.voice.onset));
    return figures;
}

}  // namespace

double PassFigures::restart_ms() const
{
    return (double(*next) - double(start.frame) - double(piece->length)) * 1000.0 / SINK_RATE;
}

SinkReport judge_sink(const Recording& recording, const std::vector<Piece>& pieces,
                      const std::vector<std::vector<float>>& voices, std::vector<Event> events)
{
    std::sort(events.begin(), events.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    SinkReport report;
    if (recording.arrivals.empty())
        return report;
    for (const Piece& piece : pieces)
        report.recurrences.push_back(recurrences(piece));
    report.passes = passes_heard(recording, pieces, report.recurrences);
    link_repeats(report.passes, recording, events);
    const std::vector<float> voices_heard = without_music(recording, report.passes);
    std::vector<int64_t> key_times;
    for (const Event& e : events)
        if (e.piece.empty())
            key_times.push_back(e.time);
    for (const Event& e : events) {
        if (!e.piece.empty()) {
            report.changes.push_back(change_heard(e, report.passes, recording));
            continue;
        }
        auto later = std::upper_bound(key_times.begin(), key_times.end(), e.time);
        report.keys.push_back(voice_heard(e, later == key_times.end() ? std::nullopt : std::optional(*later), recording,
                                          voices_heard, voices));
    }
    return report;
}
