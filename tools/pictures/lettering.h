// The pictures' text, painted from the glyph outlines of IPA P Gothic
// (outline_font.h) by plain arithmetic of our own: each pixel is covered
// by how far its centre lies inside the outline, measured in pixels, so
// the edges are smooth and the bytes the same wherever the tool runs.
// A bold text's strokes are widened by a 48th of its size on each side,
// as synthetic bold would widen them (the font has no bold face).
#pragma once

#include <QImage>
#include <QPointF>
#include <QRgb>
#include <QSizeF>
#include <QString>

#include "outline_font.h"

struct TextStyle {
    double pixels;  // the size, in pixels a em
    bool bold;
};

// The font every picture is lettered in: IPA P Gothic from the Debian
// package fonts-ipafont-gothic, at the path Debian installs it. Throws
// std::runtime_error when it is missing: any other font would change the
// pictures.
const OutlineFont& lettering_font();

// The text's advance and the font's line height.
QSizeF text_size(const QString& text, TextStyle style);
double text_ascent(TextStyle style);

// Paints the text with its pen starting at `pen` on the baseline. `grow`
// widens it by that many pixels more on every side, with round corners:
// a rim or a shadow around the letters.
void paint_text(QImage& image, const QString& text, TextStyle style, QPointF pen, QRgb colour,
                double grow = 0);

// Paints the outline's inside grown by `grow` pixels, its edges
// antialiased over one pixel; the rest of the image stays as it was.
void paint_outline(QImage& image, const TextOutline& outline, QPointF pen, double grow,
                   QRgb colour);
