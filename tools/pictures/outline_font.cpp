#include "outline_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <stdexcept>

namespace {

// Each curve is cut into this many straight pieces: at the title's 58
// pixels a em no piece strays a tenth of a pixel from its curve.
constexpr int CURVE_PIECES = 8;

// Collects a glyph's outline as edges in pixels while FreeType walks it.
struct Walker {
    TextOutline& text;
    QPointF pen;   // the glyph's origin on the baseline, in pixels
    double scale;  // pixels per font unit
    QPointF at{};

    QPointF place(const FT_Vector* v) const
    {
        return pen + QPointF(double(v->x) * scale, -double(v->y) * scale);
    }
    void line(QPointF to)
    {
        text.edges.push_back({at, to});
        at = to;
    }
    template <typename Point>
    void curve(Point point_at)
    {
        for (int i = 1; i <= CURVE_PIECES; ++i)
            line(point_at(double(i) / CURVE_PIECES));
    }
};

Walker& walker(void* user) { return *static_cast<Walker*>(user); }

int move_to(const FT_Vector* to, void* user)
{
    walker(user).at = walker(user).place(to);
    return 0;
}

int line_to(const FT_Vector* to, void* user)
{
    walker(user).line(walker(user).place(to));
    return 0;
}

int conic_to(const FT_Vector* control, const FT_Vector* to, void* user)
{
    Walker& w = walker(user);
    const QPointF a = w.at, b = w.place(control), c = w.place(to);
    w.curve([&](double t) { return (1 - t) * (1 - t) * a + 2 * (1 - t) * t * b + t * t * c; });
    return 0;
}

int cubic_to(const FT_Vector* one, const FT_Vector* two, const FT_Vector* to, void* user)
{
    Walker& w = walker(user);
    const QPointF a = w.at, b = w.place(one), c = w.place(two), d = w.place(to);
    w.curve([&](double t) {
        const double u = 1 - t;
        return u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d;
    });
    return 0;
}

const FT_Outline_Funcs WALK{move_to, line_to, conic_to, cubic_to, 0, 0};

}  // namespace

OutlineFont::OutlineFont(const std::string& path)
{
    if (FT_Init_FreeType(&library_) != 0)
        throw std::runtime_error("FreeType did not start");
    if (FT_New_Face(library_, path.c_str(), 0, &face_) != 0 || !FT_IS_SCALABLE(face_)) {
        FT_Done_FreeType(library_);
        throw std::runtime_error("cannot read the font " + path);
    }
}

OutlineFont::~OutlineFont()
{
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
}

TextOutline OutlineFont::outline(const QString& text, double pixels) const
{
    TextOutline out;
    const double scale = pixels / face_->units_per_EM;
    for (char32_t c : text.toStdU32String()) {
        const FT_UInt glyph = FT_Get_Char_Index(face_, c);
        if (glyph == 0 || FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE) != 0)
            throw std::runtime_error("the font has no glyph for " +
                                     QString::fromUcs4(&c, 1).toStdString());
        Walker walk{out, QPointF(out.advance, 0), scale};
        FT_Outline_Decompose(&face_->glyph->outline, &WALK, &walk);
        out.advance += double(face_->glyph->advance.x) * scale;
    }
    return out;
}

double OutlineFont::ascent(double pixels) const
{
    return face_->ascender * pixels / face_->units_per_EM;
}

double OutlineFont::descent(double pixels) const
{
    return -face_->descender * pixels / face_->units_per_EM;
}
