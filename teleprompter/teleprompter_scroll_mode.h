#pragma once

#include <QString>
#include <optional>

namespace tandrel {

// How the teleprompter text moves: following the speaker's voice, or at a
// constant speed. Listed in picker order.
enum class TeleprompterScrollMode { speech, steady };

// The raw value under which the mode is stored in the user settings.
inline QString rawValue(TeleprompterScrollMode mode)
{
    return mode == TeleprompterScrollMode::speech ? QStringLiteral("speech") : QStringLiteral("steady");
}

inline std::optional<TeleprompterScrollMode> scrollModeFromRaw(const QString &raw)
{
    if (raw == QLatin1String("speech"))
        return TeleprompterScrollMode::speech;
    if (raw == QLatin1String("steady"))
        return TeleprompterScrollMode::steady;
    return std::nullopt;
}

} // namespace tandrel
