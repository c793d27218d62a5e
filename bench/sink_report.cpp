#include "sink_report.h"

#include <algorithm>
#include <cmath>

namespace {

// How far after a key its voice is looked for; never past the next key,
// whose own voice could stand there.
constexpr size_t VOICE_SEARCH = SINK_RATE * 800 / 1000;

// A pass's drift: a quarter of a second of its music is looked for
// every half second, that far either side of where it was heard last.
constexpr size_t DRIFT_WINDOW = SINK_RATE / 4;
constexpr size_t DRIFT_STEP = SINK_RATE / 2;
constexpr size_t DRIFT_SEARCH = SINK_RATE / 4;
constexpr double DRIFT_CHANGE_MS = 2;

// A hole: this many frames below SILENT (a sixteen-bit step is 3e-5) where
// the piece is above SOUNDING (root mean square).
constexpr size_t HOLE = SINK_RATE * 2 / 1000;
constexpr float SILENT = 1e-4f;
constexpr double SOUNDING = 1e-3;

// Around a key, the music is taken out at the lags it had from this
// before the key to this after it.
constexpr size_t LAG_BEFORE = SINK_RATE / 2;
constexpr size_t LAG_AFTER = 2 * SINK_RATE;

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
    for (const Heard& h : heads) {
        if (!passes.empty() && goes_on(passes.back(), pieces[h.piece], h.start.frame, offsets[h.piece]))
            continue;
        PassFigures pass;
        pass.piece = &pieces[h.piece];
        pass.start = h.start;
        passes.push_back(pass);
    }
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

// The frames after start where the pass is heard: until its piece ends or
// the next pass begins.
size_t span_of(const std::vector<PassFigures>& passes, size_t i, size_t recorded)
{
    size_t end = std::min(passes[i].start.frame + passes[i].piece->length, recorded);
    if (i + 1 < passes.size())
        end = std::min(end, passes[i + 1].start.frame);
    return end - passes[i].start.frame;
}

long frames_of(double ms) { return std::lround(ms * SINK_RATE / 1000); }

// How late the pass is heard from into on.
double drift_at(const PassFigures& pass, size_t into)
{
    double ms = 0;
    for (const Drift& d : pass.drift)
        if (d.into <= into)
            ms = d.ms;
    return ms;
}

// Whether the piece sounds over the frames heard from into on.
bool piece_sounds(const PassFigures& pass, size_t into, size_t frames)
{
    const long from = long(into) - frames_of(drift_at(pass, into));
    double sum = 0;
    for (long q = std::max(0L, from); q < from + long(frames) && size_t(q) < pass.piece->length; ++q)
        sum += double(pass.piece->render[size_t(q)]) * pass.piece->render[size_t(q)];
    return sum / double(frames) > SOUNDING * SOUNDING;
}

// Where the pass's music is heard, every half second, and until where:
// a quarter of a second of it looked for around where it was heard the
// time before.
void follow_drift(PassFigures& pass, size_t span, std::span<const float> x)
{
    long lag = 0;  // frames, as last confirmed
    Drift pending{SIZE_MAX, 0};  // a new lag seen once, and where (none: SIZE_MAX)
    for (size_t into = 0; into + DRIFT_WINDOW <= span; into += DRIFT_STEP) {
        const long at = long(pass.start.frame + into) + lag;
        if (at < 0)
            continue;
        const Lag heard = lag_of(x, std::span(pass.piece->render).subspan(into, DRIFT_WINDOW), size_t(at), DRIFT_SEARCH);
        // A voice over it, or the piece no longer heard there.
        if (heard.correlation < PIECE_MATCH)
            continue;
        pass.heard = into + DRIFT_WINDOW;
        const long now = lag + heard.frames;
        const Drift seen{into, double(now) * 1000.0 / SINK_RATE};
        // A lag counts once the next look finds it again: a hole or a voice
        // in the window can make one look pick a wrong one.
        if (pass.drift.empty() || (pending.into != SIZE_MAX && std::abs(seen.ms - pending.ms) < DRIFT_CHANGE_MS)) {
            pass.drift.push_back({std::min(pending.into, into), seen.ms});
            lag = now;
            pending.into = SIZE_MAX;
        } else {
            pending = std::abs(seen.ms - pass.drift.back().ms) >= DRIFT_CHANGE_MS ? seen : Drift{SIZE_MAX, 0};
        }
    }
}

// Runs of silence in the pass, before its music was last heard, where the
// piece, as aligned by its drift, is not silent.
std::vector<std::pair<size_t, double>> holes_in(const PassFigures& pass, std::span<const float> x)
{
    std::vector<std::pair<size_t, double>> holes;
    const size_t start = pass.start.frame, end = start + pass.heard;
    for (size_t f = start, run = 0; f <= end; ++f) {
        if (f < end && std::abs(x[f]) < SILENT) {
            ++run;
            continue;
        }
        if (run >= HOLE && piece_sounds(pass, f - run - start, run))
            holes.emplace_back(f - run, double(run) * 1000.0 / SINK_RATE);
        run = 0;
    }
    return holes;
}

const PassFigures* pass_at(const std::vector<PassFigures>& passes, size_t frame, size_t recorded)
{
    for (size_t i = passes.size(); i-- > 0;)
        if (passes[i].start.frame <= frame)
            return frame < passes[i].start.frame + span_of(passes, i, recorded) ? &passes[i] : nullptr;
    return nullptr;
}

// How loud the pass is heard against the piece as rendered, from its head
// (the voices, which do not follow the music, hardly count).
float level_heard(const PassFigures& pass, std::span<const float> x)
{
    const auto head = head_of(*pass.piece);
    double xm = 0, mm = 0;
    for (size_t i = 0; i < head.size() && pass.start.frame + i < x.size(); ++i) {
        xm += double(x[pass.start.frame + i]) * head[i];
        mm += double(head[i]) * head[i];
    }
    return mm > 0 ? float(xm / mm) : 0.0f;
}

// The recording's frames [from, to) with the pass's music taken out as if
// heard lag_ms late, at the level heard: what is left is the voices.
std::vector<float> without_music(std::span<const float> x, const PassFigures& pass, size_t from, size_t to,
                                 double lag_ms)
{
    std::vector<float> rest(x.begin() + long(from), x.begin() + long(to));
    const Piece& piece = *pass.piece;
    const float gain = level_heard(pass, x);
    for (long i = 0, q = long(from - pass.start.frame) - frames_of(lag_ms); i < long(rest.size()); ++i, ++q)
        if (q >= 0 && size_t(q) < piece.length)
            rest[size_t(i)] -= gain * piece.render[size_t(q)];
    return rest;
}

// The lags the music may have where a voice begins: as heard just before,
// and any it took in the next seconds (a voice may well move the music,
// and while it sounds the drift cannot be seen).
std::vector<double> lags_around(const PassFigures& pass, size_t into)
{
    const size_t before = into > LAG_BEFORE ? into - LAG_BEFORE : 0;
    std::vector<double> lags = {drift_at(pass, before)};
    for (const Drift& d : pass.drift)
        if (d.into > before && d.into <= into + LAG_AFTER)
            lags.push_back(d.ms);
    return lags;
}

// The best match of the voices over [from, to), in the recording as it is
// or with the music of the pass heard there taken out at one of its likely
// lags, whichever leaves the clearest voice: the voices begin as loud as
// the music and would be found under it only now and then, but where the
// music has stopped, taking it out would only add it.
VoiceFound voice_without_music(const Recording& recording, const std::vector<PassFigures>& passes,
                               const std::vector<std::vector<float>>& voices, size_t from, size_t to)
{
    size_t longest = 0;
    for (const auto& v : voices)
        longest = std::max(longest, v.size());
    const std::span<const float> x = recording.mono;
    const size_t end = std::min(to + longest, x.size());
    VoiceFound best = find_voice(x, voices, from, to);
    const PassFigures* pass = pass_at(passes, from, x.size());
    if (!pass)
        return best;
    for (double lag : lags_around(*pass, from - pass->start.frame)) {
        VoiceFound v = find_voice(without_music(x, *pass, from, end, lag), voices, 0, to - from);
        if (v.correlation > best.correlation)
            best = {v.correlation, v.onset + from};
    }
    return best;
}

KeyFigures voice_heard(const Event& key, std::optional<int64_t> next_key, const Recording& recording,
                       const std::vector<PassFigures>& passes, const std::vector<std::vector<float>>& voices)
{
    const size_t from = recording.first_frame_after(key.time);
    size_t to = std::min(from + VOICE_SEARCH, recording.mono.size());
    if (next_key)
        to = std::min(to, recording.first_frame_after(*next_key));
    KeyFigures figures{key, voice_without_music(recording, passes, voices, from, to), std::nullopt};
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
    for (size_t i = 0; i < report.passes.size(); ++i) {
        const size_t span = span_of(report.passes, i, recording.mono.size());
        follow_drift(report.passes[i], span, recording.mono);
        report.passes[i].holes = holes_in(report.passes[i], recording.mono);
    }
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
                                          report.passes, voices));
    }
    return report;
}
