// Pictures are drawn in full colour and then mapped onto a palette fixed
// here, by nearest colour and without dithering, so that the files never
// depend on Qt's own colour reduction.
#pragma once

#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>

class Palette {
public:
    Palette() = default;
    Palette(std::initializer_list<QRgb> colours);

    // Adds a colour unless it is already there.
    void add(QRgb colour);
    // Adds the shades strictly between two colours, for smooth edges
    // where antialiasing blends one into the other.
    void add_ramp(QRgb from, QRgb to, int steps);

    const QList<QRgb>& colours() const { return colours_; }

private:
    QList<QRgb> colours_;
};

// Maps every pixel to its nearest palette entry (ties go to the earlier
// entry). Pixels less than half opaque go to the palette's transparent
// entry when it has one.
QImage to_indexed(const QImage& image, const Palette& palette);

// Writes an indexed picture as PNG; false when the file cannot be written.
bool write_png(const QImage& image, const QString& path);
