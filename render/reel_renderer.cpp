#include "render/reel_renderer.h"

#include "library/speech_slicing.h"
#include "media/movie_index.h"
#include "render/caption_overlay.h"
#include "render/caption_script.h"

#include <Mlt.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QUuid>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace tandrel {

namespace {

// Room the finished file needs beyond its streams: the index, the
// container and the second copy the index-first rewrite makes.
constexpr double sizeReserve = 2.2;
constexpr qint64 lowSpace = 64 * 1024 * 1024;
// The nice value of the render's threads: the window's thread keeps
// turning while they take both cores.
constexpr int renderNice = 10;
// The recorder writes a key frame every two seconds.
constexpr int takeKeyFrameInterval = 2 * timelineFrameRate;

Mlt::Repository *repository()
{
    static Mlt::Repository *repo = [] {
        Mlt::Repository *r = Mlt::Factory::init();
        mlt_log_set_level(MLT_LOG_QUIET); // nothing on the console of the application
        return r;
    }();
    return repo;
}

// A hidden name beside `outputPath` in the same folder, so that the final
// rename stays on one file system.
QString partialPath(const QString &outputPath)
{
    const QFileInfo info(outputPath);
    return info.absoluteDir().filePath(QStringLiteral(".") + info.completeBaseName() + QStringLiteral(".")
                                       + QUuid::createUuid().toString(QUuid::Id128).left(8)
                                       + QStringLiteral(".part.mp4"));
}

// The sound of one segment fades in over its first frame and out over its last.
void fadeSegment(Mlt::Profile &profile, Mlt::Producer &clip, qint64 length)
{
    if (length < 4)
        return;
    Mlt::Filter fade(profile, "volume");
    fade.set_in_and_out(clip.get_in(), clip.get_out());
    fade.set("level",
             QStringLiteral("0=-60;1=0;%1=0;%2=-60").arg(length - 2).arg(length - 1).toUtf8().constData());
    clip.attach(fade);
}

struct Graph
{
    Mlt::Profile profile;
    std::unique_ptr<Mlt::Producer> video, audio;
    Mlt::Playlist videoTrack, audioTrack;
    Mlt::Tractor tractor;

    explicit Graph(const char *profileName)
        : profile(profileName), videoTrack(profile), audioTrack(profile), tractor(profile)
    { }
};

// Sets the profile of the reel: 1080 × 1920 square pixels, 30 fps progressive.
void setReelProfile(Mlt::Profile &profile)
{
    profile.set_width(ReelRenderer::width);
    profile.set_height(ReelRenderer::height);
    profile.set_frame_rate(timelineFrameRate, 1);
    profile.set_progressive(1);
    profile.set_sample_aspect(1, 1);
    profile.set_display_aspect(9, 16);
    profile.set_colorspace(709);
    profile.set_explicit(1);
}

// Builds the tractor: the video segments on track 0, the audio segments on
// track 1 mixed into it. Fails with the file MLT cannot open.
RenderResult<bool> buildGraph(Graph &g, const ReelCut &cut)
{
    if (!cut.videoPath.isEmpty()) {
        g.video = std::make_unique<Mlt::Producer>(g.profile, nullptr, cut.videoPath.toUtf8().constData());
        if (!g.video->is_valid())
            return {RenderError::missingTakeFile, QFileInfo(cut.videoPath).fileName()};
        g.video->set("audio_index", -1);
        // A segment after a gap shorter than half the recorder's key-frame
        // interval is reached by decoding on through the gap: a seek decodes
        // from the key frame before the segment, on average half an interval,
        // and wastes the frames in flight in the decoder's threads. MLT by
        // default seeks across any gap of 12 frames or more.
        g.video->set("seek_threshold", takeKeyFrameInterval / 2);
        // The frames are asked for once each and in order; the producer's
        // cache of recent pictures would copy every one of them for nothing.
        g.video->set("noimagecache", 1);
    } else {
        g.video = std::make_unique<Mlt::Producer>(g.profile, "color", "#ff000000");
        g.video->set("length", int(cut.takeFrames));
        g.video->set("out", int(cut.takeFrames - 1));
    }
    if (!cut.audioPath.isEmpty()) {
        g.audio = std::make_unique<Mlt::Producer>(g.profile, nullptr, cut.audioPath.toUtf8().constData());
        if (!g.audio->is_valid())
            return {RenderError::missingTakeFile, QFileInfo(cut.audioPath).fileName()};
        g.audio->set("video_index", -1);
    }

    for (const ReelCut::Segment &s : cut.segments) {
        const int in = int(s.sourceStart), out = int(s.sourceStart + s.length - 1);
        g.videoTrack.append(*g.video, in, out);
        if (g.audio) {
            g.audioTrack.append(*g.audio, in, out);
            std::unique_ptr<Mlt::Producer> clip(g.audioTrack.get_clip(g.audioTrack.count() - 1));
            if (clip)
                fadeSegment(g.profile, *clip, s.length);
        }
    }
    g.tractor.set_track(g.videoTrack, 0);
    if (g.audio) {
        g.tractor.set_track(g.audioTrack, 1);
        std::unique_ptr<Mlt::Producer> track(g.tractor.track(1));
        if (track)
            track->set("hide", 1); // the audio track gives no picture
        Mlt::Transition mix(g.profile, "mix");
        mix.set("always_active", 1);
        mix.set("sum", 1);
        g.tractor.plant_transition(mix, 0, 1);
    }
    return true;
}

void setEncoding(Mlt::Consumer &consumer)
{
    consumer.set("f", "mp4");
    consumer.set("movflags", "+faststart");
    consumer.set("vcodec", "libx264");
    consumer.set("vprofile", "high");
    consumer.set("preset", ReelRenderer::speedPreset);
    if (*ReelRenderer::encoderOptions)
        consumer.set("x264-params", ReelRenderer::encoderOptions);
    consumer.set("pix_fmt", "yuv420p");
    // The pictures reach the consumer in MLT's default, packed 4:2:2. Asked
    // for yuv420p instead, MLT 7.12's avformat consumer writes the U plane
    // into V as well (every colour turns violet or green), which costs more
    // than the conversions it would save.
    consumer.set("vb", ReelRenderer::videoBitrate);
    consumer.set("maxrate", ReelRenderer::videoBitrate * 6 / 5);
    consumer.set("bufsize", ReelRenderer::videoBitrate * 2);
    consumer.set("g", 2 * timelineFrameRate); // a key frame every two seconds
    consumer.set("acodec", "aac");
    consumer.set("ab", ReelRenderer::audioBitrate);
    consumer.set("ar", 48000);
    consumer.set("channels", 2);
    consumer.set("threads", 0);
    // One worker thread and no dropped frames: every frame is rendered
    // however long it takes. Two workers ask the take's one decoder for
    // neighbouring frames in either order; a frame asked for after its
    // successor makes the decoder seek back to the key frame and decode
    // the group again, which cost up to a fifth of a render's CPU time. The
    // cores stay busy without a second worker: the decoder and x264 run
    // threads of their own.
    consumer.set("real_time", -1);
    consumer.set("terminate_on_pause", 1);
}

// Starts `consumer` from a thread of lower priority, so that every thread
// MLT starts for it (its own, the decoders' and the encoder's) inherits
// that priority while the caller keeps its own. A caller that runs lower
// already is not raised.
int startNiced(Mlt::Consumer &consumer)
{
    int started = -1;
    std::thread([&] {
        errno = 0;
        const int current = getpriority(PRIO_PROCESS, gettid());
        if (errno == 0 && current < renderNice)
            setpriority(PRIO_PROCESS, gettid(), renderNice);
        started = consumer.start();
    }).join();
    return started;
}

// Whether the file at `path` holds the whole reel: a video track of `frames`
// frames and, when the take has sound, an audio track.
bool complete(const QString &path, qint64 frames, bool withAudio)
{
    const auto index = MovieIndex::read(path);
    if (!index)
        return false;
    const std::optional<MovieTrack> video = index->track(MovieTrack::Kind::video);
    if (!video || video->samples != frames)
        return false;
    return !withAudio || index->track(MovieTrack::Kind::audio).has_value();
}

RenderResult<QString> failedWrite(const QString &folder)
{
    if (QStorageInfo(folder).bytesAvailable() < lowSpace)
        return {RenderError::diskFull, folder};
    return {RenderError::writeFailed, folder};
}

} // namespace

RenderResult<QString> ReelRenderer::render(const ReelCut &cut, const QList<CaptionCue> &cues,
                                           const QString &outputPath, const ProgressHandler &progress,
                                           const std::atomic<bool> &cancelled)
{
    const QString folder = QFileInfo(outputPath).absolutePath();
    if (!QFileInfo(folder).isDir() || !QFileInfo(folder).isWritable())
        return {RenderError::writeFailed, folder};
    const double seconds = double(cut.frames) / timelineFrameRate;
    const double needed = seconds * (videoBitrate * 1.2 + audioBitrate) / 8 * sizeReserve;
    const QStorageInfo storage(folder);
    if (storage.isValid() && double(storage.bytesAvailable()) < needed)
        return {RenderError::diskFull, folder};
    if (!repository())
        return RenderError::engineFailed;

    // The captions go to libass as a file of their own.
    QTemporaryFile captions(QDir::temp().filePath(QStringLiteral("tandrel-captions-XXXXXX.ass")));
    if (!cues.isEmpty()) {
        if (!captions.open() || captions.write(CaptionScript::text(cues).toUtf8()) < 0 || !captions.flush())
            return {RenderError::writeFailed, QDir::tempPath()};
    }

    Graph graph(nullptr);
    setReelProfile(graph.profile);
    if (const RenderResult<bool> built = buildGraph(graph, cut); !built)
        return RenderResult<QString>::failureOf(built);
    std::shared_ptr<CaptionOverlay> overlay;
    if (!cues.isEmpty()) {
        overlay = CaptionOverlay::draw(graph.profile, captions.fileName(), cues, cut.frames);
        std::unique_ptr<Mlt::Filter> filter = overlay ? overlay->filter(graph.profile) : nullptr;
        if (!filter || graph.tractor.attach(*filter) != 0)
            return RenderError::engineFailed;
    }

    const QString partial = partialPath(outputPath);
    Mlt::Consumer consumer(graph.profile, "avformat", partial.toUtf8().constData());
    if (!consumer.is_valid())
        return RenderError::engineFailed;
    setEncoding(consumer);
    consumer.connect(graph.tractor);

    QElapsedTimer clock;
    clock.start();
    if (startNiced(consumer) != 0) {
        QFile::remove(partial);
        return RenderError::engineFailed;
    }
    RenderProgress shown{0, cut.frames, std::nullopt};
    while (!consumer.is_stopped() && !cancelled) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        RenderProgress now{std::clamp<qint64>(graph.tractor.position(), 0, cut.frames), cut.frames,
                           std::nullopt};
        // The pace is trusted after a second and a few frames.
        if (now.frame > 5 && clock.elapsed() > 1000)
            now.secondsLeft = clock.elapsed() / 1000.0 * double(cut.frames - now.frame) / double(now.frame);
        if (progress && now != shown)
            progress(now);
        shown = now;
    }
    consumer.stop();
    consumer.purge();

    if (cancelled) {
        QFile::remove(partial);
        return RenderError::cancelled;
    }
    if (overlay && overlay->failed()) {
        QFile::remove(partial);
        return RenderError::engineFailed;
    }
    if (!complete(partial, cut.frames, !cut.audioPath.isEmpty())) {
        QFile::remove(partial);
        return failedWrite(folder);
    }
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(outputPath).constData()) != 0) {
        QFile::remove(partial);
        return failedWrite(folder);
    }
    if (progress)
        progress({cut.frames, cut.frames, 0.0});
    return outputPath;
}

} // namespace tandrel
