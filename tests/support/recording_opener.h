#pragma once

#include "platform/desktop_opener.h"

#include <QStringList>

namespace tandrel::testing {

// Remembers what would have been handed to the desktop, in order, and opens
// nothing; every hand-over succeeds at once.
class RecordingOpener : public DesktopOpener
{
public:
    bool open(const QString &path) override
    {
        opened.append(path);
        return true;
    }
    void openAndReport(const QString &path, Settled settled) override
    {
        opened.append(path);
        if (settled)
            settled(std::nullopt);
    }
    QStringList opened;
};

} // namespace tandrel::testing
