// The drawing tools behind the artwork: the fixed-palette colour mapping,
// the PNG writer, the pixel-art layers, the mirror, the lettering and the
// report of what differs between two pictures.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "layers.h"
#include "lettering.h"
#include "palette.h"
#include "picture_difference.h"
#include "pictures.h"
#include "symmetry.h"

namespace {

const QRgb RED = qRgb(255, 0, 0);
const QRgb BLUE = qRgb(0, 0, 255);
const QRgb WHITE = qRgb(255, 255, 255);
const QRgb BLACK = qRgb(0, 0, 0);

bool covered(const Layer& layer, int x, int y) { return qAlpha(layer.image().pixel(x, y)) != 0; }

int covered_count(const Layer& layer)
{
    int count = 0;
    for (int y = 0; y < layer.image().height(); ++y)
        for (int x = 0; x < layer.image().width(); ++x)
            count += covered(layer, x, y);
    return count;
}

TEST(PaletteTool, KeepsEachColourOnceAndRampsLieStrictlyBetween)
{
    Palette palette{BLACK, WHITE, BLACK};
    palette.add_ramp(BLACK, WHITE, 4);
    palette.add(WHITE);
    const QList<QRgb> expected{BLACK, WHITE, qRgb(63, 63, 63), qRgb(127, 127, 127),
                               qRgb(191, 191, 191)};
    EXPECT_EQ(palette.colours(), expected);
}

TEST(PaletteTool, MapsToNearestEntryEarlierOnTiesAndClearWhenMostlyTransparent)
{
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgb(200, 20, 20));      // near red
    image.setPixel(1, 0, qRgb(128, 0, 128));      // as far from red as from blue
    image.setPixel(2, 0, qRgba(0, 0, 255, 100));  // less than half opaque
    image.setPixel(3, 0, qRgba(0, 0, 255, 200));  // more than half
    const QImage with_clear = to_indexed(image, Palette{RED, BLUE, qRgba(0, 0, 0, 0)});
    ASSERT_EQ(with_clear.format(), QImage::Format_Indexed8);
    EXPECT_EQ(with_clear.colorCount(), 3);
    EXPECT_EQ(with_clear.pixelIndex(0, 0), 0);
    EXPECT_EQ(with_clear.pixelIndex(1, 0), 0);
    EXPECT_EQ(with_clear.pixelIndex(2, 0), 2);
    EXPECT_EQ(with_clear.pixelIndex(3, 0), 1);
    // Without a clear entry every pixel keeps its nearest colour.
    EXPECT_EQ(to_indexed(image, Palette{RED, BLUE}).pixelIndex(2, 0), 1);
}

TEST(PaletteTool, PngOfGreysStaysIndexedWithItsPalette)
{
    // A writer that stored black-and-white masks as greyscale would lose
    // the indexed format.
    QImage mask(3, 2, QImage::Format_Indexed8);
    mask.setColorTable({BLACK, WHITE});
    mask.fill(1);
    mask.setPixel(1, 1, 0);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("mask.png");
    ASSERT_TRUE(write_png(mask, path));
    const QImage back(path);
    EXPECT_EQ(back.format(), QImage::Format_Indexed8);
    EXPECT_EQ(back.colorTable(), mask.colorTable());
    EXPECT_EQ(back.pixel(1, 1), BLACK);
    EXPECT_EQ(back.pixel(0, 0), WHITE);
}

TEST(Layers, EllipseFillsPixelCentresInsideItsRectangle)
{
    Layer layer({9, 9});
    layer.ellipse(QRect(2, 2, 5, 5), RED);
    EXPECT_TRUE(covered(layer, 4, 4));
    EXPECT_TRUE(covered(layer, 2, 4));
    EXPECT_TRUE(covered(layer, 4, 6));
    EXPECT_FALSE(covered(layer, 2, 2));  // corners of the rectangle stay clear
    EXPECT_FALSE(covered(layer, 6, 6));
    EXPECT_FALSE(covered(layer, 1, 4));
    EXPECT_EQ(covered_count(layer), 21);
}

TEST(Layers, OutlineRingsCoveredPixelsAndStripesStayInside)
{
    Layer layer({5, 5});
    layer.dot({2, 2}, RED);
    layer.outline(BLACK);
    EXPECT_EQ(covered_count(layer), 5);
    EXPECT_EQ(layer.image().pixel(2, 2), RED);
    for (QPoint side : {QPoint(1, 2), QPoint(3, 2), QPoint(2, 1), QPoint(2, 3)})
        EXPECT_EQ(layer.image().pixel(side), BLACK);
    EXPECT_FALSE(covered(layer, 1, 1));

    layer.stripe({0, 2}, {4, 2}, BLUE);
    EXPECT_EQ(layer.image().pixel(2, 2), BLUE);
    EXPECT_FALSE(covered(layer, 0, 2));
    EXPECT_FALSE(covered(layer, 4, 2));
}

TEST(Layers, LayOverCopiesOnlyCoveredPixelsAndClips)
{
    QImage canvas(4, 4, QImage::Format_RGB32);
    canvas.fill(WHITE);
    Layer layer({4, 4});
    layer.dot({0, 0}, RED);
    layer.dot({3, 3}, BLUE);
    lay_over(canvas, layer, {1, 0});
    EXPECT_EQ(canvas.pixel(1, 0), RED);
    EXPECT_EQ(canvas.pixel(0, 0), WHITE);
    EXPECT_EQ(canvas.pixel(3, 3), WHITE);  // the blue dot fell off the edge
}

TEST(Symmetry, MirrorsAboutTheMiddleKeepingSizes)
{
    const Symmetry mirror(50);
    EXPECT_EQ(mirror(0), 49);
    EXPECT_EQ(mirror(QRect(3, 21, 8, 7)), QRect(39, 21, 8, 7));
    EXPECT_TRUE(mirror.on_left(QPoint(24, 0)));
    EXPECT_FALSE(mirror.on_left(QPoint(25, 0)));
    QList<QPoint> drawn;
    mirror.both(QPoint(10, 5), [&](QPoint p) { drawn << p; });
    EXPECT_EQ(drawn, (QList<QPoint>{{10, 5}, {39, 5}}));
}

TEST(Masks, AreBlackWhereverThePictureIsNotPureWhite)
{
    QImage picture(3, 1, QImage::Format_Indexed8);
    picture.setColorTable({WHITE, qRgb(254, 255, 255), RED});
    for (int x = 0; x < 3; ++x)
        picture.setPixel(x, 0, x);
    const QImage mask = mask_of(picture);
    EXPECT_EQ(mask.pixel(0, 0), WHITE);
    EXPECT_EQ(mask.pixel(1, 0), BLACK);
    EXPECT_EQ(mask.pixel(2, 0), BLACK);
}

// A square's outline as a glyph's would be given: corners in pixels.
TextOutline square(double left, double top, double side)
{
    const QPointF a(left, top), b(left + side, top), c(left + side, top + side),
        d(left, top + side);
    return {{{a, b}, {b, c}, {c, d}, {d, a}}, side};
}

int grey_at(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); }

TEST(Lettering, CoversByDepthInsideTheOutlineAndGrowsByWholePixels)
{
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(WHITE);
    // Edges through pixel centres at x = 2.5 and 6.5: those pixels half covered.
    paint_outline(image, square(2.5, 2.5, 4), {0, 0}, 0, BLACK);
    EXPECT_EQ(grey_at(image, 4, 4), 0);
    EXPECT_EQ(grey_at(image, 2, 4), 127);
    EXPECT_EQ(grey_at(image, 1, 4), 255);
    EXPECT_EQ(grey_at(image, 7, 7), 255);
    // Grown by one pixel at a pen moved by (1, 0): the half pixels full, the
    // next ones half, and round at the corners (the corner pixel lies
    // 1.41 pixels from the square).
    image.fill(WHITE);
    paint_outline(image, square(2.5, 2.5, 4), {1, 0}, 1, BLACK);
    EXPECT_EQ(grey_at(image, 3, 4), 0);
    EXPECT_EQ(grey_at(image, 2, 4), 127);
    EXPECT_EQ(grey_at(image, 8, 4), 127);
    EXPECT_GT(grey_at(image, 2, 1), 127);
}

TEST(Lettering, ReadsTheFontsOutlinesWithTheirHoles)
{
    // 口 is a square ring: its middle stays clear, its strokes covered.
    const TextStyle style{40, false};
    const QSizeF size = text_size(QStringLiteral("口"), style);
    EXPECT_EQ(size.width(), 40);  // a full-width character is one em wide
    EXPECT_EQ(text_size(QStringLiteral("口口"), style).width(), 80);
    QImage image(40, int(size.height()), QImage::Format_RGB32);
    image.fill(WHITE);
    const double baseline = text_ascent(style);
    paint_text(image, QStringLiteral("口"), style, {0, baseline}, BLACK);
    const int middle = int(baseline - 14);
    EXPECT_EQ(grey_at(image, 20, middle), 255);
    int dark = 0;
    for (int x = 0; x < 40; ++x)
        dark += grey_at(image, x, middle) < 64;
    EXPECT_GE(dark, 4);  // the two upright strokes
    EXPECT_THROW(text_size(QString::fromUcs4(U"\U0001F431", 1), style), std::runtime_error);
}

TEST(PictureDifference, SaysHowManyPixelsWhereAndWhatOrThatOnlyTheFileDiffers)
{
    QImage kept(10, 10, QImage::Format_Indexed8);
    kept.setColorTable({BLACK, WHITE});
    kept.fill(0);
    QImage made = kept;
    made.setPixel(7, 2, 1);
    made.setPixel(3, 5, 1);
    EXPECT_EQ(picture_difference(made, kept),
              "2 of 100 pixels differ, in x 3-7, y 2-5; the first at (7, 2): made #ffffffff, "
              "kept #ff000000");
    QImage reordered(10, 10, QImage::Format_Indexed8);
    reordered.setColorTable({WHITE, BLACK});
    reordered.fill(1);
    EXPECT_EQ(picture_difference(reordered, kept), "the same pixels, the file encoded differently");
    EXPECT_EQ(picture_difference(kept.copy(0, 0, 10, 9), kept), "made 10 x 9, kept 10 x 10");
}

}  // namespace
