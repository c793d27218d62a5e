#include "raster/surfaces.h"

#include <QImage>
#include <QString>

namespace {

bool load(Surface& s, const char* name)
{
    QImage image(QStringLiteral(":/pictures/%1.png").arg(QLatin1String(name)));
    if (image.width() != s.width || image.height() != s.height)
        return false;
    image = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < s.height; ++y) {
        auto line = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < s.width; ++x)
            s.pixels[size_t(y) * s.width + x] = line[x] | 0xFF000000u;
    }
    mark_damage(s, 0, 0, s.width, s.height);
    return true;
}

}  // namespace

// Every screen composes its frame in backscr anew from a whole picture,
// so the frame is handed to mainscr rather than copied: backscr is left
// with the frame shown before, which the next frame covers.
void show_frame()
{
    trade(mainscr, backscr);
    refresh(mainscr);
}

bool load_pictures()
{
    bool ok = true;
    for (auto [surface, name] : {std::pair{&haikei, "haikei"}, {&title, "title"}, {&neko0, "neko0"},
                                 {&neko1, "neko1"}, {&neko2, "neko2"}, {&neko0m, "neko0m"},
                                 {&neko1m, "neko1m"}, {&neko2m, "neko2m"}})
        ok = load(*surface, name) && ok;
    return ok;
}
