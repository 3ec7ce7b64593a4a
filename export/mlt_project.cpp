#include "export/mlt_project.h"

#include "export/caption_files.h"
#include "export/export_files.h"
#include "export/mlt_xml_writer.h"
#include "library/library_store.h"
#include "library/speech_slicing.h"

#include <QDir>

namespace tandrel {

namespace {

// The version of the Debian 12 MLT both editors are built on.
const QString mltVersion = QStringLiteral("7.12.0");

// Every take's clip on a track is a producer of its own, so that each clip
// shows its own name in the editor; numbers count the producers of a document.
// They are plain <producer> elements, as Kdenlive 22.12 writes a clip it
// adds itself: it reads a <chain> as a clip with its time remapped.
struct ClipProducers
{
    std::optional<qint64> video, audio;
};

QString producerId(qint64 number)
{
    return QStringLiteral("producer%1").arg(number);
}

// Kdenlive numbers every item of its bin, clips and folders alike, from one
// counter that starts at 2: the clips take 2, 3, … and the take folders the
// numbers after the last clip, so no id names two items.
QString kdenliveId(qint64 number)
{
    return QString::number(number + 2);
}

qint64 producerCount(const ReelTimeline &timeline)
{
    qint64 count = 0;
    for (const ReelTimeline::Clip &clip : timeline.clips)
        count += qint64(clip.video.has_value()) + qint64(clip.audio.has_value());
    return count;
}

QString lastFrame(qint64 frames)
{
    return QString::number(std::max<qint64>(frames, 1) - 1);
}

// MLT resolves a resource without a leading slash against the XML file's
// folder, unless it holds a colon, which MLT reads as a service or URL prefix.
QString resource(const QString &projectFolder, const QString &path)
{
    const QString relative = QDir(projectFolder).relativeFilePath(path);
    return relative.contains(QLatin1Char(':')) ? QDir::cleanPath(path) : relative;
}

// Bin folders of a Kdenlive project, one for each take: the Kdenlive id of
// each clip's folder, numbered on from the clips' ids.
QList<QString> takeFolders(const ReelTimeline &timeline)
{
    QList<QString> folders;
    qint64 folder = producerCount(timeline) - 1;
    for (const ReelTimeline::Clip &clip : timeline.clips) {
        if (clip.startFrame == 0)
            ++folder; // every take's first slice starts at its first frame
        folders.append(kdenliveId(folder));
    }
    return folders;
}

QList<ClipProducers> writeProducers(MltXmlWriter &w, const ReelTimeline &timeline,
                                    const QString &projectFolder, MltProject::Flavour flavour)
{
    const QList<QString> folders = takeFolders(timeline);
    QList<ClipProducers> producers;
    qint64 next = 0;
    for (qsizetype i = 0; i < timeline.clips.size(); ++i) {
        const ReelTimeline::Clip &clip = timeline.clips.at(i);
        ClipProducers ids;
        for (const auto &[media, id] :
             {std::pair{clip.video, &ids.video}, std::pair{clip.audio, &ids.audio}}) {
            if (!media)
                continue;
            const ReelTimeline::Media &file = timeline.media.at(*media);
            *id = next++;
            w.open(QStringLiteral("producer"),
                   {{QStringLiteral("id"), producerId(**id)},
                    {QStringLiteral("in"), QStringLiteral("0")},
                    {QStringLiteral("out"), lastFrame(file.frames)}});
            w.property(QStringLiteral("length"), file.frames);
            w.property(QStringLiteral("eof"), QStringLiteral("pause"));
            w.property(QStringLiteral("resource"), resource(projectFolder, file.path));
            w.property(QStringLiteral("mlt_service"), QStringLiteral("avformat-novalidate"));
            w.property(QStringLiteral("seekable"), 1);
            if (flavour == MltProject::Flavour::shotcut) {
                w.property(QStringLiteral("shotcut:caption"), clip.name);
            } else {
                w.property(QStringLiteral("kdenlive:clipname"), clip.name);
                w.property(QStringLiteral("kdenlive:id"), kdenliveId(**id));
                w.property(QStringLiteral("kdenlive:folderid"), folders.at(i));
                // The slice is the clip's zone in Kdenlive's clip monitor.
                w.property(QStringLiteral("kdenlive:zone_in"), clip.startFrame);
                w.property(QStringLiteral("kdenlive:zone_out"), clip.startFrame + clip.length - 1);
            }
            w.close(QStringLiteral("producer"));
        }
        producers.append(ids);
    }
    return producers;
}

// One track: an entry per clip that has a file of the track's kind, a blank
// as long as the clip otherwise, so video and audio stay side by side.
void writeTrack(MltXmlWriter &w, const QString &id, const MltXmlWriter::Attributes &properties,
                const ReelTimeline &timeline, const QList<ClipProducers> &producers, bool video,
                MltProject::Flavour flavour)
{
    w.open(QStringLiteral("playlist"), {{QStringLiteral("id"), id}});
    for (const auto &[name, value] : properties)
        w.property(name, value);
    for (qsizetype i = 0; i < timeline.clips.size(); ++i) {
        const ReelTimeline::Clip &clip = timeline.clips.at(i);
        const std::optional<qint64> producer = video ? producers.at(i).video : producers.at(i).audio;
        if (!producer) {
            w.empty(QStringLiteral("blank"), {{QStringLiteral("length"), QString::number(clip.length)}});
            continue;
        }
        const MltXmlWriter::Attributes entry{
                {QStringLiteral("producer"), producerId(*producer)},
                {QStringLiteral("in"), QString::number(clip.startFrame)},
                {QStringLiteral("out"), QString::number(clip.startFrame + clip.length - 1)}};
        if (flavour == MltProject::Flavour::shotcut) {
            w.empty(QStringLiteral("entry"), entry);
            continue;
        }
        w.open(QStringLiteral("entry"), entry);
        w.property(QStringLiteral("kdenlive:id"), kdenliveId(*producer));
        w.close(QStringLiteral("entry"));
    }
    w.close(QStringLiteral("playlist"));
}

// The background both editors put under every timeline: black, as long as the cut.
void writeBlack(MltXmlWriter &w, const QString &id, const QString &resource, qint64 frames)
{
    w.open(QStringLiteral("producer"),
           {{QStringLiteral("id"), id},
            {QStringLiteral("in"), QStringLiteral("0")},
            {QStringLiteral("out"), lastFrame(frames)}});
    w.property(QStringLiteral("length"), frames);
    w.property(QStringLiteral("eof"), QStringLiteral("pause"));
    w.property(QStringLiteral("resource"), resource);
    w.property(QStringLiteral("aspect_ratio"), 1);
    w.property(QStringLiteral("mlt_service"), QStringLiteral("color"));
    w.property(QStringLiteral("mlt_image_format"), QStringLiteral("rgba"));
    w.property(QStringLiteral("set.test_audio"), 0);
    w.close(QStringLiteral("producer"));
}

// Sums the sound of track `track` into the background's, as the editors'
// own audio mix transitions do.
void writeAudioMix(MltXmlWriter &w, int number, int track, bool kdenlive)
{
    w.open(QStringLiteral("transition"),
           {{QStringLiteral("id"), QStringLiteral("transition%1").arg(number)}});
    w.property(QStringLiteral("a_track"), 0);
    w.property(QStringLiteral("b_track"), track);
    w.property(QStringLiteral("mlt_service"), QStringLiteral("mix"));
    if (kdenlive) {
        w.property(QStringLiteral("kdenlive_id"), QStringLiteral("mix"));
        w.property(QStringLiteral("internal_added"), 237);
        w.property(QStringLiteral("accepts_blanks"), 1);
    }
    w.property(QStringLiteral("always_active"), 1);
    w.property(QStringLiteral("sum"), 1);
    w.close(QStringLiteral("transition"));
}

MltXmlWriter::Attributes tractorRange(const QString &id, qint64 frames)
{
    return {{QStringLiteral("id"), id},
            {QStringLiteral("in"), QStringLiteral("0")},
            {QStringLiteral("out"), lastFrame(frames)}};
}

// MLT's text filter reads "#name#" as a keyword to fill in; a "#" after a
// backslash is a plain "#".
QString dynamicText(const QString &text)
{
    return QString(text).replace(QLatin1Char('#'), QStringLiteral("\\#"));
}

// Shotcut 22.12 has no subtitle track: each caption is a clear colour clip
// of its own carrying Shotcut's "Text: Simple" filter, in the lower part of
// the picture, so the user edits each in Shotcut's filter panel.
void writeShotcutCaptions(MltXmlWriter &w, const ReelTimeline &timeline)
{
    for (qsizetype i = 0; i < timeline.captions.size(); ++i) {
        const ReelTimeline::Caption &caption = timeline.captions.at(i);
        w.open(QStringLiteral("producer"),
               {{QStringLiteral("id"), QStringLiteral("caption%1").arg(i)},
                {QStringLiteral("in"), QStringLiteral("0")},
                {QStringLiteral("out"), lastFrame(caption.length)}});
        w.property(QStringLiteral("length"), caption.length);
        w.property(QStringLiteral("eof"), QStringLiteral("pause"));
        w.property(QStringLiteral("resource"), QStringLiteral("#00000000"));
        w.property(QStringLiteral("aspect_ratio"), 1);
        w.property(QStringLiteral("mlt_service"), QStringLiteral("color"));
        w.property(QStringLiteral("mlt_image_format"), QStringLiteral("rgba"));
        w.property(QStringLiteral("shotcut:caption"),
                   QString(caption.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        w.open(QStringLiteral("filter"),
               {{QStringLiteral("id"), QStringLiteral("captionText%1").arg(i)},
                {QStringLiteral("out"), lastFrame(caption.length)}});
        w.property(QStringLiteral("argument"), dynamicText(caption.text));
        w.property(QStringLiteral("geometry"), QStringLiteral("5%/62%:90%x22%"));
        w.property(QStringLiteral("family"), QStringLiteral("Sans"));
        w.property(QStringLiteral("size"), 80);
        w.property(QStringLiteral("weight"), 700);
        w.property(QStringLiteral("style"), QStringLiteral("normal"));
        w.property(QStringLiteral("fgcolour"), QStringLiteral("#ffffffff"));
        w.property(QStringLiteral("bgcolour"), QStringLiteral("#00000000"));
        w.property(QStringLiteral("olcolour"), QStringLiteral("#ff000000"));
        w.property(QStringLiteral("outline"), 4);
        w.property(QStringLiteral("pad"), 0);
        w.property(QStringLiteral("halign"), QStringLiteral("center"));
        w.property(QStringLiteral("valign"), QStringLiteral("bottom"));
        w.property(QStringLiteral("shotcut:usePointSize"), 1);
        w.property(QStringLiteral("shotcut:pointSize"), 60);
        w.property(QStringLiteral("mlt_service"), QStringLiteral("dynamictext"));
        w.property(QStringLiteral("shotcut:filter"), QStringLiteral("dynamicText"));
        w.close(QStringLiteral("filter"));
        w.close(QStringLiteral("producer"));
    }
    w.open(QStringLiteral("playlist"), {{QStringLiteral("id"), QStringLiteral("captions")}});
    w.property(QStringLiteral("shotcut:video"), 1);
    w.property(QStringLiteral("shotcut:name"), QStringLiteral("Untertitel"));
    qint64 at = 0;
    for (qsizetype i = 0; i < timeline.captions.size(); ++i) {
        const ReelTimeline::Caption &caption = timeline.captions.at(i);
        if (caption.offset > at)
            w.empty(QStringLiteral("blank"),
                    {{QStringLiteral("length"), QString::number(caption.offset - at)}});
        w.empty(QStringLiteral("entry"),
                {{QStringLiteral("producer"), QStringLiteral("caption%1").arg(i)},
                 {QStringLiteral("in"), QStringLiteral("0")},
                 {QStringLiteral("out"), lastFrame(caption.length)}});
        at = caption.offset + caption.length;
    }
    w.close(QStringLiteral("playlist"));
}

void writeShotcutTimeline(MltXmlWriter &w, const ReelTimeline &timeline,
                          const QList<ClipProducers> &producers, const QString &title)
{
    const auto shotcut = MltProject::Flavour::shotcut;
    w.open(QStringLiteral("playlist"), {{QStringLiteral("id"), QStringLiteral("main_bin")}});
    w.property(QStringLiteral("xml_retain"), 1);
    w.close(QStringLiteral("playlist"));
    writeBlack(w, QStringLiteral("black"), QStringLiteral("0"), timeline.frames);
    w.open(QStringLiteral("playlist"), {{QStringLiteral("id"), QStringLiteral("background")}});
    w.empty(QStringLiteral("entry"),
            {{QStringLiteral("producer"), QStringLiteral("black")},
             {QStringLiteral("in"), QStringLiteral("0")},
             {QStringLiteral("out"), lastFrame(timeline.frames)}});
    w.close(QStringLiteral("playlist"));
    writeTrack(w, QStringLiteral("playlist0"),
               {{QStringLiteral("shotcut:video"), QStringLiteral("1")},
                {QStringLiteral("shotcut:name"), QStringLiteral("V1")}},
               timeline, producers, true, shotcut);
    writeTrack(w, QStringLiteral("playlist1"),
               {{QStringLiteral("shotcut:audio"), QStringLiteral("1")},
                {QStringLiteral("shotcut:name"), QStringLiteral("A1")}},
               timeline, producers, false, shotcut);
    const bool captions = !timeline.captions.isEmpty();
    if (captions)
        writeShotcutCaptions(w, timeline);

    // The "shotcut" property makes Shotcut open the file as its project
    // rather than as a clip.
    MltXmlWriter::Attributes tractor = tractorRange(QStringLiteral("tractor0"), timeline.frames);
    tractor.insert(1, {QStringLiteral("title"), title});
    w.open(QStringLiteral("tractor"), tractor);
    w.property(QStringLiteral("shotcut"), 1);
    w.property(QStringLiteral("shotcut:projectAudioChannels"), 2);
    w.property(QStringLiteral("shotcut:projectFolder"), 1);
    w.empty(QStringLiteral("track"), {{QStringLiteral("producer"), QStringLiteral("background")}});
    w.empty(QStringLiteral("track"), {{QStringLiteral("producer"), QStringLiteral("playlist0")}});
    w.empty(QStringLiteral("track"),
            {{QStringLiteral("producer"), QStringLiteral("playlist1")},
             {QStringLiteral("hide"), QStringLiteral("video")}});
    if (captions)
        w.empty(QStringLiteral("track"),
                {{QStringLiteral("producer"), QStringLiteral("captions")},
                 {QStringLiteral("hide"), QStringLiteral("audio")}});
    writeAudioMix(w, 0, 1, false);
    writeAudioMix(w, 1, 2, false);
    if (captions) {
        // The captions' track is laid over V1, as Shotcut lays every video
        // track over its bottom video track (V1 itself is not blended).
        w.open(QStringLiteral("transition"), {{QStringLiteral("id"), QStringLiteral("transition2")}});
        w.property(QStringLiteral("a_track"), 1);
        w.property(QStringLiteral("b_track"), 3);
        w.property(QStringLiteral("version"), QStringLiteral("0.1"));
        w.property(QStringLiteral("mlt_service"), QStringLiteral("frei0r.cairoblend"));
        w.property(QStringLiteral("threads"), 0);
        w.property(QStringLiteral("disable"), 0);
        w.close(QStringLiteral("transition"));
    }
    w.close(QStringLiteral("tractor"));
}

void writeKdenliveTimeline(MltXmlWriter &w, const ReelTimeline &timeline,
                           const QList<ClipProducers> &producers, const QString &subtitleFile)
{
    const auto kdenlive = MltProject::Flavour::kdenlive;
    // The bin: the document settings, a folder per take and every clip.
    w.open(QStringLiteral("playlist"), {{QStringLiteral("id"), QStringLiteral("main_bin")}});
    w.property(QStringLiteral("kdenlive:docproperties.version"), QStringLiteral("1.04"));
    w.property(QStringLiteral("kdenlive:docproperties.kdenliveversion"), QStringLiteral("22.12.3"));
    w.property(QStringLiteral("kdenlive:docproperties.profile"), QStringLiteral("vertical_hd_30"));
    // Zoomed in far enough on a reel of seconds for the clips' names to show.
    w.property(QStringLiteral("kdenlive:docproperties.zoom"), 4);
    const QList<QString> folders = takeFolders(timeline);
    for (qsizetype i = 0; i < timeline.clips.size(); ++i) {
        if (i == 0 || folders.at(i) != folders.at(i - 1))
            w.property(QStringLiteral("kdenlive:folder.-1.") + folders.at(i), timeline.clips.at(i).takeName);
    }
    w.property(QStringLiteral("xml_retain"), 1);
    for (qsizetype i = 0; i < timeline.clips.size(); ++i) {
        const ReelTimeline::Clip &clip = timeline.clips.at(i);
        for (const auto &[media, id] :
             {std::pair{clip.video, producers.at(i).video}, std::pair{clip.audio, producers.at(i).audio}}) {
            if (id)
                w.empty(QStringLiteral("entry"),
                        {{QStringLiteral("producer"), producerId(*id)},
                         {QStringLiteral("in"), QStringLiteral("0")},
                         {QStringLiteral("out"), lastFrame(timeline.media.at(*media).frames)}});
        }
    }
    w.close(QStringLiteral("playlist"));

    writeBlack(w, QStringLiteral("black_track"), QStringLiteral("black"), timeline.frames);
    // Each Kdenlive track is a tractor of two playlists (the second holds
    // same-track mixes); audio tracks come before video tracks.
    const QString audioTrack = QStringLiteral("kdenlive:audio_track");
    writeTrack(w, QStringLiteral("playlist0"), {{audioTrack, QStringLiteral("1")}}, timeline, producers,
               false, kdenlive);
    w.open(QStringLiteral("playlist"), {{QStringLiteral("id"), QStringLiteral("playlist1")}});
    w.property(audioTrack, 1);
    w.close(QStringLiteral("playlist"));
    w.open(QStringLiteral("tractor"), tractorRange(QStringLiteral("tractor0"), timeline.frames));
    w.property(audioTrack, 1);
    w.property(QStringLiteral("kdenlive:timeline_active"), 1);
    for (const QString &playlist : {QStringLiteral("playlist0"), QStringLiteral("playlist1")})
        w.empty(QStringLiteral("track"),
                {{QStringLiteral("hide"), QStringLiteral("video")}, {QStringLiteral("producer"), playlist}});
    w.close(QStringLiteral("tractor"));

    writeTrack(w, QStringLiteral("playlist2"), {}, timeline, producers, true, kdenlive);
    w.empty(QStringLiteral("playlist"), {{QStringLiteral("id"), QStringLiteral("playlist3")}});
    w.open(QStringLiteral("tractor"), tractorRange(QStringLiteral("tractor1"), timeline.frames));
    w.property(QStringLiteral("kdenlive:timeline_active"), 1);
    for (const QString &playlist : {QStringLiteral("playlist2"), QStringLiteral("playlist3")})
        w.empty(QStringLiteral("track"),
                {{QStringLiteral("hide"), QStringLiteral("audio")}, {QStringLiteral("producer"), playlist}});
    w.close(QStringLiteral("tractor"));

    // The timeline is the document's last tractor, the one melt plays.
    w.open(QStringLiteral("tractor"), tractorRange(QStringLiteral("tractor2"), timeline.frames));
    w.property(QStringLiteral("kdenlive:projectTractor"), 1);
    w.empty(QStringLiteral("track"), {{QStringLiteral("producer"), QStringLiteral("black_track")}});
    w.empty(QStringLiteral("track"),
            {{QStringLiteral("producer"), QStringLiteral("tractor0")},
             {QStringLiteral("hide"), QStringLiteral("video")}});
    w.empty(QStringLiteral("track"), {{QStringLiteral("producer"), QStringLiteral("tractor1")}});
    writeAudioMix(w, 0, 1, true);
    writeAudioMix(w, 1, 2, true);
    if (!timeline.captions.isEmpty() && !subtitleFile.isEmpty()) {
        // Kdenlive's subtitle track: its file beside the project, shown over
        // the whole timeline by FFmpeg's subtitles filter, as melt plays it too.
        w.open(QStringLiteral("filter"), {{QStringLiteral("id"), QStringLiteral("filter0")}});
        w.property(QStringLiteral("mlt_service"), QStringLiteral("avfilter.subtitles"));
        w.property(QStringLiteral("internal_added"), 237);
        w.property(QStringLiteral("av.filename"), subtitleFile);
        w.close(QStringLiteral("filter"));
    }
    w.close(QStringLiteral("tractor"));
}

} // namespace

QString MltProject::fileSuffix(Flavour flavour)
{
    return flavour == Flavour::shotcut ? QStringLiteral(".mlt") : QStringLiteral(".kdenlive");
}

QString MltProject::projectPath(const ReelProject &reel, const LibraryStore &library, Flavour flavour)
{
    return QDir(library.reelFolder(reel)).filePath(reel.folderName() + fileSuffix(flavour));
}

QString MltProject::subtitlePath(const QString &projectFile)
{
    return projectFile + QStringLiteral(".srt");
}

ExportResult<QString> MltProject::buildDocument(const ReelProject &reel, const QString &takesFolder,
                                                const QString &projectFolder, Flavour flavour)
{
    const ExportResult<ReelTimeline> timeline = ReelTimeline::build(reel, takesFolder);
    if (!timeline)
        return *timeline.failure();
    const QString project = QDir(projectFolder).filePath(reel.folderName() + fileSuffix(flavour));
    return document(timeline.value(), reel.displayLabel(), projectFolder, flavour, subtitlePath(project));
}

QString MltProject::document(const ReelTimeline &timeline, const QString &title, const QString &projectFolder,
                             Flavour flavour, const QString &subtitleFile)
{
    MltXmlWriter w;
    w.raw(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
    // No "root" attribute: MLT then resolves relative resources against the
    // folder the file lies in, wherever the reel folder has been moved.
    w.open(QStringLiteral("mlt"),
           {{QStringLiteral("LC_NUMERIC"), QStringLiteral("C")},
            {QStringLiteral("version"), mltVersion},
            {QStringLiteral("title"), title},
            {QStringLiteral("producer"), QStringLiteral("main_bin")}});
    w.empty(QStringLiteral("profile"),
            {{QStringLiteral("description"), QStringLiteral("Vertical HD 30 fps")},
             {QStringLiteral("width"), QStringLiteral("1080")},
             {QStringLiteral("height"), QStringLiteral("1920")},
             {QStringLiteral("progressive"), QStringLiteral("1")},
             {QStringLiteral("sample_aspect_num"), QStringLiteral("1")},
             {QStringLiteral("sample_aspect_den"), QStringLiteral("1")},
             {QStringLiteral("display_aspect_num"), QStringLiteral("9")},
             {QStringLiteral("display_aspect_den"), QStringLiteral("16")},
             {QStringLiteral("frame_rate_num"), QString::number(timelineFrameRate)},
             {QStringLiteral("frame_rate_den"), QStringLiteral("1")},
             {QStringLiteral("colorspace"), QStringLiteral("709")}});
    const QList<ClipProducers> producers = writeProducers(w, timeline, projectFolder, flavour);
    if (flavour == Flavour::shotcut)
        writeShotcutTimeline(w, timeline, producers, title);
    else
        writeKdenliveTimeline(w, timeline, producers,
                              QDir::cleanPath(QDir(projectFolder).absoluteFilePath(subtitleFile)));
    w.close(QStringLiteral("mlt"));
    return w.text();
}

ExportResult<QString> MltProject::exportReel(const ReelProject &reel, const LibraryStore &library,
                                             Flavour flavour)
{
    const QString reelFolder = library.reelFolder(reel);
    if (const auto failure = createExportFolder(reelFolder))
        return *failure;
    const ExportResult<ReelTimeline> timeline = ReelTimeline::build(reel, library.takesFolder(reel));
    if (!timeline)
        return *timeline.failure();
    const QString file = projectPath(reel, library, flavour);
    const QString text
            = document(timeline.value(), reel.displayLabel(), reelFolder, flavour, subtitlePath(file));
    // The captions first, so that the project never names a subtitle file
    // that is not there.
    if (flavour == Flavour::kdenlive && !timeline.value().captions.isEmpty()) {
        if (const auto failure
            = writeExportFile(subtitlePath(file), CaptionFiles::timelineSrt(timeline.value()).toUtf8()))
            return *failure;
    }
    if (const auto failure = CaptionFiles::writeTakeFiles(timeline.value(), reelFolder, reel.folderName()))
        return *failure;
    if (const auto failure = writeExportFile(file, text.toUtf8()))
        return *failure;
    return file;
}

} // namespace tandrel
