// The committed artwork keeps the regions and colours that the game draws
// into and over, and the masks agree with their cat pictures.
#include <gtest/gtest.h>

#include <QImage>
#include <QSet>
#include <QString>

#include <algorithm>

namespace {

const QRgb NAVY = qRgb(0, 0, 128);
const QRgb BLACK = qRgb(0, 0, 0);
const QRgb WHITE = qRgb(255, 255, 255);

QImage load(const QString& name)
{
    return QImage(QStringLiteral(ASSETS_DIR "/") + name);
}

// The distinct colours of a block of pixels, as they look (alpha kept).
QSet<QRgb> colours_in(const QImage& image, QRect block)
{
    QSet<QRgb> found;
    for (int y = block.top(); y <= block.bottom(); ++y)
        for (int x = block.left(); x <= block.right(); ++x)
            found.insert(image.pixel(x, y));
    return found;
}

QRect rows(const QImage& image, int top, int bottom)
{
    return QRect(QPoint(0, top), QPoint(image.width() - 1, bottom));
}

TEST(Pictures, AreIndexedEightBitAtTheirSizes)
{
    const std::pair<const char*, QSize> expected[] = {
        {"haikei.png", {350, 350}}, {"title.png", {350, 350}},  {"neko0.png", {50, 75}},
        {"neko1.png", {50, 75}},    {"neko2.png", {50, 75}},    {"neko0m.png", {50, 75}},
        {"neko1m.png", {50, 75}},   {"neko2m.png", {50, 75}},   {"tombora_icon.png", {32, 32}},
    };
    for (const auto& [name, size] : expected) {
        SCOPED_TRACE(name);
        const QImage image = load(name);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), size);
        EXPECT_EQ(image.format(), QImage::Format_Indexed8);
        EXPECT_LE(image.colorCount(), 256);
    }
}

TEST(Background, DisplayBoxesHaveTwoPixelBordersAroundNavy)
{
    const QImage haikei = load("haikei.png");
    ASSERT_FALSE(haikei.isNull());
    const struct {
        int left, right;
        QRgb border;
    } boxes[] = {{0, 151, qRgb(63, 255, 159)},
                 {153, 198, qRgb(255, 255, 159)},
                 {200, 349, qRgb(255, 159, 191)}};
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.left);
        const QRect outer(QPoint(box.left, 0), QPoint(box.right, 41));
        const QRect inner = outer.adjusted(2, 2, -2, -2);
        EXPECT_EQ(colours_in(haikei, inner), QSet<QRgb>{NAVY});
        for (int y = outer.top(); y <= outer.bottom(); ++y)
            for (int x = outer.left(); x <= outer.right(); ++x) {
                if (!inner.contains(x, y)) {
                    ASSERT_EQ(haikei.pixel(x, y), box.border) << x << "," << y;
                }
            }
    }
    for (int gap : {152, 199})
        EXPECT_EQ(colours_in(haikei, QRect(gap, 0, 1, 42)), QSet<QRgb>{NAVY}) << gap;
}

TEST(Background, NightCityAboveGroundOfFourBrowns)
{
    const QImage haikei = load("haikei.png");
    ASSERT_FALSE(haikei.isNull());
    const QSet<QRgb> city = colours_in(haikei, rows(haikei, 42, 250));
    EXPECT_TRUE(city.contains(NAVY));
    EXPECT_TRUE(city.contains(BLACK));
    auto lit = [&](auto is_colour) { return std::any_of(city.begin(), city.end(), is_colour); };
    EXPECT_TRUE(lit([](QRgb c) { return qRed(c) > 200 && qGreen(c) < 100 && qBlue(c) < 100; }))
        << "no red lights";
    EXPECT_TRUE(lit([](QRgb c) { return qRed(c) > 200 && qGreen(c) > 180 && qBlue(c) < 140; }))
        << "no yellow windows";

    const QSet<QRgb> browns{qRgb(159, 95, 63), qRgb(191, 127, 63), qRgb(127, 63, 63),
                            qRgb(95, 63, 63)};
    EXPECT_EQ(colours_in(haikei, rows(haikei, 251, 349)), browns);
}

TEST(Title, RankingPanelAndCreditStripBetweenBlackLines)
{
    const QImage title = load("title.png");
    ASSERT_FALSE(title.isNull());
    const QRgb panel = qRgb(159, 223, 191);
    const QRgb strip = qRgb(160, 160, 164);
    EXPECT_EQ(colours_in(title, rows(title, 200, 200)), QSet<QRgb>{BLACK});
    EXPECT_EQ(colours_in(title, rows(title, 300, 300)), QSet<QRgb>{BLACK});
    // The ranking is written on rows 203 to 297: nothing else may be there.
    EXPECT_EQ(colours_in(title, rows(title, 203, 297)), QSet<QRgb>{panel});
    for (int shaded : {201, 202, 298, 299}) {
        const QSet<QRgb> row = colours_in(title, rows(title, shaded, shaded));
        EXPECT_EQ(row.size(), 1) << shaded;
        EXPECT_FALSE(row.contains(panel)) << shaded;
    }
    // Grey at both ends of every strip row, with the credits' letters between.
    const QSet<QRgb> strip_rows = colours_in(title, rows(title, 301, 349));
    EXPECT_EQ(colours_in(title, QRect(0, 301, 1, 49)), QSet<QRgb>{strip});
    EXPECT_EQ(colours_in(title, QRect(349, 301, 1, 49)), QSet<QRgb>{strip});
    EXPECT_GT(strip_rows.size(), 2);
}

TEST(Title, ArtworkIsDrawnAboveThePanel)
{
    const QImage title = load("title.png");
    ASSERT_FALSE(title.isNull());
    // Lettering, slogans and the diamond blend many shades.
    EXPECT_GT(colours_in(title, rows(title, 0, 199)).size(), 20);
}

struct CatFrame {
    const char* picture;
    const char* mask;
};
const CatFrame CAT_FRAMES[] = {
    {"neko0.png", "neko0m.png"}, {"neko1.png", "neko1m.png"}, {"neko2.png", "neko2m.png"}};

TEST(Cats, MasksAreBlackOverTheFigureAndWhiteWhereThePictureIsWhite)
{
    for (const CatFrame& frame : CAT_FRAMES) {
        SCOPED_TRACE(frame.picture);
        const QImage picture = load(frame.picture);
        const QImage mask = load(frame.mask);
        ASSERT_FALSE(picture.isNull());
        ASSERT_FALSE(mask.isNull());
        ASSERT_EQ(mask.size(), picture.size());
        const QSet<QRgb> mask_colours = colours_in(mask, mask.rect());
        EXPECT_EQ(mask_colours, (QSet<QRgb>{BLACK, WHITE}));
        // Under a white mask a non-white pixel would be XORed into the
        // background; so every pixel the cat shows needs a black mask.
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                if (mask.pixel(x, y) == WHITE) {
                    ASSERT_EQ(picture.pixel(x, y), WHITE) << x << "," << y;
                }
            }
        // The white ground shows around the figure.
        EXPECT_EQ(mask.pixel(0, picture.height() - 1), WHITE);
    }
}

TEST(Cats, WalkingFramesHoldTheSameGreyBoardOverTheFullWidth)
{
    const QImage frame0 = load("neko0.png"), frame1 = load("neko1.png");
    ASSERT_FALSE(frame0.isNull());
    ASSERT_FALSE(frame1.isNull());
    for (const char* name : {"neko0m.png", "neko1m.png"}) {
        const QImage mask = load(name);
        ASSERT_FALSE(mask.isNull());
        EXPECT_EQ(colours_in(mask, rows(mask, 0, 25)), QSet<QRgb>{BLACK}) << name;
    }
    EXPECT_EQ(frame0.copy(rows(frame0, 0, 25)), frame1.copy(rows(frame1, 0, 25)));
    // The tail and the feet move between the frames.
    EXPECT_NE(frame0.copy(rows(frame0, 26, 74)), frame1.copy(rows(frame1, 26, 74)));

    // Where the red letter is printed (from x 15, 24 pixels high) the board is
    // one even grey, light enough for red to stand out.
    const QSet<QRgb> under_letter = colours_in(frame0, QRect(15, 3, 24, 19));
    ASSERT_EQ(under_letter.size(), 1);
    const QRgb grey = *under_letter.begin();
    EXPECT_LE(std::abs(qRed(grey) - qBlue(grey)), 16);
    EXPECT_LE(std::abs(qRed(grey) - qGreen(grey)), 16);
    EXPECT_GE(qRed(grey), 150);
    EXPECT_LE(qRed(grey), 230);
}

TEST(Cats, HitPictureStandsOnWhiteWithItsOwnShape)
{
    const QImage hit = load("neko2.png"), walking = load("neko0.png");
    ASSERT_FALSE(hit.isNull());
    ASSERT_FALSE(walking.isNull());
    EXPECT_NE(hit, walking);
    EXPECT_TRUE(colours_in(hit, hit.rect()).contains(WHITE));
    // The small flung cat leaves white beside it, where a walking cat's
    // board would be solid.
    EXPECT_TRUE(colours_in(hit, rows(hit, 16, 25)).contains(WHITE));
}

TEST(Icon, CatFaceOfAtMostSixteenColoursOnClearGround)
{
    const QImage icon = load("tombora_icon.png");
    ASSERT_FALSE(icon.isNull());
    ASSERT_EQ(icon.size(), QSize(32, 32));
    EXPECT_TRUE(icon.hasAlphaChannel());
    QSet<QRgb> opaque;
    int clear = 0;
    for (QRgb colour : colours_in(icon, icon.rect())) {
        if (qAlpha(colour) == 255)
            opaque.insert(colour);
        else
            EXPECT_EQ(qAlpha(colour), 0) << std::hex << colour;
    }
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            clear += qAlpha(icon.pixel(x, y)) == 0;
    EXPECT_LE(opaque.size(), 16);
    EXPECT_GE(opaque.size(), 3);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(31, 31)), 0);
    EXPECT_GT(clear, 0);
    EXPECT_LT(clear, 32 * 32 / 2);  // the face fills most of it
}

}  // namespace
