#pragma once

// Shared by the Kdenlive/Shotcut export tests: a library with takes in a
// temporary folder, take files made by GStreamer, and readers for the MLT
// and Final Cut documents.
#include "library/library_store.h"
#include "platform/settings_store.h"
#include "tests/support/run_tool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>
#include <functional>
#include <optional>
#include <ostream>

namespace tandrel::testing {

// A library holding reel 7 "Tom & Jerry" in a temporary folder.
struct TestLibrary
{
    TestLibrary()
    {
        settings.emplace(dir.filePath(QStringLiteral("settings.ini")));
        store.emplace(*settings, root());
        reelID = store->createReel(7, QStringLiteral("Tom & Jerry"), QString()).value().id;
    }

    QString root() const { return dir.filePath(QStringLiteral("my library")); }
    ReelProject reel() const { return *store->reel(reelID); }
    QString takesFolder() const { return store->takesFolder(reel()); }

    // A take recorded `minutes` after 10:00 local time; file names that are
    // empty are not set, files with a size of 0 are not written.
    void addTake(int minutes, const QString &video, const QString &audio, double duration,
                 const QList<SpeechInterval> &intervals, qsizetype bytes = 1000)
    {
        const QDir takes(takesFolder());
        for (const QString &name : {video, audio}) {
            if (name.isEmpty() || bytes == 0 || QFileInfo::exists(takes.filePath(name)))
                continue;
            QFile file(takes.filePath(name));
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray(bytes, '\0'));
        }
        const QDateTime at(QDate(2026, 3, 1), QTime(10, minutes));
        store->addTake(Take{QUuid::createUuid(), at, video.isEmpty() ? std::nullopt : std::optional(video),
                            audio.isEmpty() ? std::nullopt : std::optional(audio), duration, intervals, std::nullopt},
                       reelID);
    }

    QTemporaryDir dir;
    std::optional<SettingsStore> settings;
    std::optional<LibraryStore> store;
    QUuid reelID;
};

// One clip as it lies on a track: where, which stretch of which file, its name.
struct TrackClip
{
    qint64 offset = 0, start = 0, length = 0;
    QString file; // absolute path
    QString name;
    bool operator==(const TrackClip &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const TrackClip &c)
{
    return os << c.name.toStdString() << " @" << c.offset << " [" << c.start << "+" << c.length << "] "
              << c.file.toStdString();
}

// The parts of an MLT document the editors and melt read.
struct MltDocument
{
    struct Item
    {
        QString producer; // empty for a blank
        qint64 in = 0, out = -1, blank = 0;
        QHash<QString, QString> properties;
    };
    struct Track
    {
        QString producer, hide;
    };

    QString error; // empty when the document is well-formed
    QHash<QString, QString> root; // the <mlt> element's attributes
    QHash<QString, QHash<QString, QString>> producers; // chain and producer properties by id
    QHash<QString, QList<Item>> playlists;
    QHash<QString, QList<Track>> tractors;
    QHash<QString, QHash<QString, QString>> tractorAttributes;
    QStringList tractorOrder;
    QHash<QString, QString> binProperties; // of the "main_bin" playlist

    static MltDocument read(const QByteArray &xml)
    {
        MltDocument doc;
        QXmlStreamReader r(xml);
        QString element, id, property;
        Item *item = nullptr;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement()) {
                const QString name = r.name().toString();
                const auto attr
                        = [&](const char *a) { return r.attributes().value(QLatin1String(a)).toString(); };
                if (name == QLatin1String("mlt")) {
                    for (const auto &a : r.attributes())
                        doc.root.insert(a.name().toString(), a.value().toString());
                } else if (name == QLatin1String("chain") || name == QLatin1String("producer")) {
                    element = name;
                    id = attr("id");
                    doc.producers[id];
                } else if (name == QLatin1String("playlist")) {
                    element = name;
                    id = attr("id");
                    doc.playlists[id];
                } else if (name == QLatin1String("tractor")) {
                    element = name;
                    id = attr("id");
                    doc.tractorOrder.append(id);
                    for (const auto &a : r.attributes())
                        doc.tractorAttributes[id].insert(a.name().toString(), a.value().toString());
                } else if (name == QLatin1String("entry")) {
                    doc.playlists[id].append(
                            {attr("producer"), attr("in").toLongLong(), attr("out").toLongLong(), 0, {}});
                    item = &doc.playlists[id].last();
                } else if (name == QLatin1String("blank")) {
                    doc.playlists[id].append({{}, 0, -1, attr("length").toLongLong(), {}});
                } else if (name == QLatin1String("track") && element == QLatin1String("tractor")) {
                    doc.tractors[id].append({attr("producer"), attr("hide")});
                } else if (name == QLatin1String("property")) {
                    property = attr("name");
                    const QString value = r.readElementText();
                    if (item)
                        item->properties.insert(property, value);
                    else if (element == QLatin1String("playlist") && id == QLatin1String("main_bin"))
                        doc.binProperties.insert(property, value);
                    else if (element != QLatin1String("playlist") && element != QLatin1String("tractor"))
                        doc.producers[id].insert(property, value);
                }
            } else if (r.isEndElement() && r.name() == QLatin1String("entry")) {
                item = nullptr;
            }
        }
        if (r.hasError())
            doc.error = r.errorString() + QStringLiteral(" at line ") + QString::number(r.lineNumber());
        return doc;
    }

    static MltDocument readFile(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            MltDocument doc;
            doc.error = QStringLiteral("cannot read ") + path;
            return doc;
        }
        return read(file.readAll());
    }

    // The playlists under the document's last tractor (the one melt plays),
    // through Kdenlive's track tractors; background tracks left out.
    QStringList trackPlaylists() const
    {
        QStringList result;
        const std::function<void(const QString &)> walk = [&](const QString &producer) {
            if (tractors.contains(producer)) {
                for (const Track &t : tractors.value(producer))
                    walk(t.producer);
            } else if (playlists.contains(producer) && producer != QLatin1String("background")) {
                result.append(producer);
            }
        };
        if (!tractorOrder.isEmpty())
            walk(tractorOrder.last());
        return result;
    }

    // The clips of a playlist, resources resolved against `projectFolder`;
    // a clip's name is its producer's caption (Shotcut) or bin name (Kdenlive).
    QList<TrackClip> clips(const QString &playlist, const QString &projectFolder) const
    {
        QList<TrackClip> result;
        qint64 position = 0;
        for (const Item &item : playlists.value(playlist)) {
            if (item.producer.isEmpty()) {
                position += item.blank;
                continue;
            }
            const QHash<QString, QString> p = producers.value(item.producer);
            const QString name = p.value(QStringLiteral("shotcut:caption"),
                                         p.value(QStringLiteral("kdenlive:clipname")));
            const QString resource = p.value(QStringLiteral("resource"));
            result.append({position, item.in, item.out - item.in + 1,
                           QFileInfo(QDir(projectFolder).filePath(resource)).absoluteFilePath(), name});
            position += item.out - item.in + 1;
        }
        return result;
    }

    // The frames the last tractor plays.
    qint64 length() const
    {
        const auto a = tractorAttributes.value(tractorOrder.value(tractorOrder.size() - 1));
        return a.value(QStringLiteral("out")).toLongLong() - a.value(QStringLiteral("in")).toLongLong() + 1;
    }
};

// The Final Cut document's timeline, split into what plays as picture and
// what plays as sound; frames from its "N/3000s" times.
struct FinalCutTimeline
{
    QList<TrackClip> video, audio;
    qint64 length = 0;

    static qint64 frames(QStringView time)
    {
        return time == u"0s" ? 0 : time.left(time.indexOf(u'/')).toLongLong() / 100;
    }

    static FinalCutTimeline read(const QString &document)
    {
        FinalCutTimeline timeline;
        QHash<QString, QString> files;
        QXmlStreamReader r(document);
        QString assetId;
        std::optional<TrackClip> parent;
        while (!r.atEnd()) {
            r.readNext();
            if (!r.isStartElement())
                continue;
            const auto attr
                    = [&](const char *a) { return r.attributes().value(QLatin1String(a)).toString(); };
            if (r.name() == QLatin1String("asset")) {
                assetId = attr("id");
            } else if (r.name() == QLatin1String("media-rep")) {
                files.insert(assetId, QUrl(attr("src")).toLocalFile());
            } else if (r.name() == QLatin1String("sequence")) {
                timeline.length = frames(attr("duration"));
            } else if (r.name() == QLatin1String("asset-clip")) {
                // An anchored clip's offset counts in its parent's own
                // timeline, which begins at the parent's start.
                const bool connected = attr("lane") == QLatin1String("-1");
                const qint64 offset = connected ? parent->offset + frames(attr("offset")) - parent->start
                                                : frames(attr("offset"));
                TrackClip clip{offset, frames(attr("start")), frames(attr("duration")),
                               files.value(attr("ref")), connected ? parent->name : attr("name")};
                const bool audio = connected || !attr("audioRole").isEmpty();
                (audio ? timeline.audio : timeline.video).append(clip);
                if (!connected)
                    parent = clip;
            }
        }
        return timeline;
    }
};

// A small H.264 video of one solid colour (0xAARRGGBB), 30 fps, the way the
// recorder writes its ".mov".
inline bool writeTestVideo(const QString &path, quint32 argb, int frames)
{
    return runTool(QStringLiteral("gst-launch-1.0"),
                   {QStringLiteral("-q"), QStringLiteral("videotestsrc"),
                    QStringLiteral("num-buffers=%1").arg(frames), QStringLiteral("pattern=solid-color"),
                    QStringLiteral("foreground-color=%1").arg(argb), QStringLiteral("!"),
                    QStringLiteral("video/x-raw,format=I420,width=270,height=480,framerate=30/1,colorimetry=bt709"), QStringLiteral("!"),
                    QStringLiteral("x264enc"), QStringLiteral("speed-preset=ultrafast"), QStringLiteral("!"),
                    QStringLiteral("qtmux"), QStringLiteral("!"), QStringLiteral("filesink"),
                    QStringLiteral("location=") + path})
                   .exitCode
            == 0;
}

// Mono AAC at 48 kHz in an ".m4a", a tone for `buffers` thirtieths of a second.
inline bool writeTestAudio(const QString &path, int buffers)
{
    return runTool(QStringLiteral("gst-launch-1.0"),
                   {QStringLiteral("-q"), QStringLiteral("audiotestsrc"),
                    QStringLiteral("num-buffers=%1").arg(buffers), QStringLiteral("samplesperbuffer=1600"),
                    QStringLiteral("!"), QStringLiteral("audio/x-raw,rate=48000,channels=1"),
                    QStringLiteral("!"), QStringLiteral("audioconvert"), QStringLiteral("!"),
                    QStringLiteral("avenc_aac"), QStringLiteral("!"), QStringLiteral("mp4mux"),
                    QStringLiteral("!"), QStringLiteral("filesink"), QStringLiteral("location=") + path})
                   .exitCode
            == 0;
}

} // namespace tandrel::testing
