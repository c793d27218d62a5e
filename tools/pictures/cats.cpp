// The cats: an orange tabby seen from the front, walking upright with a
// grey sign held up in both paws; and the cat that was hit, flung up high
// on a spring, its sign left behind.
#include <QPointF>

#include <cmath>

#include "cat_colours.h"
#include "layers.h"
#include "pictures.h"
#include "symmetry.h"

namespace {

using namespace cat_colour;

constexpr int WIDTH = 50;
constexpr int HEIGHT = 75;
const QRgb WHITE = qRgb(255, 255, 255);

struct BoardColours {
    QRgb edge, light, face, shade, rivet;
};
// Mid grey, so that a red letter printed on it reads well.
const BoardColours BOARD{qRgb(70, 72, 80), qRgb(232, 232, 236), qRgb(200, 202, 208),
                         qRgb(148, 150, 158), qRgb(118, 120, 128)};
const BoardColours FADED_BOARD{qRgb(176, 178, 186), qRgb(246, 246, 248), qRgb(230, 231, 234),
                               qRgb(212, 213, 218), qRgb(196, 197, 202)};

const QRgb STEEL = qRgb(156, 162, 176);
const QRgb STEEL_DARK = qRgb(84, 88, 100);
const QRgb SPEED_LINE = qRgb(150, 190, 232);

const Symmetry mirror(WIDTH);

Picture blank_picture()
{
    Picture picture{QImage(WIDTH, HEIGHT, QImage::Format_RGB32), cat_palette()};
    picture.image.fill(WHITE);
    picture.palette.add(WHITE);
    return picture;
}

void add_board_colours(Palette& palette, const BoardColours& c)
{
    for (QRgb colour : {c.edge, c.light, c.face, c.shade, c.rivet})
        palette.add(colour);
}

// A bevelled board with a rivet in each corner.
void draw_board(QImage& canvas, QRect r, const BoardColours& c)
{
    Layer board(canvas.size());
    board.rect(r, c.edge);
    const QRect inner = r.adjusted(1, 1, -1, -1);
    board.rect(inner, c.shade);
    board.rect(inner.adjusted(0, 0, -1, -1), c.light);
    board.rect(inner.adjusted(1, 1, -1, -1), c.face);
    const QRect studs = inner.adjusted(2, 2, -2, -2);
    for (QPoint p : {studs.topLeft(), studs.topRight(), studs.bottomLeft(), studs.bottomRight()})
        board.dot(p, c.rivet);
    lay_over(canvas, board);
}

QPointF on_curve(QPointF from, QPointF bend, QPointF to, double t)
{
    return (1 - t) * (1 - t) * from + 2 * (1 - t) * t * bend + t * t * to;
}

// A tail: a chain of round blobs along a curve, ringed with stripes.
void draw_tail(QImage& canvas, QPointF from, QPointF bend, QPointF to)
{
    Layer tail(canvas.size());
    constexpr int steps = 24, radius = 2;
    for (int s = 0; s <= steps; ++s) {
        const QPointF p = on_curve(from, bend, to, double(s) / steps);
        const QPoint c(int(std::lround(p.x())), int(std::lround(p.y())));
        tail.ellipse(QRect(c.x() - radius, c.y() - radius, 2 * radius + 1, 2 * radius + 1), FUR);
    }
    for (double t : {0.45, 0.7, 0.92}) {
        const QPointF p = on_curve(from, bend, to, t);
        const QPointF ahead = on_curve(from, bend, to, t + 0.02);
        QPointF across(p.y() - ahead.y(), ahead.x() - p.x());
        across *= 4.0 / std::hypot(across.x(), across.y());
        tail.stripe((p - across).toPoint(), (p + across).toPoint(), STRIPE);
    }
    tail.outline(OUTLINE);
    lay_over(canvas, tail);
}

// One leg standing, the other lifted mid-step.
void draw_legs(QImage& canvas, bool left_foot_down)
{
    Layer legs(canvas.size());
    const QRect standing(17, 58, 7, 15), lifted(17, 58, 7, 12);
    const QRect left_leg = left_foot_down ? standing : lifted;
    const QRect right_leg = mirror(left_foot_down ? lifted : standing);
    for (QRect leg : {left_leg, right_leg}) {
        legs.ellipse(leg, FUR);
        const bool is_left = mirror.on_left(leg.center());
        const QRect foot(is_left ? leg.left() - 2 : leg.left(), leg.bottom() - 3, 9, 5);
        legs.ellipse(foot, CREAM);
    }
    legs.outline(OUTLINE);
    for (QRect leg : {left_leg, right_leg})
        for (int x : {leg.center().x() - 1, leg.center().x() + 2})
            legs.dot({x, leg.bottom() + 1}, OUTLINE);
    lay_over(canvas, legs);
}

// Raised arms, from the shoulders up to the paws at the board's lower corners.
void draw_arms(QImage& canvas)
{
    Layer arms(canvas.size());
    mirror.both(QPolygon({{5, 26}, {11, 25}, {19, 46}, {13, 48}}),
               [&](const QPolygon& arm) { arms.polygon(arm, FUR); });
    for (int y : {31, 36})
        arms.stripe({0, y}, {WIDTH - 1, y + 1}, STRIPE);
    arms.outline(OUTLINE);
    lay_over(canvas, arms);
}

void draw_paws(QImage& canvas)
{
    Layer paws(canvas.size());
    mirror.both(QRect(3, 21, 8, 7), [&](QRect paw) { paws.ellipse(paw, CREAM); });
    paws.outline(OUTLINE);
    for (int x : {5, 8})
        mirror.both(QPoint(x, 21), [&](QPoint toe) { paws.dot(toe, OUTLINE); });
    lay_over(canvas, paws);
}

void draw_body(QImage& canvas)
{
    Layer body(canvas.size());
    body.ellipse(QRect(14, 42, 22, 27), FUR);
    body.ellipse(QRect(19, 49, 12, 18), CREAM);
    for (auto [y, length] : {std::pair{52, 3}, {57, 2}, {62, 3}})
        // Captured by copy: clang 14 cannot capture a structured binding.
        mirror.both(QPoint(14, y), [&, length = length](QPoint side) {
            const int inward = mirror.on_left(side) ? length : -length;
            body.stripe(side, side + QPoint(inward, 0), STRIPE);
        });
    body.outline(OUTLINE);
    lay_over(canvas, body);
}

void draw_face(Layer& head)
{
    head.ellipse(QRect(18, 39, 14, 8), CREAM);
    mirror.both(QRect(17, 34, 3, 4), [&](QRect eye) { head.rect(eye, EYE); });
    head.dot({17, 34}, SHINE);
    head.dot({30, 34}, SHINE);
    head.line({23, 40}, {26, 40}, PINK);
    head.line({24, 41}, {25, 41}, PINK);
    for (QPoint p : {QPoint(24, 42), QPoint(23, 43), QPoint(22, 42)})
        mirror.both(p, [&](QPoint q) { head.dot(q, OUTLINE); });
    mirror.both(QRect(15, 41, 2, 1), [&](QRect cheek) { head.rect(cheek, PINK); });
}

void draw_head(QImage& canvas)
{
    Layer head(canvas.size());
    mirror.both(QPolygon({{12, 37}, {14, 26}, {23, 30}}),
               [&](const QPolygon& ear) { head.polygon(ear, FUR); });
    head.ellipse(QRect(11, 28, 28, 21), FUR);
    mirror.both(QPolygon({{14, 32}, {15, 28}, {19, 30}}),
               [&](const QPolygon& ear) { head.polygon(ear, PINK); });
    for (QPoint top : {QPoint(21, 30), QPoint(24, 29)})
        mirror.both(top, [&](QPoint p) { head.stripe(p, p + QPoint(0, 2), STRIPE); });
    for (int y : {38, 41})
        mirror.both(QPoint(11, y), [&](QPoint p) {
            head.stripe(p, p + QPoint(mirror.on_left(p) ? 2 : -2, 0), STRIPE);
        });
    head.outline(OUTLINE);
    draw_face(head);
    lay_over(canvas, head);
}

Picture walking_cat(int frame)
{
    Picture picture = blank_picture();
    add_board_colours(picture.palette, BOARD);
    QImage& canvas = picture.image;
    draw_board(canvas, QRect(0, 0, WIDTH, 26), BOARD);
    if (frame == 0)
        draw_tail(canvas, {31, 62}, {45, 66}, {43, 48});
    else
        draw_tail(canvas, {31, 62}, {40, 72}, {47, 60});
    draw_arms(canvas);
    draw_legs(canvas, frame == 0);
    draw_body(canvas);
    draw_head(canvas);
    draw_paws(canvas);
    return picture;
}

void draw_speed_lines(QImage& canvas)
{
    Layer lines(canvas.size());
    for (QLine l : {QLine(9, 22, 9, 40), QLine(13, 30, 13, 48), QLine(5, 34, 5, 44)})
        mirror.both(l, [&](QLine side) { lines.line(side.p1(), side.p2(), SPEED_LINE); });
    lay_over(canvas, lines);
}

// A zigzag coil: a dark wire with a light edge, on a base plate.
void draw_spring(QImage& canvas)
{
    Layer spring(canvas.size());
    QPoint from(24, 51);
    for (int turn = 0; turn < 4; ++turn) {
        const QPoint to(turn % 2 == 0 ? 17 : 32, 55 + 4 * turn);
        spring.line(from, to, STEEL_DARK);
        spring.line(from + QPoint(0, -1), to + QPoint(0, -1), STEEL);
        from = to;
    }
    spring.line(from, {24, 70}, STEEL_DARK);
    spring.line(from + QPoint(0, -1), QPoint(24, 69), STEEL);
    spring.rect(QRect(14, 71, 22, 3), STEEL_DARK);
    spring.line({15, 71}, {34, 71}, STEEL);
    lay_over(canvas, spring);
}

// Squeezed-shut eyes, an open mouth, arms flung up.
void draw_flung_face(Layer& cat)
{
    cat.ellipse(QRect(21, 28, 8, 6), CREAM);
    for (QPoint p : {QPoint(19, 26), QPoint(20, 27), QPoint(21, 27), QPoint(19, 28)})
        mirror.both(p, [&](QPoint q) { cat.dot(q, EYE); });
    cat.rect(QRect(24, 30, 2, 2), OUTLINE);
    cat.dot({24, 31}, PINK);
    cat.dot({25, 31}, PINK);
    for (QPoint top : {QPoint(22, 22), QPoint(24, 21)})
        mirror.both(top, [&](QPoint p) { cat.stripe(p, p + QPoint(0, 2), STRIPE); });
}

void draw_flung_cat(QImage& canvas)
{
    Layer cat(canvas.size());
    mirror.both(QPolygon({{20, 38}, {10, 24}, {13, 22}, {22, 35}}),
                [&](const QPolygon& arm) { cat.polygon(arm, FUR); });
    mirror.both(QRect(9, 19, 5, 5), [&](QRect paw) { cat.ellipse(paw, CREAM); });
    mirror.both(QRect(20, 44, 3, 7), [&](QRect leg) { cat.rect(leg, FUR); });
    cat.ellipse(QRect(19, 34, 12, 13), FUR);
    cat.ellipse(QRect(22, 38, 6, 8), CREAM);
    for (int y : {29, 40})
        cat.stripe({0, y}, {WIDTH - 1, y}, STRIPE);
    mirror.both(QPolygon({{16, 27}, {17, 16}, {23, 22}}),
                [&](const QPolygon& ear) { cat.polygon(ear, FUR); });
    cat.ellipse(QRect(16, 20, 18, 15), FUR);
    mirror.both(QPolygon({{18, 23}, {18, 19}, {21, 21}}),
                [&](const QPolygon& ear) { cat.polygon(ear, PINK); });
    cat.outline(OUTLINE);
    draw_flung_face(cat);
    lay_over(canvas, cat);
}

Picture hit_cat()
{
    Picture picture = blank_picture();
    add_board_colours(picture.palette, FADED_BOARD);
    for (QRgb colour : {STEEL, STEEL_DARK, SPEED_LINE})
        picture.palette.add(colour);
    draw_board(picture.image, QRect(3, 0, 44, 15), FADED_BOARD);
    draw_speed_lines(picture.image);
    draw_spring(picture.image);
    draw_flung_cat(picture.image);
    return picture;
}

}  // namespace

Picture draw_cat(int frame)
{
    return frame == 2 ? hit_cat() : walking_cat(frame);
}

QImage mask_of(const QImage& picture)
{
    QImage mask(picture.size(), QImage::Format_Indexed8);
    mask.setColorTable({qRgb(0, 0, 0), WHITE});
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            mask.setPixel(x, y, picture.pixel(x, y) == WHITE ? 1 : 0);
    return mask;
}
