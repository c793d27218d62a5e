// Where the passes of a piece begin in a recording of the sink, and how
// each pass ends, found by normalised cross-correlation with the piece as
// rendered offline.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "sink_recording.h"

// A correlation that counts as the piece.
inline constexpr double PIECE_MATCH = 0.8;

// The normalised correlation of t with x at every start from 0 to
// x.size() - t.size(), through the FFT, a block at a time; 0 where x is
// far quieter than t.
std::vector<double> correlation_curve(std::span<const float> x, std::span<const float> t);

struct Start {
    size_t frame = 0;
    double correlation = 0;
};

// Where head begins in x, in order. The head is heard there when all its
// sixths but one match at PIECE_MATCH or more, each within a few tens of
// milliseconds of where it is due (the stream may lose or put in a few
// milliseconds inside it); a start is where its first sixth heard puts
// it, and its correlation the poorest of them.
std::vector<Start> find_starts(std::span<const float> x, std::span<const float> head);

struct Lag {
    long frames = 0;  // positive: heard later than due
    double correlation = 0;
    double ms() const { return double(frames) * 1000.0 / SINK_RATE; }
};

// Where music that is due at x[at] is heard: its best match within
// search frames either side.
Lag lag_of(std::span<const float> x, std::span<const float> music, size_t at, size_t search);

struct PassEnd {
    double in_place = 0;   // the pass's last second, aligned on its start
    Lag best;              // the best match within half a second of that
};

// How the last second before the end of a pass that began at start
// matches render's last second before length; nothing when x ends too
// soon to tell.
std::optional<PassEnd> pass_end(std::span<const float> x, std::span<const float> render, size_t length, size_t start);
