// Stretches of a surface row, and the rectangles that the stretches of a
// whole surface make: what was written in a row, and what changed on the
// screen. A few stretches a row are enough to keep the five cats of a
// round apart; more are merged, so a row's stretches may cover more than
// was written, never less.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct Span {
    int16_t left = 0, right = 0;  // [left, right)
};

struct Spans {
    static constexpr int MAX = 4;
    std::array<Span, MAX> span;  // sorted, apart (not even touching)
    uint8_t count = 0;

    // Adds [left, right); an empty stretch changes nothing.
    void add(int left, int right)
    {
        // Most stretches are added again and again (a cat's mask and
        // picture, a text's rows): those are quickly found.
        for (const Span& s : *this)
            if (left >= s.left && right <= s.right)
                return;
        join(left, right);
    }
    void add(const Spans& other);
    void clear() { count = 0; }
    bool empty() const { return count == 0; }
    const Span* begin() const { return span.data(); }
    const Span* end() const { return span.data() + count; }

private:
    void join(int left, int right);
};

struct Rect {
    int left, top, right, bottom;  // [left, right) x [top, bottom)
    bool operator==(const Rect&) const = default;
};

// The rows' stretches as rectangles: a stretch repeated on the rows below
// it extends one rectangle (a cat's box is one rectangle, not 75 rows).
std::vector<Rect> rectangles(const std::vector<Spans>& rows);
