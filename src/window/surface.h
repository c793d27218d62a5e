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

enum Rop { SRCCOPY, SRCERASE, SRCINVERT };

inline constexpr uint32_t rgb(int r, int g, int b)
{
    return 0xFF000000u | (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255);
}

struct SurfaceFont {
    std::string face;  // empty: the toolkit's default
    bool bold = false;
    float points = 9.0f;
};

// What a row held after its last copy: the stamp of the source row, its
// own stamp, and where the copied stretch lay.
struct RowOrigin {
    uint64_t source = 0;
    uint64_t own = 0;
    int x = 0, sx = 0, n = 0;
    bool operator==(const RowOrigin&) const = default;
};

struct Surface {
    Surface(int w, int h, uint32_t text_colour = 0, SurfaceFont font = {});

    int width;
    int height;
    // Row by row, width per row. Written only through the functions below
    // (or followed by mark_damage for the rows written): they keep the
    // rows' stamps.
    std::vector<uint32_t> pixels;
    // Each row gets a new stamp whenever it is written, unique among all
    // the rows of all surfaces, so equal stamps mean equal pixels. A copy
    // that would bring the same source row, unwritten since, to the same
    // place in the same unwritten row is skipped without comparing: most
    // of a frame's background is the same as in the last one.
    std::vector<uint64_t> row_stamp;
    std::vector<RowOrigin> row_origin;
    float text_x = 0;
    float text_y = 0;
    uint32_t text_colour;
    SurfaceFont font;
    // Rows changed since the surface was last shown: [damage_top, damage_bottom).
    int damage_top = 0;
    int damage_bottom = 0;

    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

void set_pixel(Surface& s, int x, int y, uint32_t colour);
void fill(Surface& s, uint32_t colour);

// D = S, D = S AND NOT D, or D = D XOR S, per channel, for the w x h
// block; pixels outside dst or src are skipped.
void blit(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Rop rop);

void set_text_position(Surface& s, float x, float y);
void set_text_colour(Surface& s, int r, int g, int b);
void set_font_size(Surface& s, float points);

// Draws UTF-8 text with the top-left of its first cell at the text
// position, in the text colour and font; only glyph pixels change.
void draw_text(Surface& s, std::string_view text);
// " 42 ", "-5 ": a blank (or the minus sign), the digits, a blank.
void draw_number(Surface& s, int32_t n);
std::string number_text(int32_t n);

// Notes that rows [top, bottom) changed: new stamps, and damage to show.
void mark_damage(Surface& s, int top, int bottom);
// Shows the surface on the screen (the play field only).
void refresh(Surface& s);
