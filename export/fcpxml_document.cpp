#include "export/fcpxml_exporter.h"

#include "library/file_names.h"

#include <QDir>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <limits>

namespace tandrel {

namespace {

const QString eventUid = QStringLiteral("A3C0E91B-7D14-4C2A-9F6E-2B8D14F0C5A1");

// A library file may claim any durations, and every take is capped on its
// own only: the timeline as a whole ends here, so that no offset or length
// written in "100/3000s" units can leave 64 bits. Takes past the end are left
// out; a clip reaching over it is cut.
constexpr qint64 mostTimelineFrames = std::numeric_limits<qint64>::max() / 100;

// A frame count in rational time: 1 frame is "100/3000s".
QString duration(qint64 frames)
{
    return QString::number(frames * 100) + QLatin1String("/3000s");
}

// Starts and offsets: 0 frames (or less) is "0s".
QString position(qint64 frames)
{
    return frames <= 0 ? QStringLiteral("0s") : duration(frames);
}

QString fileUrl(const QString &path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

// "yyyy-MM-dd HH:mm:ss Z" in the system's time zone, the zone as +HHMM.
QString modificationDate(const QDateTime &moment)
{
    const QDateTime local = moment.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + QLatin1Char(offset < 0 ? '-' : '+')
            + QStringLiteral("%1%2")
                      .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                      .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// The location of a take's file, or none when it is missing, too small or
// its stored name would reach outside the takes folder.
std::optional<QString> usableMedia(const QDir &takesFolder, const std::optional<QString> &fileName)
{
    if (!fileName || !isBareFileName(*fileName))
        return std::nullopt;
    const QString path = takesFolder.absoluteFilePath(*fileName);
    if (!FCPXMLExporter::isUsableMedia(path))
        return std::nullopt;
    return path;
}

QString assetElement(const QString &id, const QString &fileName, const QString &path, const QString &frames,
                     bool video)
{
    const QString kind = video
            ? QStringLiteral("\" hasVideo=\"1\" hasAudio=\"0\" videoSources=\"1\" format=\"r1\">\n")
            : QStringLiteral("\" hasVideo=\"0\" hasAudio=\"1\" audioSources=\"1\" audioChannels=\"1\" "
                             "audioRate=\"48000\">\n");
    return QStringLiteral("        <asset id=\"") + id + QStringLiteral("\" name=\"")
            + FCPXMLExporter::xmlEscaped(fileName) + QStringLiteral("\" start=\"0s\" duration=\"") + frames
            + kind + QStringLiteral("            <media-rep kind=\"original-media\" src=\"")
            + FCPXMLExporter::xmlEscaped(fileUrl(path)) + QStringLiteral("\"/>\n        </asset>");
}

struct ClipTiming
{
    QString offset, start, length;
};

QString videoClip(const QString &videoId, const std::optional<QString> &audioId, const QString &name,
                  const ClipTiming &t)
{
    QString connected;
    if (audioId) {
        connected = QStringLiteral("                    <asset-clip ref=\"") + *audioId
                + QStringLiteral("\" lane=\"-1\" offset=\"0s\" name=\"Audio\" start=\"") + t.start
                + QStringLiteral("\" duration=\"") + t.length + QStringLiteral("\" audioRole=\"dialogue\"/>");
    }
    return QStringLiteral("            <asset-clip ref=\"") + videoId + QStringLiteral("\" offset=\"")
            + t.offset + QStringLiteral("\" name=\"") + name + QStringLiteral("\" start=\"") + t.start
            + QStringLiteral("\" duration=\"") + t.length
            + QStringLiteral("\" format=\"r1\" tcFormat=\"NDF\">\n") + connected
            + QStringLiteral("\n            </asset-clip>");
}

QString audioClip(const QString &audioId, const QString &name, const ClipTiming &t)
{
    return QStringLiteral("            <asset-clip ref=\"") + audioId + QStringLiteral("\" offset=\"")
            + t.offset + QStringLiteral("\" name=\"") + name + QStringLiteral("\" start=\"") + t.start
            + QStringLiteral("\" duration=\"") + t.length + QStringLiteral("\" audioRole=\"dialogue\"/>");
}

} // namespace

ExportResult<QString> FCPXMLExporter::buildDocument(const ReelProject &reel,
                                                    const FCPXMLDocumentContext &context)
{
    QList<Take> takes = reel.takes;
    if (takes.isEmpty())
        return ExportError::noTakes;
    std::stable_sort(takes.begin(), takes.end(),
                     [](const Take &a, const Take &b) { return a.recordedAt < b.recordedAt; });

    const QDir takesFolder(context.takesFolder);
    QStringList resources{QStringLiteral("        <format id=\"r1\" name=\"FFVideoFormat1080p30\" "
                                         "frameDuration=\"100/3000s\" width=\"1080\" "
                                         "height=\"1920\" colorSpace=\"1-1-1 (Rec. 709)\"/>")};
    QStringList clips;
    int nextResource = 2;
    qint64 timeline = 0;

    for (const Take &take : std::as_const(takes)) {
        if (timeline >= mostTimelineFrames)
            break;
        const qint64 frames = frameCount(take.duration);
        const QString frameText = duration(frames);

        std::optional<QString> videoId, audioId;
        if (const auto path = usableMedia(takesFolder, take.videoFileName)) {
            videoId = QStringLiteral("r%1").arg(nextResource++);
            resources.append(assetElement(*videoId, *take.videoFileName, *path, frameText, true));
        }
        if (const auto path = usableMedia(takesFolder, take.audioFileName)) {
            audioId = QStringLiteral("r%1").arg(nextResource++);
            resources.append(assetElement(*audioId, *take.audioFileName, *path, frameText, false));
        }
        if (!videoId && !audioId)
            continue; // a take without usable media takes no room on the timeline

        const QString baseName
                = QStringLiteral("Take ") + take.recordedAt.toLocalTime().toString(u"HH:mm:ss");
        qint64 within = 0;
        for (const SpeechSlice &slice : speechSlices(take.speechIntervals, take.duration)) {
            const qint64 length
                    = std::min(slice.endFrame - slice.startFrame, mostTimelineFrames - timeline - within);
            if (length <= 0)
                continue;
            QString name = baseName;
            if (!take.speechIntervals.isEmpty())
                name += QStringLiteral(" · ")
                        + (slice.speaking ? QStringLiteral("Sprache") : QStringLiteral("Pause"));
            name = xmlEscaped(name);
            const ClipTiming timing{position(timeline + within), position(slice.startFrame),
                                    duration(length)};
            clips.append(videoId ? videoClip(*videoId, audioId, name, timing)
                                 : audioClip(*audioId, name, timing));
            within += length;
        }
        timeline += within == 0 ? std::min(frames, mostTimelineFrames - timeline) : within;
    }
    if (clips.isEmpty())
        return ExportError::noMedia;

    const QString library = context.finalCutLibrary ? QStringLiteral("<library location=\"")
                    + xmlEscaped(fileUrl(QDir(*context.finalCutLibrary).absolutePath() + QLatin1Char('/')))
                    + QStringLiteral("\">")
                                                    : QStringLiteral("<library>");

    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE fcpxml>\n\n<fcpxml "
                          "version=\"1.14\">\n"
                          "    <resources>\n")
            + resources.join(QLatin1Char('\n')) + QStringLiteral("\n    </resources>\n    ") + library
            + QStringLiteral("\n        <event name=\"Tandrel\" uid=\"") + eventUid
            + QStringLiteral("\">\n            <project name=\"") + xmlEscaped(context.projectName)
            + QStringLiteral("\" uid=\"") + reel.id.toString(QUuid::WithoutBraces).toUpper()
            + QStringLiteral("\" modDate=\"") + modificationDate(context.modificationDate)
            + QStringLiteral("\">\n                <sequence format=\"r1\" duration=\"")
            + duration(std::max<qint64>(timeline, 1))
            + QStringLiteral("\" tcStart=\"0s\" tcFormat=\"NDF\" audioLayout=\"stereo\" audioRate=\"48k\">\n"
                             "                    <spine>\n")
            + clips.join(QLatin1Char('\n'))
            + QStringLiteral(
                    "\n                    </spine>\n                </sequence>\n            </project>\n"
                    "        </event>\n    </library>\n</fcpxml>");
}

} // namespace tandrel
