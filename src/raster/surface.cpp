#include "raster/surface.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "shell/platform.h"

uint64_t new_stamp()
{
    static uint64_t last = 0;
    return ++last;
}

Surface::Surface(int w, int h, uint32_t colour, SurfaceFont f)
    : width(w), height(h), pixels(size_t(w) * h, rgb(0, 0, 0)), row_base(size_t(h)), row_written(size_t(h)),
      row_writes(size_t(h)), content(new_stamp()), row_damage(size_t(h)), text_colour(colour), font(std::move(f))
{
    for (uint64_t& base : row_base)
        base = new_stamp();
}

void fill(Surface& s, uint32_t colour)
{
    std::fill(s.pixels.begin(), s.pixels.end(), colour);
    mark_damage(s, 0, 0, s.width, s.height);
}

uint64_t combine(uint64_t name, uint64_t part)
{
    // The finaliser of splitmix64: every bit of the result depends on
    // every bit of both.
    uint64_t z = name + 0x9E3779B97F4A7C15ull * (part + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Written whole, the row gets a new base: made from what it held and what
// was written, so the same write gives the same base.
void note_whole_row(Surface& s, int y, uint64_t what)
{
    const size_t row = size_t(y);
    s.content = new_stamp();
    s.row_base[row] = combine(combine(s.row_base[row], s.row_writes[row]), what);
    s.row_written[row].clear();
    s.row_writes[row] = 0;
    if (s.shown)
        s.row_damage[row].add(0, s.width);
}

void mark_damage(Surface& s, int left, int top, int right, int bottom)
{
    const uint64_t unnamed = new_stamp();
    for (int y = top; y < bottom; ++y)
        note_write(s, y, left, right, unnamed);
}

std::vector<Rect> damage(const Surface& s)
{
    if (!s.shown)
        return {{0, 0, s.width, s.height}};
    return rectangles(s.row_damage);
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

// Taken by index, which the test build checks: a pixel outside the
// surface stops the test rather than being pointed at.
uint32_t* row_of(Surface& s, int x, int y) { return &s.pixels[size_t(y) * s.width + size_t(x)]; }
const uint32_t* row_of(const Surface& s, int x, int y) { return &s.pixels[size_t(y) * s.width + size_t(x)]; }

// The name of a write from a source surface (two, for a masked blit),
// as it is now, onto [left, right) of rows, from sx on in the source; each
// row's write is this mixed with the source row. The same source, from
// the same place, to the same place, writes the same pixels.
enum class Write : uint64_t { copy = 1, erase, invert, masked };
uint64_t write_name(Write kind, uint64_t source, int sx, int left, int right)
{
    return combine(combine(combine(combine(uint64_t(kind), source), uint64_t(sx)), uint64_t(left)), uint64_t(right));
}

// Op(d, s, n) changes the n pixels of one row.
template <typename Op>
void blit_rows(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Write kind, Op op)
{
    Block b = clip(dst, x, y, w, h, src, sx, sy);
    if (b.left >= b.right || b.top >= b.bottom)
        return;
    const uint64_t name = write_name(kind, src.content, sx + b.left, x + b.left, x + b.right);
    for (int j = b.top; j < b.bottom; ++j) {
        op(row_of(dst, x + b.left, y + j), row_of(src, sx + b.left, sy + j), b.right - b.left);
        note_write(dst, y + j, x + b.left, x + b.right, row_write(name, sy + j));
    }
}

// Copies n pixels into row y of dst from x on.
void copy_stretch(Surface& dst, int x, int y, const uint32_t* from, int n)
{
    std::memmove(row_of(dst, x, y), from, size_t(n) * sizeof(uint32_t));
}

// Where row ra of a and row rb of b can differ: nowhere when they hold
// the same base and the same writes, their written stretches when the
// same base, else all of it.
Spans may_differ(const Surface& a, size_t ra, const Surface& b, size_t rb)
{
    Spans stretches;
    if (a.row_base[ra] != b.row_base[rb]) {
        stretches.add(0, a.width);
        return stretches;
    }
    if (a.row_writes[ra] == b.row_writes[rb])
        return stretches;
    stretches = a.row_written[ra];
    stretches.add(b.row_written[rb]);
    return stretches;
}

// Notes on a shown surface that a stretch of a row may have changed.
void damage_stretch(Surface& s, size_t row, const Span& stretch)
{
    if (s.shown)
        s.row_damage[row].add(stretch.left, stretch.right);
}

// A whole row onto a whole row: the destination becomes the source, base
// and written stretches too.
void copy_row(Surface& dst, int y, const Surface& src, int sy)
{
    const size_t row = size_t(y), from = size_t(sy);
    const Spans differing = may_differ(dst, row, src, from);
    if (differing.empty())
        return;  // most of the field, most frames
    const uint32_t* source = row_of(src, 0, sy);
    for (const Span& s : differing) {
        copy_stretch(dst, s.left, y, source + s.left, s.right - s.left);
        damage_stretch(dst, row, s);
    }
    dst.row_base[row] = src.row_base[from];
    dst.row_written[row] = src.row_written[from];
    dst.row_writes[row] = src.row_writes[from];
    dst.content = new_stamp();
}

void copy_rows(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy)
{
    Block b = clip(dst, x, y, w, h, src, sx, sy);
    if (b.left >= b.right)
        return;
    const int n = b.right - b.left;
    const bool whole_rows = x + b.left == 0 && sx + b.left == 0 && n == dst.width && n == src.width;
    const uint64_t name = write_name(Write::copy, src.content, sx + b.left, x + b.left, x + b.right);
    for (int j = b.top; j < b.bottom; ++j) {
        if (whole_rows) {
            copy_row(dst, y + j, src, sy + j);
        } else {
            copy_stretch(dst, x + b.left, y + j, row_of(src, sx + b.left, sy + j), n);
            note_write(dst, y + j, x + b.left, x + b.right, row_write(name, sy + j));
        }
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
        blit_rows(dst, x, y, w, h, src, sx, sy, Write::erase, [](uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
            for (int i = 0; i < n; ++i)
                d[i] = s[i] & ~d[i];
        });
        break;
    case SRCINVERT:
        blit_rows(dst, x, y, w, h, src, sx, sy, Write::invert, [](uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
            for (int i = 0; i < n; ++i)
                d[i] ^= s[i];
        });
        break;
    }
}

void blit_masked(Surface& dst, int x, int y, int w, int h, const Surface& mask, const Surface& picture)
{
    Block b = clip(dst, x, y, std::min(w, picture.width), std::min(h, picture.height), mask, 0, 0);
    if (b.left >= b.right || b.top >= b.bottom)
        return;
    const int n = b.right - b.left;
    const uint64_t name =
        combine(write_name(Write::masked, mask.content, b.left, x + b.left, x + b.right), picture.content);
    for (int j = b.top; j < b.bottom; ++j) {
        uint32_t* __restrict d = row_of(dst, x + b.left, y + j);
        const uint32_t* __restrict m = row_of(mask, b.left, j);
        const uint32_t* __restrict p = row_of(picture, b.left, j);
        for (int i = 0; i < n; ++i)
            d[i] = (m[i] & ~d[i]) ^ p[i];
        note_write(dst, y + j, x + b.left, x + b.right, row_write(name, j));
    }
}

void trade(Surface& a, Surface& b)
{
    for (size_t row = 0; row < size_t(a.height); ++row)
        for (const Span& s : may_differ(a, row, b, row)) {
            damage_stretch(a, row, s);
            damage_stretch(b, row, s);
        }
    std::swap(a.pixels, b.pixels);
    std::swap(a.row_base, b.row_base);
    std::swap(a.row_written, b.row_written);
    std::swap(a.row_writes, b.row_writes);
    std::swap(a.content, b.content);
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
    s.shown = true;
    for (Spans& row : s.row_damage)
        row.clear();
}
