#include "library/session_mark.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tandrel {

namespace {

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// Whether someone holds the mark at `path`; false also when it is gone.
bool isHeld(const QString &path)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true; // vanished meanwhile: its holder closed it cleanly
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return !free;
}

} // namespace

SessionMark::SessionMark(const QString &libraryFolder)
    : m_folder(libraryFolder + QLatin1Char('/') + QLatin1String(folderName))
{
    const QDir marks(m_folder);
    m_neverMarked = !marks.exists();
    for (const QString &name : marks.entryList({QStringLiteral("*.session")}, QDir::Files | QDir::Hidden)) {
        if (!isHeld(marks.filePath(name)))
            m_leftBehind.append(marks.filePath(name));
    }
    if (!QDir().mkpath(m_folder))
        return;
    // Locked under another name and then put in place, so that no one ever
    // sees this mark without its lock.
    const QString name = QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-')
            + QUuid::createUuid().toString(QUuid::Id128).left(8);
    const QString unplaced = marks.filePath(name + QStringLiteral(".new"));
    const QString placed = marks.filePath(name + QStringLiteral(".session"));
    m_fd = ::open(encoded(unplaced).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0
        || ::rename(encoded(unplaced).constData(), encoded(placed).constData()) != 0) {
        ::unlink(encoded(unplaced).constData());
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_path = placed;
}

SessionMark::~SessionMark()
{
    if (m_fd < 0)
        return;
    // Removed while still locked: no one sees it free.
    ::unlink(encoded(m_path).constData());
    ::close(m_fd);
}

void SessionMark::clearLeftBehind()
{
    for (const QString &path : std::as_const(m_leftBehind)) {
        // Taken over meanwhile by a start that read it too: removing it
        // twice is harmless.
        if (path != m_path && !isHeld(path))
            QFile::remove(path);
    }
    m_leftBehind.clear();
    m_neverMarked = false;
}

} // namespace tandrel
