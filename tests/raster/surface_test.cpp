// Raster operations, clipping, numbers and text on picture surfaces.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "fake_platform.h"
#include "raster/blend.h"
#include "raster/surface.h"
#include "raster/surfaces.h"
#include "set_pixel.h"

namespace {

Surface filled(int w, int h, uint32_t colour)
{
    Surface s(w, h);
    fill(s, colour);
    return s;
}

TEST(Blit, RasterOperationsActOnEveryBitOfEveryChannel)
{
    const uint32_t d = 0xA5F00F, s = 0x3C55FF;
    struct Case {
        Rop rop;
        uint32_t expected;
    } cases[] = {
        {SRCCOPY, s},
        {SRCERASE, s & ~d & 0xFFFFFF},  // 0x18 05 F0
        {SRCINVERT, d ^ s},             // 0x99 A5 F0
    };
    for (const Case& c : cases) {
        Surface dst = filled(3, 3, d);
        Surface src = filled(3, 3, s);
        blit(dst, 0, 0, 3, 3, src, 0, 0, c.rop);
        for (uint32_t px : dst.pixels)
            EXPECT_EQ(px, c.expected) << "rop " << c.rop;
    }
    EXPECT_EQ(s & ~d & 0xFFFFFF, 0x1805F0u);
    EXPECT_EQ(d ^ s, 0x99A5F0u);
}

TEST(Blit, CopiesFromTheSourceOffsetToTheDestinationOffset)
{
    Surface src(4, 4);
    for (int i = 0; i < 16; ++i)
        set_pixel(src, i % 4, i / 4, uint32_t(i + 1));
    Surface dst = filled(5, 5, 0);
    blit(dst, 2, 1, 2, 2, src, 1, 2, SRCCOPY);
    EXPECT_EQ(dst.at(2, 1), src.at(1, 2));
    EXPECT_EQ(dst.at(3, 1), src.at(2, 2));
    EXPECT_EQ(dst.at(2, 2), src.at(1, 3));
    EXPECT_EQ(dst.at(3, 2), src.at(2, 3));
    EXPECT_EQ(dst.at(1, 1), 0u);
    EXPECT_EQ(dst.at(4, 1), 0u);
    EXPECT_EQ(dst.at(2, 3), 0u);
}

// A block hanging over each edge of the destination: the part inside is
// exact and nothing else changes.
TEST(Blit, IsClippedAtEveryEdge)
{
    Surface src(4, 4);
    for (int i = 0; i < 16; ++i)
        set_pixel(src, i % 4, i / 4, uint32_t(0x100 + i));
    struct Place {
        int x, y;
    } places[] = {{-2, 1}, {8, 1}, {3, -3}, {3, 9}, {-3, -3}, {9, 9}};
    for (Place p : places) {
        Surface dst = filled(12, 12, 0xABCDEF);
        blit(dst, p.x, p.y, 4, 4, src, 0, 0, SRCCOPY);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                bool inside = x >= p.x && x < p.x + 4 && y >= p.y && y < p.y + 4;
                uint32_t expected = inside ? src.at(x - p.x, y - p.y) : 0xABCDEFu;
                ASSERT_EQ(dst.at(x, y), expected) << "block at " << p.x << "," << p.y;
            }
    }
}

TEST(Blit, BlocksWhollyOutsideChangeNothing)
{
    Surface src = filled(50, 75, 0x123456);
    for (auto [x, y] : {std::pair{-50, 0}, {350, 10}, {0, -75}, {0, 350}, {-400, -400}, {1000, 5}}) {
        Surface dst = filled(350, 350, 0x654321);
        blit(dst, x, y, 50, 75, src, 0, 0, SRCINVERT);
        EXPECT_TRUE(std::all_of(dst.pixels.begin(), dst.pixels.end(),
                                [](uint32_t p) { return p == 0x654321u; }))
            << x << "," << y;
    }
}

TEST(Blit, MaskThenPictureGivesThePictureOverAnyBackground)
{
    std::mt19937 random(42);
    Surface mask(50, 75), picture(50, 75), back(350, 350);
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 50; ++x) {
            bool cat = random() % 2;
            set_pixel(mask, x, y, cat ? 0x000000 : 0xFFFFFF);
            set_pixel(picture, x, y, cat ? random() & 0xFFFFFF : 0xFFFFFF);
        }
    for (int y = 0; y < 350; ++y)
        for (int x = 0; x < 350; ++x)
            set_pixel(back, x, y, random() & 0xFFFFFF);
    // In one pass it is the same as the two, wherever the block lies.
    for (auto [x, y] : {std::pair{20, 30}, {-13, 300}, {320, -40}, {330, 330}}) {
        Surface two = back, one = back;
        blit(two, x, y, 50, 75, mask, 0, 0, SRCERASE);
        blit(two, x, y, 50, 75, picture, 0, 0, SRCINVERT);
        blit_masked(one, x, y, 50, 75, mask, picture);
        ASSERT_EQ(one.pixels, two.pixels) << x << "," << y;
    }
    const Surface before = back;
    blit(back, 20, 30, 50, 75, mask, 0, 0, SRCERASE);
    blit(back, 20, 30, 50, 75, picture, 0, 0, SRCINVERT);
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 50; ++x) {
            uint32_t m = mask.at(x, y), p = picture.at(x, y), b = before.at(20 + x, 30 + y);
            ASSERT_EQ(back.at(20 + x, 30 + y), ((m & ~b) ^ p) & 0xFFFFFF);
            ASSERT_EQ(back.at(20 + x, 30 + y), m ? b : p);
        }
}

// Copies bring over only the stretches that can differ. A long random mix
// of copies (whole and partial, repeated often so that skips happen),
// masks, inverts, text, pixel writes and traded pictures among a few
// surfaces must leave
// every pixel as plain pixel-by-pixel operations do, and the damage shown
// must cover every pixel changed since the surface was last shown.
TEST(Blit, SkippedCopiesLeaveWhatPlainCopiesWould)
{
    constexpr int W = 24, H = 16, SURFACES = 4;
    std::mt19937 random(11);
    std::vector<Surface> surfaces;
    std::vector<PixelVector> plain, shown(SURFACES, PixelVector(W * H, 0xDEAD));
    FakePlatform fake;
    set_platform(&fake);
    for (int i = 0; i < SURFACES; ++i) {
        surfaces.push_back(filled(W, H, 0));
        surfaces.back().font = {GAME_FONT, true, 9};
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                set_pixel(surfaces.back(), x, y, random() & 0xFFFFFF);
        plain.push_back(surfaces.back().pixels);
    }
    struct Block {
        int x, y, w, h, sx, sy;
    } blocks[] = {{0, 0, W, H, 0, 0}, {0, 0, W, H, 0, 0}, {3, 2, 10, 9, 5, 1}, {-4, 5, 12, 20, 2, -3},
                  {10, -2, W, H, 0, 4}, {0, 7, W, 1, 0, 3}};
    for (int step = 0; step < 20000; ++step) {
        int d = int(random() % SURFACES), s = (d + 1 + int(random() % (SURFACES - 1))) % SURFACES;
        const Block& b = blocks[random() % std::size(blocks)];
        int what = int(random() % 11);
        if (what == 10) {
            trade(surfaces[d], surfaces[s]);
            std::swap(plain[d], plain[s]);
        } else if (what < 7) {
            Rop rop = what < 5 ? SRCCOPY : what == 5 ? SRCERASE : SRCINVERT;
            blit(surfaces[d], b.x, b.y, b.w, b.h, surfaces[s], b.sx, b.sy, rop);
            for (int j = 0; j < b.h; ++j)
                for (int i = 0; i < b.w; ++i) {
                    int dx = b.x + i, dy = b.y + j, sx = b.sx + i, sy = b.sy + j;
                    if (dx < 0 || dy < 0 || sx < 0 || sy < 0 || dx >= W || dy >= H || sx >= W || sy >= H)
                        continue;
                    uint32_t& p = plain[d][size_t(dy * W + dx)];
                    uint32_t q = plain[s][size_t(sy * W + sx)];
                    p = rop == SRCCOPY ? q : rop == SRCERASE ? q & ~p : p ^ q;
                }
        } else if (what < 9) {
            int x = int(random() % W), y = int(random() % H);
            uint32_t colour = random() & 0xFFFFFF;
            set_pixel(surfaces[d], x, y, colour);
            plain[d][size_t(y * W + x)] = colour;
        } else {
            set_text_position(surfaces[d], float(b.x), float(b.y));
            draw_text(surfaces[d], "A");
            plain[d] = surfaces[d].pixels;  // text itself is checked elsewhere
        }
        for (int i = 0; i < SURFACES; ++i)
            ASSERT_EQ(surfaces[i].pixels, plain[i]) << "step " << step << ", surface " << i;
        if (step % 7 == 0) {  // now and then one is shown: its damage covers every change
            const int i = int(random() % SURFACES);
            refresh(surfaces[i]);
            PixelVector sent = shown[i];
            for (const Rect& r : fake.last_damage)
                for (int y = r.top; y < r.bottom; ++y)
                    for (int x = r.left; x < r.right; ++x)
                        sent[size_t(y * W + x)] = surfaces[i].at(x, y);
            ASSERT_EQ(sent, surfaces[i].pixels) << "step " << step << ", surface " << i;
            shown[i] = sent;
        }
    }
    set_platform(nullptr);
}

// A copy of a surface carries its rows' stamps with its pixels: copying
// into the copy, or writing the original, is never mistaken for no change.
TEST(Blit, ACopiedSurfaceKeepsItsRowsApart)
{
    Surface src = filled(8, 8, 0x111111), dst = filled(8, 8, 0x222222);
    blit(dst, 0, 0, 8, 8, src, 0, 0, SRCCOPY);
    Surface copy = dst;
    set_pixel(copy, 3, 3, 0x333333);
    blit(copy, 0, 0, 8, 8, src, 0, 0, SRCCOPY);
    EXPECT_EQ(copy.at(3, 3), 0x111111u);
    set_pixel(src, 4, 4, 0x444444);
    blit(dst, 0, 0, 8, 8, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.at(4, 4), 0x444444u);
    dst = Surface(8, 8);  // a new surface in the old one's place
    blit(dst, 0, 0, 8, 8, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.pixels, src.pixels);
}

// However many stretches are added to a row, it keeps a few, sorted and
// apart, covering every pixel added; rows of the same stretches make one
// rectangle.
TEST(Damage, StretchesCoverAllThatWasAdded)
{
    std::mt19937 random(5);
    for (int trial = 0; trial < 2000; ++trial) {
        Spans spans;
        std::vector<bool> added(64);
        for (int n = int(random() % 12); n > 0; --n) {
            int left = int(random() % 64), right = left + int(random() % 6);
            spans.add(left, std::min(right, 64));
            for (int x = left; x < std::min(right, 64); ++x)
                added[size_t(x)] = true;
        }
        ASSERT_LE(spans.count, Spans::MAX);
        std::vector<bool> covered(64);
        int last_right = -1;
        for (const Span& s : spans) {
            ASSERT_GT(s.left, last_right) << "trial " << trial;
            ASSERT_LT(s.left, s.right);
            last_right = s.right;
            for (int x = s.left; x < s.right; ++x)
                covered[size_t(x)] = true;
        }
        for (int x = 0; x < 64; ++x)
            ASSERT_TRUE(covered[size_t(x)] || !added[size_t(x)]) << "trial " << trial << ", x " << x;
    }
    std::vector<Spans> rows(6);
    for (int y = 1; y < 5; ++y)
        rows[size_t(y)].add(10, 20);
    rows[3].add(30, 40);
    EXPECT_EQ(rectangles(rows), (std::vector<Rect>{{30, 3, 40, 4}, {10, 1, 20, 5}}));
}

// The screen is sent only what was drawn differently since the last
// refresh: a cat that moved is one rectangle over its old and new places;
// a text drawn again the same, at the same place, is not sent, nor is a
// frame drawn just like the last; a text that changes is. A frame handed
// over by a trade is sent as a copied one is.
TEST(Damage, IsWhatWasDrawnDifferently)
{
    FakePlatform fake;
    set_platform(&fake);
    for (bool traded : {false, true}) {
        SCOPED_TRACE(traded ? "traded" : "copied");
        Surface back = filled(350, 350, rgb(0, 0, 128)), shown = back;
        const Surface background = back;
        Surface cat = filled(50, 75, rgb(9, 9, 9));
        back.font = {GAME_FONT, true, 20};
        auto frame = [&](int cat_x, const char* count) {
            blit(back, 0, 0, 350, 350, background, 0, 0, SRCCOPY);
            blit(back, cat_x, 200, 50, 75, cat, 0, 0, SRCINVERT);
            set_text_position(back, 160, 10);
            draw_text(back, count);
            if (traded)
                trade(shown, back);
            else
                blit(shown, 0, 0, 350, 350, back, 0, 0, SRCCOPY);
            refresh(shown);
        };
        refresh(shown);
        EXPECT_EQ(fake.last_damage, (std::vector<Rect>{{0, 0, 350, 350}}));  // all of it, the first time
        frame(100, " 42 ");
        ASSERT_EQ(fake.last_damage.size(), 2u);
        const Rect text = fake.last_damage[0];
        EXPECT_LT(text.bottom, 200);
        EXPECT_EQ(fake.last_damage[1], (Rect{100, 200, 150, 275}));
        frame(104, " 42 ");
        EXPECT_EQ(fake.last_damage, (std::vector<Rect>{{100, 200, 154, 275}})) << "the text is as it was";
        frame(104, " 42 ");
        EXPECT_EQ(fake.last_damage, (std::vector<Rect>{})) << "a frame like the last";
        EXPECT_EQ(shown.at(104, 200), rgb(0, 0, 128) ^ rgb(9, 9, 9));
        EXPECT_EQ(shown.at(100, 200), rgb(0, 0, 128));
        frame(104, " 43 ");
        ASSERT_EQ(fake.last_damage.size(), 1u);
        EXPECT_LT(fake.last_damage[0].bottom, 200) << "only the count that changed";
    }
    set_platform(nullptr);
}

TEST(Numbers, StandAloneWithABlankOrMinusInFrontAndABlankBehind)
{
    EXPECT_EQ(number_text(42), " 42 ");
    EXPECT_EQ(number_text(-5), "-5 ");
    EXPECT_EQ(number_text(0), " 0 ");
    EXPECT_EQ(number_text(-2147483647 - 1), "-2147483648 ");
    EXPECT_EQ(number_text(32768), " 32768 ");
}

// A field-sized surface keeps its pixels in a memory file of its own (the
// X server reads the play field from it); a copy gets its own file, and a
// freed surface closes its file.
TEST(Surface, FieldSizedPixelsLiveInTheirOwnMemoryFile)
{
    int file = -1;
    {
        auto field = std::make_unique<Surface>(FIELD, FIELD);
        file = pixels_file(field->pixels.data());
        ASSERT_GE(file, 0);
        Surface copy = *field;
        EXPECT_GE(pixels_file(copy.pixels.data()), 0);
        EXPECT_NE(pixels_file(copy.pixels.data()), file);
        set_pixel(copy, 3, 4, 0x123456);
        EXPECT_NE(field->at(3, 4), copy.at(3, 4));
        EXPECT_EQ(pixels_file(Surface(CAT_W, CAT_H).pixels.data()), -1);
    }
    EXPECT_EQ(fcntl(file, F_GETFD), -1);
}

// Every coverage over every channel value, in runs of every length up to
// seventeen (the blend goes eight, then four pixels at a time, then one):
// the rule, not the sum. A clear pixel is kept whole, its top byte too.
TEST(Text, CoverageBlendsEachChannelToTheNearestValue)
{
    const uint32_t colour = 0xFF11A0F7;
    auto channel = [](uint32_t p, int shift) { return int((p >> shift) & 255); };
    constexpr int MAX_RUN = 17;
    for (int n = 1; n <= MAX_RUN; ++n)
        for (int start = 0; start < 256 * 256; start += n) {
            uint32_t row[MAX_RUN];
            uint8_t coverage[MAX_RUN];
            for (int i = 0; i < n; ++i) {
                int k = (start + i) % (256 * 256), under = k % 256;
                row[i] = uint32_t(0x5A000000 | (under << 16) | ((255 - under) << 8) | ((under * 7) & 255));
                coverage[i] = uint8_t(k / 256);
            }
            uint32_t before[MAX_RUN];
            std::copy(row, row + n, before);
            blend_coverage(row, coverage, n, colour);
            for (int i = 0; i < n; ++i) {
                int a = coverage[i];
                if (a == 0) {
                    ASSERT_EQ(row[i], before[i]) << "n " << n << " i " << i;
                    continue;
                }
                ASSERT_EQ(row[i] >> 24, 0xFFu);
                for (int shift : {0, 8, 16}) {
                    int want = int(std::lround((channel(colour, shift) * a + channel(before[i], shift) * (255 - a)) / 255.0));
                    ASSERT_EQ(channel(row[i], shift), want) << "n " << n << " a " << a << " under " << channel(before[i], shift);
                }
            }
        }
}

TEST(Text, UsesTheJapaneseFontByName)
{
    QFont font("IPAPGothic");
    EXPECT_EQ(QFontInfo(font).family(), "IPAPGothic");
}

TEST(Text, DrawsOnlyNearItsPositionInItsColour)
{
    Surface s = filled(350, 350, 0x000080);
    s.font = {GAME_FONT, true, 20};
    set_text_colour(s, 63, 255, 159);
    set_text_position(s, 10, 10);
    draw_text(s, "成功");
    int full = 0, changed = 0, outside = 0, top_only = 0;
    for (int y = 0; y < 350; ++y)
        for (int x = 0; x < 350; ++x) {
            uint32_t p = s.at(x, y);
            if (p == 0x000080)
                continue;
            ++changed;
            full += p == rgb(63, 255, 159);
            top_only += (p & 0xFFFFFF) == 0x000080;  // a clear pixel is not touched at all
            // two 27-pixel characters from (10, 10)
            outside += x < 9 || x > 10 + 2 * 27 + 2 || y < 9 || y > 10 + 27 + 2;
        }
    EXPECT_GT(full, 80);
    EXPECT_GT(changed, full);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(top_only, 0);
}

// Ideographs advance by one em, so the em in pixels is the step between
// the first and the last of a run of them (measured in the regular weight:
// the emboldening widens each step by a pixel or two).
TEST(Text, SizesAreAtNinetySixDotsPerInch)
{
    auto ink_width = [](float points, const char* text) {
        Surface s = filled(700, 80, 0);
        s.font = {GAME_FONT, false, points};
        set_text_colour(s, 255, 255, 255);
        set_text_position(s, 5, 5);
        draw_text(s, text);
        int left = 700, right = -1;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 700; ++x)
                if (s.at(x, y) != 0) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return right - left + 1;
    };
    auto em = [&](float points) {
        return (ink_width(points, "国国国国国国国国国国") - ink_width(points, "国")) / 9.0;
    };
    EXPECT_NEAR(em(20), 27, 0.5);
    EXPECT_NEAR(em(18), 24, 0.5);
    EXPECT_NEAR(em(32), 43, 0.5);
    EXPECT_NEAR(em(16), 21, 0.5);
}

TEST(Text, BoldIsHeavierThanRegular)
{
    auto ink = [](bool bold) {
        Surface s = filled(200, 60, 0);
        s.font = {GAME_FONT, bold, 20};
        set_text_colour(s, 255, 255, 255);
        set_text_position(s, 0, 0);
        draw_text(s, "失敗");
        return std::count(s.pixels.begin(), s.pixels.end(), rgb(255, 255, 255));
    };
    EXPECT_GT(ink(true), ink(false) * 11 / 10);
}

// A name as long as the name box allows is drawn as fast as a short one,
// and looks the same on the field as its visible beginning.
TEST(Text, AVeryLongTextShowsItsBeginning)
{
    std::string name;
    for (int i = 0; i < 40000; ++i)
        name += "ねこ|";
    Surface whole = filled(350, 60, rgb(0, 0, 128)), part = whole;
    for (Surface* s : {&whole, &part}) {
        s->font = {GAME_FONT, true, 16};
        set_text_colour(*s, 255, 255, 255);
        set_text_position(*s, -400, 10);
    }
    draw_text(whole, name);
    draw_text(part, name.substr(0, 7 * 130));  // 390 characters
    EXPECT_EQ(whole.pixels, part.pixels);
    EXPECT_GT(std::count(whole.pixels.begin(), whole.pixels.end(), rgb(255, 255, 255)), 500);
}

TEST(Text, IsClippedAtTheSurfaceEdges)
{
    Surface s = filled(50, 75, 0x808080);
    s.font = {GAME_FONT, true, 18};
    set_text_colour(s, 255, 0, 0);
    for (auto [x, y] : {std::pair{15.f, 0.f}, {40.f, 60.f}, {-30.f, -10.f}}) {
        set_text_position(s, x, y);
        draw_text(s, "HIT SPACE KEY");  // far wider than the surface
    }
    EXPECT_EQ(s.pixels.size(), 50u * 75u);
    EXPECT_NE(std::count(s.pixels.begin(), s.pixels.end(), rgb(255, 0, 0)), 0);
}

}  // namespace
