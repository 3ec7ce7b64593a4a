#pragma once

#include <QString>

namespace tandrel {

// Take file names come from library.json, which a user can edit. Only a bare
// file name may be used to reach a file inside a takes folder.
inline bool isBareFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
            && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
            && !name.contains(QChar(0));
}

} // namespace tandrel
