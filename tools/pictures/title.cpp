// The title screen: the game's name on a diamond with the cat peeking over
// it and a slogan in each corner; below it the plain panel the ranking is
// written on, and a grey strip with the credits.
#include <QPainter>

#include <array>
#include <cmath>
#include <stdexcept>

#include "cat_colours.h"
#include "lettering.h"
#include "pictures.h"

namespace {

constexpr int WIDTH = 350;
constexpr int ART_BOTTOM = 199;
constexpr int PANEL_TOP = 201;
constexpr int PANEL_BOTTOM = 299;
constexpr int STRIP_TOP = 301;

const QRgb BLACK = qRgb(0, 0, 0);
const QRgb WHITE = qRgb(255, 255, 255);
const QRgb CORNER = qRgb(176, 216, 248);
const QRgb PAW_PRINT = qRgb(152, 198, 242);
const QRgb SLOGAN = qRgb(32, 64, 140);
const QRgb RIM = cat_colour::OUTLINE;
const QRgb BAND = qRgb(243, 155, 62);
const QRgb DIAMOND = qRgb(255, 244, 204);
const QRgb SHADOW = qRgb(232, 204, 150);
const std::array<QRgb, 4> LETTER_COLOURS{qRgb(232, 78, 60), qRgb(246, 162, 36),
                                        qRgb(58, 168, 88), qRgb(60, 118, 220)};
const QRgb PANEL = qRgb(159, 223, 191);
const std::array<QRgb, 4> PANEL_EDGES{qRgb(223, 247, 235), qRgb(191, 235, 213),
                                      qRgb(127, 191, 159), qRgb(95, 159, 127)};
const QRgb STRIP = qRgb(160, 160, 164);
const QRgb CREDIT = qRgb(40, 40, 48);

struct Slogan {
    QString text;
    Qt::Corner corner;
};
const std::array<Slogan, 4> SLOGANS{{
    {QStringLiteral("タイプするにゃ！"), Qt::TopLeftCorner},
    {QStringLiteral("肉球で打つにゃ"), Qt::TopRightCorner},
    {QStringLiteral("ミスはだめにゃ"), Qt::BottomLeftCorner},
    {QStringLiteral("めざせ一番！"), Qt::BottomRightCorner},
}};

Palette title_palette()
{
    Palette palette{BLACK, WHITE, CORNER, PAW_PRINT, SLOGAN, RIM, BAND, DIAMOND, SHADOW,
                    PANEL, STRIP, CREDIT};
    for (QRgb c : LETTER_COLOURS)
        palette.add(c);
    for (QRgb c : PANEL_EDGES)
        palette.add(c);
    const Palette fur = cat_palette();
    for (QRgb c : fur.colours())
        palette.add(c);
    // Shades for the antialiased edges between neighbouring colours.
    for (auto [a, b] : {std::pair{SLOGAN, CORNER}, {RIM, CORNER}, {RIM, BAND}, {BAND, DIAMOND},
                        {RIM, DIAMOND}, {RIM, SHADOW}, {SHADOW, DIAMOND}, {RIM, WHITE},
                        {CREDIT, STRIP}})
        palette.add_ramp(a, b, 6);
    for (QRgb c : LETTER_COLOURS)
        palette.add_ramp(WHITE, c, 4);
    return palette;
}

QPolygonF diamond(double inset)
{
    const double mid_x = WIDTH / 2.0, mid_y = (ART_BOTTOM + 1) / 2.0;
    // Moving the edges in by `inset` moves the corners by inset / sin.
    const double across = inset * 1.15, down = inset * 2.02;
    return QPolygonF({{mid_x, down},
                      {WIDTH - across, mid_y},
                      {mid_x, ART_BOTTOM + 1 - down},
                      {across, mid_y}});
}

bool inside_diamond(QPointF p)
{
    return std::abs(p.x() - WIDTH / 2.0) / (WIDTH / 2.0) +
               std::abs(p.y() - (ART_BOTTOM + 1) / 2.0) / ((ART_BOTTOM + 1) / 2.0) <
           1.0;
}

void draw_paw_print(QPainter& p, QPoint at)
{
    p.setBrush(QColor(PAW_PRINT));
    p.drawEllipse(QRect(at.x(), at.y() + 6, 10, 8));
    for (QPoint toe : {QPoint(-3, 2), QPoint(1, -1), QPoint(6, -1), QPoint(10, 2)})
        p.drawEllipse(QRect(at + toe, QSize(4, 4)));
}

void draw_corners(QPainter& p)
{
    p.fillRect(QRect(0, 0, WIDTH, ART_BOTTOM + 1), QColor(CORNER));
    p.setPen(Qt::NoPen);
    for (QPoint at : {QPoint(20, 44), QPoint(46, 30), QPoint(296, 38), QPoint(322, 54),
                      QPoint(24, 142), QPoint(52, 156), QPoint(300, 150), QPoint(326, 136)})
        draw_paw_print(p, at);
}

void draw_diamond(QPainter& p)
{
    p.setPen(Qt::NoPen);
    for (auto [inset, colour] : {std::pair{0.0, RIM}, {2.5, BAND}, {7.0, RIM}, {8.5, DIAMOND}}) {
        p.setBrush(QColor(colour));
        p.drawPolygon(diamond(inset));
    }
}

const TextStyle SLOGAN_STYLE{17, true};
const TextStyle TITLE_STYLE{58, true};
constexpr double HEAVIER = 1.2;

void place_slogan(QImage& image, const Slogan& slogan)
{
    const QSize size = text_size(slogan.text, SLOGAN_STYLE).toSize();
    const bool left = slogan.corner == Qt::TopLeftCorner || slogan.corner == Qt::BottomLeftCorner;
    const bool top = slogan.corner == Qt::TopLeftCorner || slogan.corner == Qt::TopRightCorner;
    constexpr int margin = 8;
    const QPoint origin(left ? margin : WIDTH - margin - size.width(),
                        top ? margin : ART_BOTTOM + 1 - margin - size.height());
    const QRect box(origin, size);
    for (QPoint corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
        if (inside_diamond(corner))
            throw std::runtime_error("slogan runs into the diamond: " + slogan.text.toStdString());
    const QPointF pen(origin.x(), std::round(origin.y() + text_ascent(SLOGAN_STYLE)));
    paint_text(image, slogan.text, SLOGAN_STYLE, pen, SLOGAN);
}

// The title letters, each in its own colour, with a white rim, a brown
// outline and a soft shadow: the same outline grown by 2.5 and 5 pixels.
// They are heavier than bold, by HEAVIER pixels on each side.
void draw_lettering(QImage& image)
{
    const QString title = QStringLiteral("とんぼら");
    const double baseline = 132;
    std::array<QPointF, 4> pens;
    double x = std::round((WIDTH - text_size(title, TITLE_STYLE).width()) / 2);
    for (int i = 0; i < 4; ++i) {
        pens[i] = QPointF(x, baseline);
        x += text_size(title.mid(i, 1), TITLE_STYLE).width();
    }
    auto each_letter = [&](QPointF offset, double grow, auto colour_of) {
        for (int i = 0; i < 4; ++i)
            paint_text(image, title.mid(i, 1), TITLE_STYLE, pens[i] + offset, colour_of(i),
                       HEAVIER + grow);
    };
    each_letter({4, 4}, 5, [](int) { return SHADOW; });
    each_letter({0, 0}, 5, [](int) { return RIM; });
    each_letter({0, 0}, 2.5, [](int) { return WHITE; });
    each_letter({0, 0}, 0, [](int i) { return LETTER_COLOURS[i]; });
}

void draw_cat_face(QImage& image)
{
    const QImage face = draw_icon().image.scaled(64, 64, Qt::IgnoreAspectRatio,
                                                 Qt::FastTransformation);
    QPainter(&image).drawImage(QPoint(WIDTH / 2 - 32, 8), face);
}

void draw_ranking_panel(QImage& image)
{
    QPainter p(&image);
    p.fillRect(QRect(0, ART_BOTTOM + 1, WIDTH, 1), QColor(BLACK));
    p.fillRect(QRect(0, PANEL_TOP, WIDTH, PANEL_BOTTOM - PANEL_TOP + 1), QColor(PANEL));
    const std::array<int, 4> edge_rows{PANEL_TOP, PANEL_TOP + 1, PANEL_BOTTOM - 1, PANEL_BOTTOM};
    for (int i = 0; i < 4; ++i)
        p.fillRect(QRect(0, edge_rows[i], WIDTH, 1), QColor(PANEL_EDGES[i]));
    p.fillRect(QRect(0, PANEL_BOTTOM + 1, WIDTH, 1), QColor(BLACK));
}

// A line of the credits, centred, its top at `top`.
void credit_line(QImage& image, const QString& text, TextStyle style, int top)
{
    const double left = std::round((WIDTH - text_size(text, style).width()) / 2);
    paint_text(image, text, style, QPointF(left, std::round(top + text_ascent(style))), CREDIT);
}

void draw_credits(QImage& image)
{
    QPainter(&image).fillRect(QRect(0, STRIP_TOP, WIDTH, WIDTH - STRIP_TOP), QColor(STRIP));
    credit_line(image, QStringLiteral("とんぼら R1"), {16, true}, STRIP_TOP + 4);
    credit_line(image, QStringLiteral("企画・絵・音　にくきゅう工房"), {13, false}, STRIP_TOP + 26);
}

}  // namespace

Picture draw_title()
{
    Picture picture{QImage(WIDTH, WIDTH, QImage::Format_RGB32), title_palette()};
    {
        QPainter p(&picture.image);
        p.setRenderHint(QPainter::Antialiasing);
        draw_corners(p);
        draw_diamond(p);
    }
    for (const Slogan& slogan : SLOGANS)
        place_slogan(picture.image, slogan);
    draw_lettering(picture.image);
    draw_cat_face(picture.image);
    draw_credits(picture.image);
    draw_ranking_panel(picture.image);
    return picture;
}
