#include "lettering.h"

#include <QRect>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

const char* const FONT_FILE = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";

double grow_for(TextStyle style) { return style.bold ? style.pixels / 48 : 0; }

// Only the square root, which IEEE 754 rounds exactly, and the four
// operations: the same bits on every machine the tool runs on.
double distance(QPointF p, const Edge& e)
{
    const QPointF along = e.to - e.from, off = p - e.from;
    const double length2 = QPointF::dotProduct(along, along);
    const double t =
        length2 > 0 ? std::clamp(QPointF::dotProduct(off, along) / length2, 0.0, 1.0) : 0.0;
    const QPointF gap = off - along * t;
    return std::sqrt(QPointF::dotProduct(gap, gap));
}

// The glyphs are filled by the non-zero rule, as TrueType fills them.
bool inside(QPointF p, const std::vector<Edge>& edges)
{
    int winding = 0;
    for (const Edge& e : edges) {
        const double side = (e.to.x() - e.from.x()) * (p.y() - e.from.y()) -
                            (p.x() - e.from.x()) * (e.to.y() - e.from.y());
        if (e.from.y() <= p.y() && e.to.y() > p.y() && side > 0)
            ++winding;
        else if (e.from.y() > p.y() && e.to.y() <= p.y() && side < 0)
            --winding;
    }
    return winding != 0;
}

// How much of the pixel whose centre is p the grown outline covers, 0-255.
int coverage(QPointF p, const std::vector<Edge>& edges, double grow)
{
    double nearest = INFINITY;
    for (const Edge& e : edges)
        nearest = std::min(nearest, distance(p, e));
    const double depth = grow + 0.5 + (inside(p, edges) ? nearest : -nearest);
    return int(std::lround(std::clamp(depth, 0.0, 1.0) * 255));
}

// The pixels the grown outline may touch.
QRect reach(const std::vector<Edge>& edges, QPointF pen, double grow)
{
    double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
    for (const Edge& e : edges) {
        left = std::min(left, e.from.x());
        right = std::max(right, e.from.x());
        top = std::min(top, e.from.y());
        bottom = std::max(bottom, e.from.y());
    }
    const double margin = grow + 1;
    return QRect(QPoint(int(std::floor(pen.x() + left - margin)),
                        int(std::floor(pen.y() + top - margin))),
                 QPoint(int(std::ceil(pen.x() + right + margin)),
                        int(std::ceil(pen.y() + bottom + margin))));
}

QRgb blend(QRgb under, QRgb over, int alpha)
{
    auto mix = [&](int a, int b) { return (a * (255 - alpha) + b * alpha + 127) / 255; };
    return qRgb(mix(qRed(under), qRed(over)), mix(qGreen(under), qGreen(over)),
                mix(qBlue(under), qBlue(over)));
}

}  // namespace

const OutlineFont& lettering_font()
{
    static const auto font = [] {
        try {
            return std::make_unique<OutlineFont>(FONT_FILE);
        } catch (const std::runtime_error&) {
            throw std::runtime_error(std::string("font not installed: ") + FONT_FILE +
                                     " (Debian package fonts-ipafont-gothic)");
        }
    }();
    return *font;
}

QSizeF text_size(const QString& text, TextStyle style)
{
    const OutlineFont& font = lettering_font();
    return {font.outline(text, style.pixels).advance,
            font.ascent(style.pixels) + font.descent(style.pixels)};
}

double text_ascent(TextStyle style) { return lettering_font().ascent(style.pixels); }

void paint_text(QImage& image, const QString& text, TextStyle style, QPointF pen, QRgb colour,
                double grow)
{
    paint_outline(image, lettering_font().outline(text, style.pixels), pen,
                  grow_for(style) + grow, colour);
}

void paint_outline(QImage& image, const TextOutline& outline, QPointF pen, double grow,
                   QRgb colour)
{
    if (outline.edges.empty())
        return;
    const QRect area = reach(outline.edges, pen, grow) & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const int alpha = coverage(QPointF(x + 0.5, y + 0.5) - pen, outline.edges, grow);
            if (alpha > 0)
                image.setPixel(x, y, blend(image.pixel(x, y), colour, alpha));
        }
}
