#include "raster/spans.h"

#include <algorithm>

void Spans::join(int left, int right)
{
    if (left >= right)
        return;
    if (count == 0) {  // a row's first stretch: most rows of a frame
        span[0] = {int16_t(left), int16_t(right)};
        count = 1;
        return;
    }
    // Stretches [first, last) touch the new one; they become one.
    int first = 0;
    while (first < count && span[size_t(first)].right < left)
        ++first;
    int last = first;
    while (last < count && span[size_t(last)].left <= right)
        ++last;
    if (last > first) {
        Span& joined = span[size_t(first)];
        joined.left = int16_t(std::min<int>(joined.left, left));
        joined.right = int16_t(std::max<int>(span[size_t(last - 1)].right, right));
        std::copy(span.begin() + last, span.begin() + count, span.begin() + first + 1);
        count = uint8_t(count - (last - first - 1));
        return;
    }
    std::array<Span, MAX + 1> all;
    std::copy(span.begin(), span.begin() + first, all.begin());
    all[size_t(first)] = {int16_t(left), int16_t(right)};
    std::copy(span.begin() + first, span.begin() + count, all.begin() + first + 1);
    int n = count + 1;
    // One too many: join the two with the narrowest gap between them.
    if (n > MAX) {
        int nearest = 0;
        for (int i = 1; i + 1 < n; ++i)
            if (all[size_t(i + 1)].left - all[size_t(i)].right
                < all[size_t(nearest + 1)].left - all[size_t(nearest)].right)
                nearest = i;
        all[size_t(nearest)].right = all[size_t(nearest + 1)].right;
        std::copy(all.begin() + nearest + 2, all.begin() + n, all.begin() + nearest + 1);
        --n;
    }
    std::copy(all.begin(), all.begin() + n, span.begin());
    count = uint8_t(n);
}

void Spans::add(const Spans& other)
{
    for (const Span& s : other)
        add(s.left, s.right);
}

std::vector<Rect> rectangles(const std::vector<Spans>& rows)
{
    std::vector<Rect> done, open, still_open;
    for (int y = 0; y < int(rows.size()); ++y) {
        if (open.empty() && rows[size_t(y)].empty())
            continue;  // most rows of a frame
        still_open.clear();
        for (const Span& s : rows[size_t(y)]) {
            auto same = std::find_if(open.begin(), open.end(),
                                     [&](const Rect& r) { return r.left == s.left && r.right == s.right; });
            if (same != open.end()) {
                still_open.push_back({same->left, same->top, same->right, y + 1});
                same->right = same->left;  // taken
            } else {
                still_open.push_back({s.left, y, s.right, y + 1});
            }
        }
        for (const Rect& r : open)
            if (r.right > r.left)
                done.push_back(r);
        open.swap(still_open);
    }
    done.insert(done.end(), open.begin(), open.end());
    return done;
}
