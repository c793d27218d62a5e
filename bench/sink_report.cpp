#include "sink_report.h"

#include <algorithm>

#include "sink_passes.h"
#include "sink_voices.h"

namespace {

// How long before a change the piece it starts may seem to begin: when
// its first frames are not heard, its start lies before what is heard.
constexpr int64_t START_SKIPPED_NS = 1'000'000'000;
// The first frame heard of a piece is looked for in steps of this many,
// for a second.
constexpr size_t HEARD_STEP = SINK_RATE / 100;

// The first frame of the pass heard as the piece.
size_t first_heard(const PassFigures& pass, std::span<const float> x)
{
    const auto render = std::span(pass.piece->render);
    for (size_t into = 0; into + HEARD_STEP <= std::min<size_t>(SINK_RATE, pass.piece->length); into += HEARD_STEP)
        if (correlation_at(x, pass.start.frame + into, render.subspan(into, HEARD_STEP)) >= PIECE_MATCH)
            return pass.start.frame + into;
    return pass.start.frame;
}

// The change's pass: the first of its piece that begins after it, or
// seems to begin a little before when its first frames are not heard.
ChangeFigures change_heard(const Event& change, const std::vector<PassFigures>& passes, const Recording& recording,
                           std::vector<bool>& started)
{
    for (size_t i = 0; i < passes.size(); ++i) {
        const PassFigures& pass = passes[i];
        if (pass.piece->name != change.piece || recording.arrival_of(pass.start.frame) <= change.time - START_SKIPPED_NS)
            continue;
        started[i] = true;
        const size_t heard = first_heard(pass, recording.mono);
        return {change, double(recording.arrival_of(heard) - change.time) / 1e6,
                double(heard - pass.start.frame) * 1000.0 / SINK_RATE};
    }
    return {change, std::nullopt, 0};
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
    report.passes = passes_in(recording, pieces, report.recurrences);
    std::vector<bool> started(report.passes.size(), false);
    std::vector<Event> keys;
    for (const Event& e : events) {
        if (!e.piece.empty())
            report.changes.push_back(change_heard(e, report.passes, recording, started));
        else
            keys.push_back(e);
    }
    link_repeats(report.passes, started, recording.mono);
    for (size_t k = 0; k < keys.size(); ++k)
        report.keys.push_back(voice_heard(keys[k], k + 1 < keys.size() ? std::optional(keys[k + 1].time) : std::nullopt,
                                          recording, report.passes, voices));
    return report;
}
