#include "window/surface.h"

#include <algorithm>
#include <cstring>

#include "shell/platform.h"

Surface::Surface(int w, int h, uint32_t colour, SurfaceFont f)
    : width(w), height(h), pixels(size_t(w) * h, rgb(0, 0, 0)), text_colour(colour), font(std::move(f)),
      damage_top(0), damage_bottom(h)
{
}

void mark_damage(Surface& s, int top, int bottom)
{
    if (top >= bottom)
        return;
    if (s.damage_top >= s.damage_bottom) {
        s.damage_top = top;
        s.damage_bottom = bottom;
        return;
    }
    s.damage_top = std::min(s.damage_top, top);
    s.damage_bottom = std::max(s.damage_bottom, bottom);
}

namespace {

// Op(d, s, n) changes the n pixels of one row and says whether it did.
template <typename Op>
void blit_rows(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Op op)
{
    // Clip the block against both surfaces; every edge moves the block's
    // start on the other surface by the same amount.
    int left = std::max({0, -x, -sx});
    int top = std::max({0, -y, -sy});
    int right = std::min({w, dst.width - x, src.width - sx});
    int bottom = std::min({h, dst.height - y, src.height - sy});
    if (left >= right)
        return;
    int changed_top = bottom, changed_bottom = top;
    for (int j = top; j < bottom; ++j) {
        uint32_t* d = dst.pixels.data() + size_t(y + j) * dst.width + x;
        const uint32_t* s = src.pixels.data() + size_t(sy + j) * src.width + sx;
        if (op(d + left, s + left, right - left)) {
            changed_top = std::min(changed_top, j);
            changed_bottom = j + 1;
        }
    }
    mark_damage(dst, y + changed_top, y + changed_bottom);
}

}  // namespace

void blit(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Rop rop)
{
    switch (rop) {
    case SRCCOPY:
        // A row that already holds the source is left alone, so the rows
        // that did change are known to the screen's refresh.
        blit_rows(dst, x, y, w, h, src, sx, sy, [](uint32_t* d, const uint32_t* s, int n) {
            size_t bytes = size_t(n) * sizeof(uint32_t);
            if (std::memcmp(d, s, bytes) == 0)
                return false;
            std::memmove(d, s, bytes);
            return true;
        });
        break;
    case SRCERASE:
        // Source and destination are distinct surfaces: __restrict lets
        // the compiler work on several pixels at once.
        blit_rows(dst, x, y, w, h, src, sx, sy, [](uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
            for (int i = 0; i < n; ++i)
                d[i] = s[i] & ~d[i];
            return true;
        });
        break;
    case SRCINVERT:
        blit_rows(dst, x, y, w, h, src, sx, sy, [](uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
            for (int i = 0; i < n; ++i)
                d[i] ^= s[i];
            return true;
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
