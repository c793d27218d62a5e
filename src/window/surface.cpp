#include "window/surface.h"

#include <algorithm>
#include <cstring>

#include "shell/platform.h"

namespace {

uint64_t new_stamp()
{
    static uint64_t last = 0;
    return ++last;
}

}  // namespace

Surface::Surface(int w, int h, uint32_t colour, SurfaceFont f)
    : width(w), height(h), pixels(size_t(w) * h, rgb(0, 0, 0)), row_stamp(size_t(h)), row_origin(size_t(h)),
      text_colour(colour), font(std::move(f)), damage_top(0), damage_bottom(h)
{
    for (uint64_t& stamp : row_stamp)
        stamp = new_stamp();
}

void set_pixel(Surface& s, int x, int y, uint32_t colour)
{
    s.pixels[size_t(y) * s.width + x] = colour;
    mark_damage(s, y, y + 1);
}

void fill(Surface& s, uint32_t colour)
{
    std::fill(s.pixels.begin(), s.pixels.end(), colour);
    mark_damage(s, 0, s.height);
}

void mark_damage(Surface& s, int top, int bottom)
{
    if (top >= bottom)
        return;
    for (int row = top; row < bottom; ++row)
        s.row_stamp[size_t(row)] = new_stamp();
    if (s.damage_top >= s.damage_bottom) {
        s.damage_top = top;
        s.damage_bottom = bottom;
        return;
    }
    s.damage_top = std::min(s.damage_top, top);
    s.damage_bottom = std::max(s.damage_bottom, bottom);
}

namespace {

// The part of a w x h block that lies on both surfaces, in the block's own
// coordinates: every edge moves the block's start on the other surface by
// the same amount.
struct Block {
    int left, top, right, bottom;
};

Block clip(const Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy)
{
    return {std::max({0, -x, -sx}), std::max({0, -y, -sy}), std::min({w, dst.width - x, src.width - sx}),
            std::min({h, dst.height - y, src.height - sy})};
}

uint32_t* row_of(Surface& s, int x, int y) { return s.pixels.data() + size_t(y) * s.width + x; }
const uint32_t* row_of(const Surface& s, int x, int y) { return s.pixels.data() + size_t(y) * s.width + x; }

// Op(d, s, n) changes the n pixels of one row.
template <typename Op>
void blit_rows(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Op op)
{
    Block b = clip(dst, x, y, w, h, src, sx, sy);
    if (b.left >= b.right || b.top >= b.bottom)
        return;
    for (int j = b.top; j < b.bottom; ++j)
        op(row_of(dst, x + b.left, y + j), row_of(src, sx + b.left, sy + j), b.right - b.left);
    mark_damage(dst, y + b.top, y + b.bottom);
}

// A row that already holds the source is left alone, so the rows that did
// change are known to the screen's refresh and keep their stamps.
void copy_rows(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy)
{
    Block b = clip(dst, x, y, w, h, src, sx, sy);
    if (b.left >= b.right)
        return;
    const int n = b.right - b.left;
    const size_t bytes = size_t(n) * sizeof(uint32_t);
    for (int j = b.top; j < b.bottom; ++j) {
        const size_t row = size_t(y + j);
        RowOrigin origin{src.row_stamp[size_t(sy + j)], dst.row_stamp[row], x + b.left, sx + b.left, n};
        if (dst.row_origin[row] == origin)
            continue;
        uint32_t* d = row_of(dst, x + b.left, y + j);
        const uint32_t* s = row_of(src, sx + b.left, sy + j);
        if (std::memcmp(d, s, bytes) != 0) {
            std::memmove(d, s, bytes);
            mark_damage(dst, y + j, y + j + 1);
            origin.own = dst.row_stamp[row];
        }
        dst.row_origin[row] = origin;
    }
}

}  // namespace

void blit(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Rop rop)
{
    switch (rop) {
    case SRCCOPY:
        copy_rows(dst, x, y, w, h, src, sx, sy);
        break;
    case SRCERASE:
        // Source and destination are distinct surfaces: __restrict lets
        // the compiler work on several pixels at once.
        blit_rows(dst, x, y, w, h, src, sx, sy, [](uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
            for (int i = 0; i < n; ++i)
                d[i] = s[i] & ~d[i];
        });
        break;
    case SRCINVERT:
        blit_rows(dst, x, y, w, h, src, sx, sy, [](uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
            for (int i = 0; i < n; ++i)
                d[i] ^= s[i];
        });
        break;
    }
}

void set_text_position(Surface& s, float x, float y)
{
    s.text_x = x;
    s.text_y = y;
}

void set_text_colour(Surface& s, int r, int g, int b) { s.text_colour = rgb(r, g, b); }

void set_font_size(Surface& s, float points) { s.font.points = points; }

std::string number_text(int32_t n)
{
    std::string digits = std::to_string(n);
    return (n < 0 ? digits : " " + digits) + " ";
}

void draw_number(Surface& s, int32_t n) { draw_text(s, number_text(n)); }

void refresh(Surface& s)
{
    platform().refresh(s);
    s.damage_top = s.damage_bottom = 0;
}
