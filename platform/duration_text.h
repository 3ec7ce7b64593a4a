#pragma once

#include <QString>
#include <algorithm>

namespace tandrel {

// Whole seconds as people read a running or remaining time: "0:07", "12:45".
inline QString minutesSecondsText(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace tandrel
