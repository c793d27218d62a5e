// The lettering comes from the IPA Gothic fonts (Debian package
// fonts-ipafont-gothic), asked for by family name. Any other font would
// change the pictures, so a missing one stops the tool.
#pragma once

#include <QFont>
#include <QString>

inline const QString PROPORTIONAL_GOTHIC = QStringLiteral("IPAPGothic");

// The font of the family at a size in pixels; throws std::runtime_error
// when the family is not installed.
QFont lettering_font(const QString& family, int pixels, bool bold);
