#pragma once

#include "platform/desktop_opener.h"

#include <QStringList>

namespace tandrel::testing {

// Remembers what would have been handed to the desktop, in order, and opens nothing.
class RecordingOpener : public DesktopOpener
{
public:
    bool open(const QString &path) override
    {
        opened.append(path);
        return true;
    }
    QStringList opened;
};

} // namespace tandrel::testing
