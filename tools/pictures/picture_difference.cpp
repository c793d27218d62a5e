#include "picture_difference.h"

#include <QRect>

namespace {

QString size_of(const QImage& image)
{
    return QStringLiteral("%1 x %2").arg(image.width()).arg(image.height());
}

QString colour(QRgb c) { return QStringLiteral("#%1").arg(c, 8, 16, QLatin1Char('0')); }

}  // namespace

QString picture_difference(const QImage& made, const QImage& kept)
{
    if (made.size() != kept.size())
        return QStringLiteral("made %1, kept %2").arg(size_of(made), size_of(kept));
    QRect where;
    QPoint first;
    long count = 0;
    for (int y = 0; y < made.height(); ++y)
        for (int x = 0; x < made.width(); ++x) {
            if (made.pixel(x, y) == kept.pixel(x, y))
                continue;
            if (count++ == 0)
                first = QPoint(x, y);
            where |= QRect(x, y, 1, 1);
        }
    if (count == 0)
        return QStringLiteral("the same pixels, the file encoded differently");
    return QStringLiteral("%1 of %2 pixels differ, in x %3-%4, y %5-%6; the first at (%7, %8): "
                          "made %9, kept %10")
        .arg(count)
        .arg(qint64(made.width()) * made.height())
        .arg(where.left())
        .arg(where.right())
        .arg(where.top())
        .arg(where.bottom())
        .arg(first.x())
        .arg(first.y())
        .arg(colour(made.pixel(first)), colour(kept.pixel(first)));
}
