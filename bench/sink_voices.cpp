#include "sink_voices.h"

#include <algorithm>

#include "sink_passes.h"

namespace {

// How far after a key its voice is looked for.
constexpr size_t VOICE_SEARCH = SINK_RATE * 800 / 1000;

// Around a key, the music is taken out at the lags it had from this
// before the key to this after it.
constexpr size_t LAG_BEFORE = SINK_RATE / 2;
constexpr size_t LAG_AFTER = 2 * SINK_RATE;

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
Match voice_without_music(const Recording& recording, const std::vector<PassFigures>& passes,
                          const std::vector<std::vector<float>>& voices, size_t from, size_t to)
{
    size_t longest = 0;
    for (const auto& v : voices)
        longest = std::max(longest, v.size());
    const std::span<const float> x = recording.mono;
    const size_t end = std::min(to + longest, x.size());
    Match best = find_voice(x, voices, from, to);
    const PassFigures* pass = pass_at(passes, from, x.size());
    if (!pass)
        return best;
    for (double lag : lags_around(*pass, from - pass->start.frame)) {
        Match v = find_voice(without_music(x, *pass, from, end, lag), voices, 0, to - from);
        if (v.score > best.score)
            best = {v.at + from, v.score};
    }
    return best;
}

}  // namespace

KeyFigures voice_heard(const Event& key, std::optional<int64_t> next_key, const Recording& recording,
                       const std::vector<PassFigures>& passes, const std::vector<std::vector<float>>& voices)
{
    const size_t from = recording.first_frame_after(key.time);
    size_t to = std::min(from + VOICE_SEARCH, recording.mono.size());
    if (next_key)
        to = std::min(to, recording.first_frame_after(*next_key));
    KeyFigures figures{key, voice_without_music(recording, passes, voices, from, to), std::nullopt};
    if (figures.voice.score >= PIECE_MATCH)
        figures.ms = double(recording.arrival_of(figures.voice.at) - key.time) / 1e6;
    return figures;
}

