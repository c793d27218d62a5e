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
        mirror.both(QPoint(2, y), [&](QPoint p) {
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

}  // namespace

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
