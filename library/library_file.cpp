#include "library/library_file.h"

#include "platform/atomic_file.h"
#include "platform/file_error.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace tandrel {

namespace {

LibraryFile::Stamp stampOf(const struct stat &st)
{
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size), qint64(st.st_mtim.tv_sec),
            qint64(st.st_mtim.tv_nsec)};
}

std::optional<LibraryFile::Stamp> stampOfPath(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return stampOf(st);
}

} // namespace

QString LibraryFile::path() const
{
    return m_folder + QStringLiteral("/library.json");
}

LibraryResult<LibraryFile::Lock> LibraryFile::lock() const
{
    if (!QDir().mkpath(m_folder))
        return LibraryError::at(LibraryError::Kind::folderNotCreated, m_folder);
    auto lock = std::make_unique<QLockFile>(path() + QStringLiteral(".lock"));
    // A process killed the moment it created the lock file leaves it empty,
    // without the process id that would show it dead; such a file counts as
    // left behind after a few seconds. A live holder keeps its lock anyway:
    // Qt also holds a native lock on the file, which a stale removal checks.
    lock->setStaleLockTime(staleLockMs);
    if (lock->tryLock(m_lockTimeoutMs))
        return LibraryResult<Lock>(std::move(lock));
    switch (lock->error()) {
    case QLockFile::LockFailedError:
        return LibraryError::Kind::lockBusy;
    case QLockFile::PermissionError:
        return LibraryError::Kind::lockDenied;
    default:
        return LibraryError::Kind::lockNotCreated;
    }
}

LibraryResult<LibraryFile::Reading> LibraryFile::read() const
{
    QFile file(path());
    if (!file.exists())
        return Reading{false, m_known, {}, {}};
    if (m_known && m_knownStamp && stampOfPath(file.fileName()) == m_knownStamp)
        return Reading{true, false, {}, m_knownStamp};
    if (!file.open(QIODevice::ReadOnly))
        return LibraryError::ofFile(LibraryError::Kind::fileFailed, FileError::lastOpen(file.fileName()));
    // The stamp of the open file, so that it belongs to the bytes read.
    struct stat st;
    Reading reading{true, true, {}, {}};
    if (::fstat(file.handle(), &st) == 0)
        reading.stamp = stampOf(st);
    errno = 0;
    reading.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return LibraryError::ofFile(LibraryError::Kind::fileFailed, FileError::last());
    return reading;
}

LibraryStatus LibraryFile::write(const QByteArray &bytes)
{
    const LibraryResult<std::optional<Stamp>> written = writeFile(path(), bytes);
    if (!written)
        return written.error();
    remember(*written);
    return {};
}

LibraryResult<std::optional<LibraryFile::Stamp>> LibraryFile::writeFile(const QString &path,
                                                                        const QByteArray &bytes)
{
    const BasicStatus<AtomicWriteFailure> written = replaceFileAtomically(path, bytes);
    if (!written) {
        LibraryError error(LibraryError::Kind::notWritten);
        error.write = written.error();
        return error;
    }
    // Writers hold the folder's lock, so the file is still this one.
    return stampOfPath(path);
}

} // namespace tandrel
