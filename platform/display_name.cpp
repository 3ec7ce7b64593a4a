#include "platform/display_name.h"

#include <algorithm>

namespace tandrel {

QString displayName(const DisplayInfo &display, const QList<DisplayInfo> &displays)
{
    if (display.name.isEmpty())
        return QStringLiteral("Display %1").arg(display.number);
    const auto sameName = std::count_if(displays.begin(), displays.end(),
                                        [&](const DisplayInfo &other) { return other.name == display.name; });
    if (sameName <= 1)
        return display.name;
    return QStringLiteral("%1 · %2 (%3 × %4)")
            .arg(display.name)
            .arg(display.number)
            .arg(display.geometry.width())
            .arg(display.geometry.height());
}

} // namespace tandrel
