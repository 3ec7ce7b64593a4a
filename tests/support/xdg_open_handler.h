#pragma once

#include "tests/support/wait_until.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace tandrel::testing {

// The desktop's own xdg-open, with a program of the test's as the default
// application for folders and every kind of file a test hands over, while
// this lives: its desktop file and mimeapps.list come first in
// XDG_DATA_DIRS and XDG_CONFIG_DIRS. The program notes each location it is
// given and exits with `fileExit` for a file and `folderExit` for a folder;
// xdg-open then answers as it does for any application. With `installed`
// false, PATH holds no xdg-open at all.
class XdgOpenHandler
{
public:
    explicit XdgOpenHandler(int fileExit, int folderExit, bool installed = true)
        : m_oldPath(qgetenv("PATH")), m_oldDataDirs(qgetenv("XDG_DATA_DIRS")),
          m_oldConfigDirs(qgetenv("XDG_CONFIG_DIRS"))
    {
        const QString program = m_dir.filePath(QStringLiteral("handler"));
        write(program,
              QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n"
                             "if [ -d \"$1\" ]; then exit %2; fi\nexit %3\n")
                      .arg(logPath())
                      .arg(folderExit)
                      .arg(fileExit));
        QFile(program).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        static const char *const kinds[] = {
                "inode/directory", "inode/x-empty", "text/plain", "text/xml",    "application/xml",
                "video/quicktime", "video/mp4",     "audio/mp4",  "audio/x-m4a", "application/octet-stream"};
        QString types, defaults = QStringLiteral("[Default Applications]\n");
        for (const char *kind : kinds) {
            types += QLatin1String(kind) + QLatin1Char(';');
            defaults += QLatin1String(kind) + QStringLiteral("=tandrel-test-handler.desktop\n");
        }
        QDir().mkpath(m_dir.filePath(QStringLiteral("data/applications")));
        QDir().mkpath(m_dir.filePath(QStringLiteral("config")));
        write(m_dir.filePath(QStringLiteral("data/applications/tandrel-test-handler.desktop")),
              QStringLiteral(
                      "[Desktop Entry]\nType=Application\nName=Test handler\nExec=%1 %f\nMimeType=%2\n")
                      .arg(program, types));
        write(m_dir.filePath(QStringLiteral("config/mimeapps.list")), defaults);
        prepend("XDG_DATA_DIRS", m_dir.filePath(QStringLiteral("data")), m_oldDataDirs,
                "/usr/local/share:/usr/share");
        prepend("XDG_CONFIG_DIRS", m_dir.filePath(QStringLiteral("config")), m_oldConfigDirs, "/etc/xdg");
        if (!installed)
            qputenv("PATH", m_dir.filePath(QStringLiteral("empty")).toUtf8());
    }
    ~XdgOpenHandler()
    {
        qputenv("PATH", m_oldPath);
        qputenv("XDG_DATA_DIRS", m_oldDataDirs);
        qputenv("XDG_CONFIG_DIRS", m_oldConfigDirs);
    }

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
    static void write(const QString &path, const QString &text)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }
    // An unset or empty XDG search path means its default directories,
    // `byDefault`: the handler's folder goes before those.
    static void prepend(const char *name, const QString &dir, const QByteArray &old, const char *byDefault)
    {
        qputenv(name, dir.toUtf8() + ':' + (old.isEmpty() ? QByteArray(byDefault) : old));
    }

    QTemporaryDir m_dir;
    QByteArray m_oldPath, m_oldDataDirs, m_oldConfigDirs;
};

} // namespace tandrel::testing
