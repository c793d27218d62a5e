// The drawing tools behind the artwork: the fixed-palette colour mapping,
// the PNG writer, the pixel-art layers and the mirror.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "layers.h"
#include "palette.h"
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

}  // namespace
