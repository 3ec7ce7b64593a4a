#include "teleprompter/teleprompter_font.h"

#include <QStringList>

namespace tandrel {

QFont teleprompterFont(double pointSize, QFont::Weight weight)
{
    QFont font;
    font.setFamilies({QStringLiteral("Nunito"), QStringLiteral("Varela Round"), QStringLiteral("Quicksand"),
                      QStringLiteral("M PLUS Rounded 1c"), QStringLiteral("Arial Rounded MT Bold"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    // Sizes are in points of the window, which are its logical pixels.
    font.setPixelSize(qMax(1, qRound(pointSize)));
    font.setWeight(weight);
    return font;
}

} // namespace tandrel
