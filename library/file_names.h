#pragma once

#include "library/take.h"

#include <QString>
#include <QStringList>

namespace tandrel {

// Take file names come from library.json, which a user can edit. Only a bare
// file name may be used to reach a file inside a takes folder.
inline bool isBareFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
            && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
            && !name.contains(QChar(0));
}

// The take's file names that may be used inside its takes folder.
inline QStringList bareFileNames(const Take &take)
{
    QStringList names;
    for (const std::optional<QString> &name : {take.videoFileName, take.audioFileName}) {
        if (name && isBareFileName(*name))
            names.append(*name);
    }
    return names;
}

} // namespace tandrel
