// Glyph outlines read from a TrueType font file through FreeType, in the
// font's own units, unhinted and unscaled: the points stored in the file.
// The pictures' lettering is drawn from these alone (lettering.h), so it
// never depends on a library's hinting or rasteriser, nor on Qt's version.
#pragma once

#include <QPointF>
#include <QString>

#include <string>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

// A straight piece of an outline, in pixels, y growing downwards.
struct Edge {
    QPointF from, to;
};

// A line of text as the edges of its glyphs, the pen starting at (0, 0)
// on the baseline, and the pen's advance over it.
struct TextOutline {
    std::vector<Edge> edges;
    double advance = 0;
};

class OutlineFont {
public:
    // Throws std::runtime_error when the file cannot be read as a font.
    explicit OutlineFont(const std::string& path);
    ~OutlineFont();
    OutlineFont(const OutlineFont&) = delete;
    OutlineFont& operator=(const OutlineFont&) = delete;

    // The text at a size in pixels a em, glyph by glyph without kerning;
    // throws std::runtime_error for a character the font lacks.
    TextOutline outline(const QString& text, double pixels) const;
    // The font's ascent and descent (both positive) at that size.
    double ascent(double pixels) const;
    double descent(double pixels) const;

private:
    FT_LibraryRec_* library_ = nullptr;
    FT_FaceRec_* face_ = nullptr;
};
