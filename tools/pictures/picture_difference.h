// What differs between two pictures, said so that a failed comparison of
// the made pictures with the committed ones points at the pixels.
#pragma once

#include <QImage>
#include <QString>

// One sentence: the sizes when they differ; else how many pixels differ,
// the rectangle that holds them and the first one with both colours; or,
// when every pixel is the same, that only the file's encoding differs
// (the palette's order, the PNG's chunks or compression).
QString picture_difference(const QImage& made, const QImage& kept);
