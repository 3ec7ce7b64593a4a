#pragma once

// Test helper: takes as the recorder leaves them, with files on disk.

#include "library/library_store.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace tandrel::testing {

// A take recorded `secondsAgo` before now.
inline Take makeTake(std::optional<QString> video, std::optional<QString> audio, double duration = 2,
                     QList<SpeechInterval> speech = {}, int secondsAgo = 0)
{
    return Take{QUuid::createUuid(),
                QDateTime::currentDateTimeUtc().addSecs(-secondsAgo),
                std::move(video),
                std::move(audio),
                duration,
                std::move(speech),
                std::nullopt};
}

// Writes the take's files (`bytes` each) into the reel's takes folder, then
// adds the take to the reel.
inline Take addTakeWithFiles(LibraryStore &library, const QUuid &reelID, const Take &take,
                             qsizetype bytes = 1000)
{
    const QString folder = library.takesFolder(*library.reel(reelID));
    QDir().mkpath(folder);
    for (const auto &name : {take.videoFileName, take.audioFileName}) {
        QFile file(folder + QLatin1Char('/') + name.value_or(QString()));
        if (name && file.open(QIODevice::WriteOnly))
            file.write(QByteArray(bytes, 'x'));
    }
    library.addTake(take, reelID);
    return take;
}

// What a process that had the library open leaves when it is killed: its
// session mark, which no one holds any more.
inline void leaveMarkOfAKilledProcess(const QString &libraryFolder)
{
    const QString marks = libraryFolder + QLatin1Char('/') + QLatin1String(SessionMark::folderName);
    QDir().mkpath(marks);
    QFile(marks + QStringLiteral("/4242-killed.session")).open(QIODevice::WriteOnly);
}

// Encodes a short take file with GStreamer's test sources, as
// gst-launch-1.0 reads `pipeline`; whether it worked.
inline bool encodeTestFile(const QString &pipeline, const QString &path)
{
    QProcess gst;
    gst.start(QStringLiteral("gst-launch-1.0"),
              QStringList{QStringLiteral("-q")} + pipeline.split(QLatin1Char(' '))
                      + QStringList{QStringLiteral("!"), QStringLiteral("filesink"),
                                    QStringLiteral("location=") + path});
    return gst.waitForFinished(120000) && gst.exitCode() == 0;
}

// Two seconds of a tone, as a microphone's AAC file.
inline const QString toneTakePipeline
        = QStringLiteral("audiotestsrc num-buffers=94 wave=sine volume=0.5 ! audio/x-raw,rate=48000,"
                         "channels=1 ! avenc_aac ! mp4mux");

} // namespace tandrel::testing
