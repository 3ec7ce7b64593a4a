#pragma once

#include <QString>
#include <optional>

namespace tandrel {

// Where the reading line and the text column sit in the teleprompter window.
// Listed in picker order.
enum class TeleprompterTextPlacement { standard, center };

// The raw value under which the placement is stored in the user settings.
inline QString rawValue(TeleprompterTextPlacement placement)
{
    return placement == TeleprompterTextPlacement::standard ? QStringLiteral("standard")
                                                            : QStringLiteral("center");
}

inline std::optional<TeleprompterTextPlacement> textPlacementFromRaw(const QString &raw)
{
    if (raw == QLatin1String("standard"))
        return TeleprompterTextPlacement::standard;
    if (raw == QLatin1String("center"))
        return TeleprompterTextPlacement::center;
    return std::nullopt;
}

} // namespace tandrel
