// The passes of the pieces heard in a recording of the sink: where each
// began, how late its music was heard as it went on, the holes of silence
// in it, and which pass repeated which.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "sink_report.h"

std::span<const float> head_of(const Piece& piece);

// Where the head of the piece recurs inside it, as offsets from its start.
std::vector<size_t> recurrences(const Piece& piece);

// The passes heard, in order, with their drift and holes; offsets holds
// each piece's recurrences.
std::vector<PassFigures> passes_in(const Recording& recording, const std::vector<Piece>& pieces,
                                   const std::vector<std::vector<size_t>>& offsets);

// Links each pass to the next when that is the same piece repeating by
// itself, not started by a change (started[i]: pass i was).
void link_repeats(std::vector<PassFigures>& passes, const std::vector<bool>& started, std::span<const float> x);

// How late the pass is heard from into (frames into the piece) on.
double drift_at(const PassFigures& pass, size_t into);

// The pass heard at the frame, if any.
const PassFigures* pass_at(const std::vector<PassFigures>& passes, size_t frame, size_t recorded);

long frames_of(double ms);
