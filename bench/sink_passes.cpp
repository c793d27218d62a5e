#include "sink_passes.h"

#include <algorithm>
#include <cmath>

namespace {

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

// How far from where the head recurs in the piece a pass going on may
// hear it again: the music may drift that much.
constexpr double RECURRENCE_SLACK = SINK_RATE;

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

// The frames after start where the pass is heard: until its piece ends or
// the next pass begins.
size_t span_of(const std::vector<PassFigures>& passes, size_t i, size_t recorded)
{
    size_t end = std::min(passes[i].start.frame + passes[i].piece->length, recorded);
    if (i + 1 < passes.size())
        end = std::min(end, passes[i + 1].start.frame);
    return end - passes[i].start.frame;
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

}  // namespace

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

std::vector<PassFigures> passes_in(const Recording& recording, const std::vector<Piece>& pieces,
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
    for (size_t i = 0; i < passes.size(); ++i) {
        follow_drift(passes[i], span_of(passes, i, recording.mono.size()), recording.mono);
        passes[i].holes = holes_in(passes[i], recording.mono);
    }
    return passes;
}

void link_repeats(std::vector<PassFigures>& passes, const std::vector<bool>& started, std::span<const float> x)
{
    for (size_t i = 0; i + 1 < passes.size(); ++i) {
        PassFigures& pass = passes[i];
        if (passes[i + 1].piece != pass.piece || started[i + 1])
            continue;
        pass.next = passes[i + 1].start.frame;
        pass.end = pass_end(x, pass.piece->render, pass.piece->length, pass.start.frame);
    }
}

double drift_at(const PassFigures& pass, size_t into)
{
    double ms = 0;
    for (const Drift& d : pass.drift)
        if (d.into <= into)
            ms = d.ms;
    return ms;
}

const PassFigures* pass_at(const std::vector<PassFigures>& passes, size_t frame, size_t recorded)
{
    for (size_t i = passes.size(); i-- > 0;)
        if (passes[i].start.frame <= frame)
            return frame < passes[i].start.frame + span_of(passes, i, recorded) ? &passes[i] : nullptr;
    return nullptr;
}

long frames_of(double ms) { return std::lround(ms * SINK_RATE / 1000); }

