#include "export/fcpxml_exporter.h"

#include "export/reel_timeline.h"

#include <QDir>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <limits>

namespace tandrel {

namespace {

const QString eventUid = QStringLiteral("A3C0E91B-7D14-4C2A-9F6E-2B8D14F0C5A1");

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

// The captions anchored to clip `index`, each with a text style of its own
// (ids "ts1", "ts2", … through the document, as Final Cut writes them). An
// anchored item's offset counts in its parent clip's time, which begins at
// the clip's start.
QString captionElements(const ReelTimeline &timeline, qsizetype index, const QString &role, int &styles)
{
    const ReelTimeline::Clip &clip = timeline.clips.at(index);
    QString text;
    for (const ReelTimeline::Caption &caption : timeline.captions) {
        if (caption.clip != index)
            continue;
        const QString at = position(clip.startFrame + caption.offset - clip.offset);
        const QString style = QStringLiteral("ts%1").arg(++styles);
        text += QStringLiteral("\n                    <caption lane=\"1\" offset=\"") + at
                + QStringLiteral("\" name=\"")
                + FCPXMLExporter::xmlEscaped(
                        QString(caption.text).replace(QLatin1Char('\n'), QLatin1Char(' ')))
                + QStringLiteral("\" start=\"") + at + QStringLiteral("\" duration=\"")
                + duration(caption.length) + QStringLiteral("\" role=\"") + FCPXMLExporter::xmlEscaped(role)
                + QStringLiteral("\">\n                        <text placement=\"bottom\"><text-style ref=\"")
                + style + QStringLiteral("\">") + FCPXMLExporter::xmlEscaped(caption.text)
                + QStringLiteral("</text-style></text>\n                        <text-style-def id=\"")
                + style
                + QStringLiteral(
                        "\"><text-style font=\".AppleSystemUIFont\" fontSize=\"13\" fontFace=\"Regular\" "
                        "fontColor=\"1 1 1 1\" backgroundColor=\"0 0 0 1\"/></text-style-def>\n"
                        "                    </caption>");
    }
    return text;
}

QString videoClip(const QString &videoId, const std::optional<QString> &audioId, const QString &name,
                  const ClipTiming &t, const QString &captions)
{
    // The sound is anchored to the picture, so its offset counts in the
    // picture clip's own timeline, which begins at the clip's start: the
    // sound's offset is that start, to play with the picture's first frame.
    QString connected;
    if (audioId) {
        connected = QStringLiteral("                    <asset-clip ref=\"") + *audioId
                + QStringLiteral("\" lane=\"-1\" offset=\"") + t.start
                + QStringLiteral("\" name=\"Audio\" start=\"") + t.start + QStringLiteral("\" duration=\"")
                + t.length + QStringLiteral("\" audioRole=\"dialogue\"/>");
    }
    return QStringLiteral("            <asset-clip ref=\"") + videoId + QStringLiteral("\" offset=\"")
            + t.offset + QStringLiteral("\" name=\"") + name + QStringLiteral("\" start=\"") + t.start
            + QStringLiteral("\" duration=\"") + t.length
            + QStringLiteral("\" format=\"r1\" tcFormat=\"NDF\">\n") + connected + captions
            + QStringLiteral("\n            </asset-clip>");
}

QString audioClip(const QString &audioId, const QString &name, const ClipTiming &t, const QString &captions)
{
    const QString clip = QStringLiteral("            <asset-clip ref=\"") + audioId
            + QStringLiteral("\" offset=\"") + t.offset + QStringLiteral("\" name=\"") + name
            + QStringLiteral("\" start=\"") + t.start + QStringLiteral("\" duration=\"") + t.length
            + QStringLiteral("\" audioRole=\"dialogue\"");
    if (captions.isEmpty())
        return clip + QStringLiteral("/>");
    return clip + QStringLiteral(">") + captions + QStringLiteral("\n            </asset-clip>");
}

} // namespace

ExportResult<QString> FCPXMLExporter::buildDocument(const ReelProject &reel,
                                                    const FCPXMLDocumentContext &context)
{
    const ExportResult<ReelTimeline> built = ReelTimeline::build(reel, context.takesFolder);
    if (!built)
        return *built.failure();
    const ReelTimeline &timeline = built.value();

    // Resource ids count the usable files from r2 on, in the timeline's order.
    QStringList resources{QStringLiteral("        <format id=\"r1\" name=\"FFVideoFormat1080p30\" "
                                         "frameDuration=\"100/3000s\" width=\"1080\" "
                                         "height=\"1920\" colorSpace=\"1-1-1 (Rec. 709)\"/>")};
    const auto resourceId = [](qsizetype media) { return QStringLiteral("r%1").arg(media + 2); };
    for (qsizetype i = 0; i < timeline.media.size(); ++i) {
        const ReelTimeline::Media &m = timeline.media.at(i);
        resources.append(assetElement(resourceId(i), m.fileName, m.path, duration(m.frames), m.video));
    }
    QStringList clips;
    const QString role = QStringLiteral("SRT?captionFormat=SRT.") + context.captionLanguage;
    int styles = 0;
    for (qsizetype i = 0; i < timeline.clips.size(); ++i) {
        const ReelTimeline::Clip &clip = timeline.clips.at(i);
        const ClipTiming timing{position(clip.offset), position(clip.startFrame), duration(clip.length)};
        const QString name = xmlEscaped(clip.name);
        const std::optional<QString> audioId
                = clip.audio ? std::optional(resourceId(*clip.audio)) : std::nullopt;
        const QString captions = captionElements(timeline, i, role, styles);
        clips.append(clip.video ? videoClip(resourceId(*clip.video), audioId, name, timing, captions)
                                : audioClip(*audioId, name, timing, captions));
    }
    const qint64 length = timeline.frames;

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
            + duration(std::max<qint64>(length, 1))
            + QStringLiteral("\" tcStart=\"0s\" tcFormat=\"NDF\" audioLayout=\"stereo\" audioRate=\"48k\">\n"
                             "                    <spine>\n")
            + clips.join(QLatin1Char('\n'))
            + QStringLiteral(
                    "\n                    </spine>\n                </sequence>\n            </project>\n"
                    "        </event>\n    </library>\n</fcpxml>");
}

} // namespace tandrel
