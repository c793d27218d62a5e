#include "palette.h"

#include <QImageWriter>

#include <limits>
#include <unordered_map>

namespace {

int distance(QRgb a, QRgb b)
{
    int dr = qRed(a) - qRed(b);
    int dg = qGreen(a) - qGreen(b);
    int db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

int nearest_opaque(QRgb colour, const QList<QRgb>& colours)
{
    int best = -1;
    int best_distance = std::numeric_limits<int>::max();
    for (int i = 0; i < colours.size(); ++i) {
        if (qAlpha(colours[i]) != 255)
            continue;
        int d = distance(colour, colours[i]);
        if (d < best_distance) {
            best = i;
            best_distance = d;
        }
    }
    return best;
}

int transparent_entry(const QList<QRgb>& colours)
{
    for (int i = 0; i < colours.size(); ++i)
        if (qAlpha(colours[i]) == 0)
            return i;
    return -1;
}

int mix(int a, int b, int step, int steps)
{
    return a + (b - a) * step / steps;
}

}  // namespace

Palette::Palette(std::initializer_list<QRgb> colours)
{
    for (QRgb c : colours)
        add(c);
}

void Palette::add(QRgb colour)
{
    if (!colours_.contains(colour))
        colours_.append(colour);
}

void Palette::add_ramp(QRgb from, QRgb to, int steps)
{
    for (int s = 1; s < steps; ++s)
        add(qRgb(mix(qRed(from), qRed(to), s, steps), mix(qGreen(from), qGreen(to), s, steps),
                 mix(qBlue(from), qBlue(to), s, steps)));
}

QImage to_indexed(const QImage& image, const Palette& palette)
{
    const QList<QRgb>& colours = palette.colours();
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int clear = transparent_entry(colours);
    QImage out(argb.size(), QImage::Format_Indexed8);
    out.setColorTable(colours);
    std::unordered_map<QRgb, int> cache;
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* line = out.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            if (clear >= 0 && qAlpha(in[x]) < 128) {
                line[x] = uchar(clear);
                continue;
            }
            auto [it, fresh] = cache.try_emplace(in[x], 0);
            if (fresh)
                it->second = nearest_opaque(in[x], colours);
            line[x] = uchar(it->second);
        }
    }
    return out;
}

bool write_png(const QImage& image, const QString& path)
{
    // Fixed resolution: a new QImage takes it from the screen otherwise.
    QImage copy = image;
    copy.setDotsPerMeterX(3780);
    copy.setDotsPerMeterY(3780);
    QImageWriter writer(path, "png");
    return writer.write(copy);
}
