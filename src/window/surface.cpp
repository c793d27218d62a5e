#include "window/surface.h"

#include <algorithm>
#include <cstring>

#include "shell/platform.h"

Surface::Surface(int w, int h, uint32_t colour, SurfaceFont f)
    : width(w), height(h), pixels(size_t(w) * h, 0), text_colour(colour), font(std::move(f))
{
}

namespace {

template <typename Op>
void blit_rows(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Op op)
{
    // Clip the block against both surfaces; every edge moves the block's
    // start on the other surface by the same amount.
    int left = std::max({0, -x, -sx});
    int top = std::max({0, -y, -sy});
    int right = std::min({w, dst.width - x, src.width - sx});
    int bottom = std::min({h, dst.height - y, src.height - sy});
    for (int j = top; j < bottom; ++j) {
        uint32_t* d = &dst.pixels[size_t(y + j) * dst.width + x];
        const uint32_t* s = &src.pixels[size_t(sy + j) * src.width + sx];
        op(d + left, s + left, right - left);
    }
}

}  // namespace

void blit(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Rop rop)
{
    switch (rop) {
    case SRCCOPY:
        blit_rows(dst, x, y, w, h, src, sx, sy, [](uint32_t* d, const uint32_t* s, int n) {
            if (n > 0)
                std::memmove(d, s, size_t(n) * sizeof(uint32_t));
        });
        break;
    case SRCERASE:
        // Source and destination are distinct surfaces: __restrict lets
        // the compiler work on several pixels at once.
        blit_rows(dst, x, y, w, h, src, sx, sy, [](uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
            for (int i = 0; i < n; ++i)
                d[i] = (s[i] & ~d[i]) & 0xFFFFFFu;
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

void refresh(Surface& s) { platform().refresh(s); }
