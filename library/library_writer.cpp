#include "library/library_writer.h"

#include "library/library_json.h"
#include "platform/file_error.h"
#include "platform/main_thread.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tandrel {

LibraryStatus moveUnreadableFileAside(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {};
    const QString base = path + QStringLiteral(".unreadable-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    QFile file(path);
    if (!file.rename(target))
        return LibraryError::ofFile(LibraryError::Kind::unreadableNotMovedAside, FileError::last());
    return {};
}

LibraryWriter::LibraryWriter(QString folder, QObject *context, Done done)
    : m_folder(std::move(folder)), m_context(context), m_done(std::move(done))
{ }

LibraryWriter::~LibraryWriter()
{
    // The queue's destructor runs what is queued before its thread ends.
    m_queue.postAndWait([] {});
}

void LibraryWriter::save(Save save)
{
    {
        const std::lock_guard lock(m_mutex);
        m_waiting = std::move(save);
    }
    m_queue.post([this] { writeWaiting(); });
}

void LibraryWriter::finish()
{
    m_queue.postAndWait([] {});
    handOver();
}

void LibraryWriter::writeWaiting()
{
    std::optional<Save> save;
    {
        const std::lock_guard lock(m_mutex);
        save.swap(m_waiting);
    }
    if (!save)
        return; // written along with a newer save
    m_unreadableFileInPlace = m_unreadableFileInPlace || save->unreadableFileInPlace;
    Saved saved{save->serial, std::move(save->reels), {}, {}, std::move(save->lock), false};
    const QString path = m_folder + QStringLiteral("/library.json");
    if (!QDir().mkpath(m_folder)) {
        saved.status = LibraryError::at(LibraryError::Kind::folderNotCreated, m_folder);
    } else if (const LibraryResult<QByteArray> encoded = encodeLibrary(saved.reels); !encoded) {
        saved.status = encoded.error();
    } else if (const LibraryStatus aside
               = m_unreadableFileInPlace ? moveUnreadableFileAside(path) : LibraryStatus();
               !aside) {
        saved.status = aside;
    } else {
        m_unreadableFileInPlace = false;
        const LibraryResult<std::optional<LibraryFile::Stamp>> written
                = LibraryFile::writeFile(path, *encoded);
        if (written)
            saved.stamp = *written;
        else
            saved.status = written.error();
    }
    saved.unreadableFileInPlace = m_unreadableFileInPlace;
    {
        const std::lock_guard lock(m_mutex);
        m_saved.push_back(std::move(saved));
    }
    runOnMain(m_context, [this] { handOver(); });
}

void LibraryWriter::handOver()
{
    for (;;) {
        std::optional<Saved> saved;
        {
            const std::lock_guard lock(m_mutex);
            if (m_saved.empty())
                return;
            saved = std::move(m_saved.front());
            m_saved.pop_front();
        }
        m_done(std::move(*saved));
    }
}

} // namespace tandrel
