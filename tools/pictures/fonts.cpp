#include "fonts.h"

#include <QFontInfo>

#include <stdexcept>

QFont lettering_font(const QString& family, int pixels, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::NoFontMerging);
    if (QFontInfo(font).family() != family)
        throw std::runtime_error("font not installed: " + family.toStdString() +
                                 " (Debian package fonts-ipafont-gothic)");
    return font;
}
