// Pixel-art drawing for the cats and the icon. Each part of a figure is
// filled on its own transparent layer without antialiasing, gets a
// one-pixel outline, and is then laid over the figure; so a part in front
// (an arm over the body) keeps a clean line between itself and what is
// behind it.
#pragma once

#include <QImage>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QRgb>

class Layer {
public:
    explicit Layer(QSize size);

    // Fills the pixels whose centres lie inside the ellipse in r.
    void ellipse(QRect r, QRgb colour);
    void polygon(const QPolygon& points, QRgb colour);
    void rect(QRect r, QRgb colour);
    void line(QPoint from, QPoint to, QRgb colour);
    void dot(QPoint at, QRgb colour);

    // A line painted only over pixels the layer already covers: stripes
    // on fur, seams on a board.
    void stripe(QPoint from, QPoint to, QRgb colour);
    // Paints every clear pixel that touches a covered one (4-neighbours).
    void outline(QRgb colour);

    const QImage& image() const { return image_; }

private:
    QImage image_;
};

// Copies the covered pixels of the layer onto the canvas.
void lay_over(QImage& canvas, const Layer& layer, QPoint offset = {});
