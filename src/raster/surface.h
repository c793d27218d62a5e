// Picture surfaces: fixed-size RGB images with a text state, on which the
// game blits and draws text. Pixels are 0xFFRRGGBB, the layout of Qt's
// RGB32 images, so the play field is shown straight from its surface. The
// raster operations act on all 32 bits; the top byte of a finished frame
// is 0xFF again, since every cat's erase is followed by its invert.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "raster/pixel_memory.h"
#include "raster/spans.h"

enum Rop { SRCCOPY, SRCERASE, SRCINVERT };

inline constexpr uint32_t rgb(int r, int g, int b)
{
    return 0xFF000000u | (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255);
}

using PixelVector = std::vector<uint32_t, PixelAllocator<uint32_t>>;

struct SurfaceFont {
    std::string face;  // empty: the toolkit's default
    bool bold = false;
    float points = 9.0f;
};

struct Surface {
    Surface(int w, int h, uint32_t text_colour = 0, SurfaceFont font = {});

    int width;
    int height;
    // Row by row, width per row. Written only through the functions below
    // (or followed by mark_damage for the pixels written): they keep the
    // rows' bases and stretches.
    PixelVector pixels;
    // A row holds what it held when its base was stamped, except in its
    // written stretches. Two rows of the same base hold the same pixels
    // outside those stretches, so a copy between them need only bring over
    // the stretches written in either: most of a frame is the same
    // background as in the last one, and only the cats' and the texts'
    // boxes are copied. row_writes says what was written there, in order
    // (0 for nothing): rows of the same base and the same writes hold the
    // same pixels, and the counts drawn again unchanged are not copied or
    // shown again.
    std::vector<uint64_t> row_base;
    std::vector<Spans> row_written;
    std::vector<uint64_t> row_writes;
    // A name for all the pixels, new whenever any of them is written: a
    // write from this surface is named by it.
    uint64_t content;
    // What may have changed since the surface was last shown: what was
    // written, not compared with what the screen has. Until it is first
    // shown all of it is to show, and nothing is counted.
    std::vector<Spans> row_damage;
    bool shown = false;
    float text_x = 0;
    float text_y = 0;
    uint32_t text_colour;
    SurfaceFont font;

    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

void fill(Surface& s, uint32_t colour);

// D = S, D = S AND NOT D, or D = D XOR S, per channel, for the w x h
// block; pixels outside dst or src are skipped.
void blit(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Rop rop);
// A mask's SRCERASE and then a picture's SRCINVERT onto the same w x h
// block, both from their top-left, in one pass: D = (M AND NOT D) XOR P.
void blit_masked(Surface& dst, int x, int y, int w, int h, const Surface& mask, const Surface& picture);

// Trades the pictures of two surfaces of the same size, rows' bases and
// stretches with them, without touching a pixel. Where either is shown,
// the stretches that can differ from its old picture are its damage.
void trade(Surface& a, Surface& b);

void set_text_position(Surface& s, float x, float y);
void set_text_colour(Surface& s, int r, int g, int b);
void set_font_size(Surface& s, float points);

// Draws UTF-8 text with the top-left of its first cell at the text
// position, in the text colour and font; only glyph pixels change.
void draw_text(Surface& s, std::string_view text);
// " 42 ", "-5 ": a blank (or the minus sign), the digits, a blank.
void draw_number(Surface& s, int32_t n);
std::string number_text(int32_t n);

// A name for a write, from its parts: combine(combine(kind, x), ...).
uint64_t combine(uint64_t name, uint64_t part);
// The name of one row's part of a write named `name`.
inline uint64_t row_write(uint64_t name, int row) { return name + uint64_t(row) * 0x9E3779B97F4A7C15ull; }
// A name no other write has.
uint64_t new_stamp();
// Row y of s was written whole by the write `what` names.
void note_whole_row(Surface& s, int y, uint64_t what);
// Notes that [left, right) of row y was written by a write that `what`
// names: the same write over a row of the same base and writes gives the
// same pixels. Keeps the row's written stretches and what to show. Called
// for every row of every write: inline.
inline void note_write(Surface& s, int y, int left, int right, uint64_t what)
{
    if (left >= right)
        return;
    if (left == 0 && right == s.width) {
        note_whole_row(s, y, what);
        return;
    }
    const size_t row = size_t(y);
    s.content = new_stamp();
    s.row_written[row].add(left, right);
    // The writes in their order: another order, another sum.
    s.row_writes[row] = s.row_writes[row] * 0xBF58476D1CE4E5B9ull + what;
    if (s.shown)
        s.row_damage[row].add(left, right);
}
// Notes that the pixels in [left, right) x [top, bottom), inside the
// surface, were written by a write that has no name: it is taken to
// differ from every other.
void mark_damage(Surface& s, int left, int top, int right, int bottom);
// What changed since the surface was last shown, as a few rectangles.
std::vector<Rect> damage(const Surface& s);
// Shows the surface on the screen (the play field only); its damage is
// then cleared.
void refresh(Surface& s);
