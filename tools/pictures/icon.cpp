// The window's icon: the tabby's face, big-eyed, on a clear ground.
#include "cat_colours.h"
#include "layers.h"
#include "pictures.h"
#include "symmetry.h"

namespace {

using namespace cat_colour;

constexpr int SIZE = 32;

const Symmetry mirror(SIZE);

void draw_fur(Layer& face)
{
    mirror.both(QPolygon({{3, 17}, {5, 2}, {14, 8}}),
               [&](const QPolygon& ear) { face.polygon(ear, FUR); });
    face.ellipse(QRect(2, 7, 28, 23), FUR);
    mirror.both(QPolygon({{6, 12}, {7, 6}, {11, 9}}),
               [&](const QPolygon& ear) { face.polygon(ear, PINK); });
    for (QPoint top : {QPoint(12, 9), QPoint(15, 8)})
        mirror.both(top, [&](QPoint p) { face.stripe(p, p + QPoint(0, 3), STRIPE); });
    for (auto [y, length] : {std::pair{17, 3}, {20, 2}})
        // Captured by copy: clang 14 cannot capture a structured binding.
        mirror.both(QPoint(2, y), [&, length = length](QPoint p) {
            face.stripe(p, p + QPoint(mirror.on_left(p) ? length : -length, 0), STRIPE);
        });
}

void draw_features(Layer& face)
{
    face.ellipse(QRect(9, 18, 14, 9), CREAM);
    mirror.both(QRect(8, 13, 4, 5), [&](QRect eye) { face.ellipse(eye, EYE); });
    face.dot({9, 14}, SHINE);
    face.dot({21, 14}, SHINE);
    face.line({14, 19}, {17, 19}, PINK);
    face.line({15, 20}, {16, 20}, PINK);
    for (QPoint p : {QPoint(15, 21), QPoint(14, 22), QPoint(13, 21)})
        mirror.both(p, [&](QPoint q) { face.dot(q, OUTLINE); });
    mirror.both(QRect(5, 20, 3, 1), [&](QRect cheek) { face.rect(cheek, PINK); });
}

// The source row or column whose centre lies nearest to the centre of
// target pixel i; the right half mirrors the left, so that the face stays
// symmetric at every size.
int nearest_source(int i, int size, int source_size)
{
    if (2 * i >= size)
        return source_size - 1 - nearest_source(size - 1 - i, size, source_size);
    return (2 * i + 1) * source_size / (2 * size);
}

QImage scaled_nearest(const QImage& image, int size)
{
    QImage scaled(size, size, image.format());
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            scaled.setPixel(x, y, image.pixel(nearest_source(x, size, image.width()),
                                              nearest_source(y, size, image.height())));
    return scaled;
}

bool clear(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)) == 0; }

bool fur_beside(const QImage& image, int x, int y)
{
    for (QPoint n : {QPoint(x - 1, y), QPoint(x + 1, y), QPoint(x, y - 1), QPoint(x, y + 1)})
        if (image.rect().contains(n) && !clear(image, n.x(), n.y()) && image.pixel(n) != OUTLINE)
            return true;
    return false;
}

// Shrinking skips some of the one-pixel outline, so that the fur touches
// the clear ground there: the outline is closed again around it.
void close_outline(QImage& image)
{
    const QImage shrunk = image;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (clear(shrunk, x, y) && fur_beside(shrunk, x, y))
                image.setPixel(x, y, OUTLINE);
}

}  // namespace

Picture draw_icon(int size)
{
    Picture icon = draw_icon();
    icon.image = scaled_nearest(icon.image, size);
    if (size < SIZE)
        close_outline(icon.image);
    return icon;
}

Picture draw_icon()
{
    Picture picture{QImage(SIZE, SIZE, QImage::Format_ARGB32), Palette{qRgba(0, 0, 0, 0)}};
    const Palette fur = cat_palette();
    for (QRgb colour : fur.colours())
        picture.palette.add(colour);
    picture.image.fill(Qt::transparent);
    Layer face(picture.image.size());
    draw_fur(face);
    face.outline(OUTLINE);
    draw_features(face);
    lay_over(picture.image, face);
    return picture;
}
