// The game's artwork. Each picture is drawn in full colour together with
// the palette it is stored in.
#pragma once

#include <QImage>

#include "palette.h"

struct Picture {
    QImage image;
    Palette palette;
};

// The play field's background: the three display boxes, the city at
// night and the ground (350 x 350).
Picture draw_background();
// The title screen: lettering and slogans, the ranking panel and the
// credits (350 x 350).
Picture draw_title();
// The cats (50 x 75): walking frames 0 and 1, and 2, the cat that was hit.
Picture draw_cat(int frame);
// The window's icon: a cat's face on a clear ground (32 x 32).
Picture draw_icon();
// The same face at size x size for a desktop's launchers: scaled by
// taking the nearest pixel, never a blend, so the pixels stay sharp.
Picture draw_icon(int size);

// Black where the picture shows anything, white where it is pure white,
// so that the mask and its picture always agree.
QImage mask_of(const QImage& indexed_picture);
