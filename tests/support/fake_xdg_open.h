#pragma once

#include "tests/support/wait_until.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

namespace tandrel::testing {

// A stand-in for the desktop's xdg-open, first on PATH while it lives: it
// notes each location it is given and exits with `fileExit` for a file and
// `folderExit` for a folder, as the real one does when its program fails.
// With `installed` false, PATH holds no xdg-open at all.
class FakeXdgOpen
{
public:
    explicit FakeXdgOpen(int fileExit, int folderExit, bool installed = true) : m_oldPath(qgetenv("PATH"))
    {
        if (installed) {
            QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
            script.open(QIODevice::WriteOnly);
            script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n"
                                        "if [ -d \"$1\" ]; then exit %2; fi\nexit %3\n")
                                 .arg(logPath())
                                 .arg(folderExit)
                                 .arg(fileExit)
                                 .toUtf8());
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("PATH", m_dir.path().toUtf8() + ':' + m_oldPath);
        } else {
            qputenv("PATH", m_dir.path().toUtf8());
        }
    }
    ~FakeXdgOpen() { qputenv("PATH", m_oldPath); }

    // The locations handed over so far, in order.
    QStringList opened() const
    {
        QFile log(logPath());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool waitForOpened(qsizetype count) const
    {
        return waitUntil([&] { return opened().size() >= count; }, 30000);
    }

private:
    QString logPath() const { return m_dir.filePath(QStringLiteral("opened.log")); }

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

} // namespace tandrel::testing
