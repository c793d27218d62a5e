// What the player heard, judged from a recording of the sink, the pieces
// rendered offline and the events the driving script noted: where each
// pass of a piece began and how it ended, how long a change of piece took
// to be heard, and how long each key's voice took.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "piece_passes.h"
#include "sink_recording.h"

struct Piece {
    std::string name;           // its file's name, without the folder
    std::vector<float> render;  // mono, at least length frames
    size_t length = 0;          // frames until the piece says it stopped
};

struct Event {
    int64_t time = 0;    // CLOCK_REALTIME ns, just before the key was sent
    std::string piece;   // empty for a key, else the piece a change starts
    std::string rhythm;  // a key's: the rhythm it was typed at, if named
};

// From a place in a pass on, its music is heard this much later than due
// from its start (negative: earlier).
struct Drift {
    size_t into = 0;  // frames into the piece
    double ms = 0;
};

struct PassFigures {
    const Piece* piece = nullptr;
    Start start;
    std::optional<size_t> next;    // the next pass of the same piece, straight after
    std::optional<PassEnd> end;    // with a next pass only
    std::vector<Drift> drift;      // sampled each half second, where it changed
    size_t heard = 0;              // frames into the piece it was heard to
    // Silence heard where the piece sounds (the stream ran dry): each hole's
    // first frame and length in ms.
    std::vector<std::pair<size_t, double>> holes;
    double restart_ms() const;     // next - start - length: < 0, its end was cut
};

struct ChangeFigures {
    Event event;
    std::optional<double> ms;  // to the arrival of the first frame heard of the new piece
    double skipped_ms = 0;     // of the piece's beginning, not heard
};

struct KeyFigures {
    Event event;
    Match voice;
    std::optional<double> ms;  // to the arrival of its voice's first frame
};

struct SinkReport {
    // Per piece, where its head recurs inside it (frames from its start):
    // heard there, the piece is going on, not starting again.
    std::vector<std::vector<size_t>> recurrences;
    std::vector<PassFigures> passes;  // in the order heard
    std::vector<ChangeFigures> changes;
    std::vector<KeyFigures> keys;
};

// The head of a piece looked for: its first second and a half.
inline constexpr size_t PIECE_HEAD = SINK_RATE * 3 / 2;

SinkReport judge_sink(const Recording& recording, const std::vector<Piece>& pieces,
                      const std::vector<std::vector<float>>& voices, std::vector<Event> events);
