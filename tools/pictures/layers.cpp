#include "layers.h"

#include <QPainter>

namespace {

bool covered(const QImage& image, int x, int y)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return false;
    return qAlpha(image.pixel(x, y)) != 0;
}

void crisp_line(QImage& image, QPoint from, QPoint to, QRgb colour,
                QPainter::CompositionMode mode)
{
    QPainter p(&image);
    p.setCompositionMode(mode);
    p.setPen(QPen(QColor::fromRgba(colour), 1));
    p.drawLine(from, to);
}

}  // namespace

Layer::Layer(QSize size) : image_(size, QImage::Format_ARGB32)
{
    image_.fill(Qt::transparent);
}

void Layer::ellipse(QRect r, QRgb colour)
{
    const double cx = r.x() + r.width() / 2.0;
    const double cy = r.y() + r.height() / 2.0;
    const double rx = r.width() / 2.0;
    const double ry = r.height() / 2.0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const double dx = (x + 0.5 - cx) / rx;
            const double dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0)
                dot({x, y}, colour);
        }
}

void Layer::polygon(const QPolygon& points, QRgb colour)
{
    QPainter p(&image_);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(colour));
    p.drawPolygon(points);
}

void Layer::rect(QRect r, QRgb colour)
{
    QPainter p(&image_);
    p.fillRect(r, QColor::fromRgba(colour));
}

void Layer::line(QPoint from, QPoint to, QRgb colour)
{
    crisp_line(image_, from, to, colour, QPainter::CompositionMode_SourceOver);
}

void Layer::dot(QPoint at, QRgb colour)
{
    if (image_.rect().contains(at))
        image_.setPixel(at, colour);
}

void Layer::stripe(QPoint from, QPoint to, QRgb colour)
{
    crisp_line(image_, from, to, colour, QPainter::CompositionMode_SourceAtop);
}

void Layer::outline(QRgb colour)
{
    const QImage before = image_;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (!covered(before, x, y) &&
                (covered(before, x - 1, y) || covered(before, x + 1, y) ||
                 covered(before, x, y - 1) || covered(before, x, y + 1)))
                image_.setPixel(x, y, colour);
}

void lay_over(QImage& canvas, const Layer& layer, QPoint offset)
{
    const QImage& image = layer.image();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QPoint at = QPoint(x, y) + offset;
            if (covered(image, x, y) && canvas.rect().contains(at))
                canvas.setPixel(at, image.pixel(x, y));
        }
}
