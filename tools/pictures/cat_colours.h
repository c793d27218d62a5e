// The orange tabby's colours, shared by the cat pictures, the icon and the
// face on the title.
#pragma once

#include <QRgb>

#include "palette.h"

namespace cat_colour {
inline const QRgb OUTLINE = qRgb(74, 43, 28);
inline const QRgb FUR = qRgb(243, 155, 62);
inline const QRgb STRIPE = qRgb(204, 102, 36);
inline const QRgb CREAM = qRgb(255, 234, 196);
inline const QRgb PINK = qRgb(242, 139, 160);
inline const QRgb EYE = qRgb(45, 32, 32);
// Not pure white: pure white is where the cat is see-through.
inline const QRgb SHINE = qRgb(252, 252, 252);
}  // namespace cat_colour

inline Palette cat_palette()
{
    using namespace cat_colour;
    return Palette{OUTLINE, FUR, STRIPE, CREAM, PINK, EYE, SHINE};
}
