#include "widgets/UiFont.h"

#include <QStringList>

QFont MakeGothicFont(int pixelHeight, int weight) {
    QFont font;
    // Machines without the Windows face get the nearest Japanese gothic; the generic family
    // last keeps Latin text readable even where no CJK font is installed.
    // The Windows face is proportional, so the proportional substitutes come first.
    font.setFamilies({QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"),
                      QStringLiteral("VL PGothic"), QStringLiteral("IPAGothic"),
                      QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}
