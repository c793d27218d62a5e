// Faces and figures are drawn from their left half and mirrored about the
// middle of the picture, so both sides always match.
#pragma once

#include <QLine>
#include <QPoint>
#include <QPolygon>
#include <QRect>

class Symmetry {
public:
    explicit Symmetry(int width) : width_(width) {}

    int operator()(int x) const { return width_ - 1 - x; }
    QPoint operator()(QPoint p) const { return {(*this)(p.x()), p.y()}; }
    QLine operator()(QLine l) const { return {(*this)(l.p1()), (*this)(l.p2())}; }
    QRect operator()(QRect r) const { return QRect((*this)(r.topRight()), (*this)(r.bottomLeft())); }
    QPolygon operator()(const QPolygon& polygon) const
    {
        QPolygon out;
        for (QPoint p : polygon)
            out << (*this)(p);
        return out;
    }

    // Draws a shape given by its left-hand copy on both sides.
    template <typename Shape, typename Draw>
    void both(const Shape& left, Draw draw) const
    {
        draw(left);
        draw((*this)(left));
    }

    bool on_left(QPoint p) const { return p.x() < width_ / 2; }

private:
    int width_;
};
