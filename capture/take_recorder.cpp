#include "capture/take_recorder.h"

#include "capture/audio_file_writer.h"
#include "capture/gst_support.h"
#include "capture/portrait_renderer.h"
#include "capture/video_file_writer.h"
#include "capture/video_source.h"
#include "media/audio_level.h"
#include "platform/main_thread.h"
#include "platform/serial_queue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

#include <cmath>
#include <thread>
#include <vector>

namespace tandrel {

namespace {

// One line per take with video: how its frames met the frame grid.
Q_LOGGING_CATEGORY(takeLog, "tandrel.capture.take", QtInfoMsg)

void removeFile(const std::optional<QString> &path)
{
    if (path)
        QFile::remove(*path); // housekeeping: a failure is ignored
}

// Frames arrive as 32-bit BGRA rows, which the renderer converts with BT.601.
const GstVideoColorimetry &bgraColorimetry()
{
    static const GstVideoColorimetry colorimetry = [] {
        GstVideoInfo info;
        gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGRA, 16, 16);
        return PortraitRenderer::outputColorimetry(info);
    }();
    return colorimetry;
}

} // namespace

static_assert(VideoFileWriter::MaxTakeSeconds == 3600 && VideoFileWriter::ReservedSeconds == 3900,
              "TakeRecorder::Timing's defaults name the writers' limits");

TakeRecorder::TakeRecorder(SerialQueue &sessionQueue, SerialQueue &outputQueue, Display display,
                           QObject *parent)
    : TakeRecorder(sessionQueue, outputQueue, std::move(display), Timing(), parent)
{ }

TakeRecorder::TakeRecorder(SerialQueue &sessionQueue, SerialQueue &outputQueue, Display display,
                           Timing timing, QObject *parent)
    : QObject(parent), m_sessionQueue(sessionQueue), m_outputQueue(outputQueue),
      m_display(std::move(display)), m_timing(std::move(timing))
{ }

// The writers still finishing wait here for their files.
TakeRecorder::~TakeRecorder()
{
    for (std::thread &releaser : m_writerReleasers)
        releaser.join();
}

// Seconds on the clock that stamps every captured frame and buffer.
double TakeRecorder::captureClockNow() const
{
    if (m_timing.captureClock)
        return m_timing.captureClock();
    return double(gst_clock_get_time(sharedCaptureClock())) / double(GST_SECOND);
}

void TakeRecorder::setIsRecording(bool value)
{
    if (m_isRecording != value) {
        m_isRecording = value;
        emit isRecordingChanged();
    }
}

void TakeRecorder::setRecordedDuration(double value)
{
    if (m_recordedDuration != value) {
        m_recordedDuration = value;
        emit recordedDurationChanged();
    }
}

// Main thread.
void TakeRecorder::startRecording(const QString &directory, const std::optional<QString> &videoID,
                                  const std::optional<QString> &micID, TakeCompletion completion)
{
    Q_ASSERT(isMainThread());
    m_sessionQueue.post([this, directory, videoID, micID, completion = std::move(completion)]() mutable {
        startOnSessionQueue(directory, videoID, micID, std::move(completion));
    });
}

// Main thread.
void TakeRecorder::stopRecording()
{
    Q_ASSERT(isMainThread());
    m_sessionQueue.post([this] { stopOnSessionQueue(std::nullopt); });
}

// Main thread.
void TakeRecorder::abortRecording(const QString &reason)
{
    Q_ASSERT(isMainThread());
    m_sessionQueue.post([this, reason] { stopOnSessionQueue(reason); });
}

// Session queue.
void TakeRecorder::startOnSessionQueue(const QString &directory, const std::optional<QString> &videoID,
                                       const std::optional<QString> &micID, TakeCompletion completion)
{
    Q_ASSERT(m_sessionQueue.isCurrent());
    const auto refuse = [this, &completion](const QString &message) {
        runOnMain(this, [completion = std::move(completion), message] {
            if (completion)
                completion(Result<Take>::failure(message));
        });
    };
    // A take that is still being finished counts as running: its finish
    // would otherwise clear the writers of the new one.
    if (m_recordingActive.load(std::memory_order_acquire) || m_takeOpen.load(std::memory_order_acquire)) {
        refuse(QStringLiteral("Es läuft bereits eine Aufnahme."));
        return;
    }
    const bool wantVideo = videoID && *videoID != screenRequestID;
    const bool wantAudio = micID.has_value();
    if (!wantVideo && !wantAudio) {
        refuse(QStringLiteral("Bitte Video- oder Audioquelle wählen."));
        return;
    }

    const auto fail = [this, &completion](const QString &message) {
        m_recordingActive.store(false, std::memory_order_release);
        runOnMain(this, [this, completion = std::move(completion), message] {
            m_display.lastError(message);
            if (completion)
                completion(Result<Take>::failure(message));
        });
    };
    const QDir dir(directory);
    if (!QDir().mkpath(directory)) {
        fail(QStringLiteral("Aufnahmeordner konnte nicht angelegt werden: ")
             + QDir::toNativeSeparators(directory));
        return;
    }
    const QString stamp = freeTakeStamp(dir, QDateTime::currentDateTime());
    // Taken before the files exist, so that the library never adopts them
    // while they are written; a take is recorded even where no lock can be
    // made. Unlocking removes the file.
    auto lock = std::make_shared<QLockFile>(dir.filePath(stamp + QStringLiteral(".lock")));
    lock->setStaleLockTime(0);
    lock->tryLock(0);
    const std::optional<QString> videoPath
            = wantVideo ? std::optional(dir.filePath(stamp + QStringLiteral("-video.mov"))) : std::nullopt;
    const std::optional<QString> audioPath
            = wantAudio ? std::optional(dir.filePath(stamp + QStringLiteral("-audio.m4a"))) : std::nullopt;
    if (const Status prepared = prepareWriters(videoPath, audioPath); !prepared) {
        fail(prepared.error());
        return;
    }

    m_pendingVideoURL = videoPath;
    m_pendingAudioURL = audioPath;
    m_expectedVideo = wantVideo;
    m_expectedAudio = wantAudio;
    m_videoFrameCount = 0;
    m_audioBufferCount = 0;
    m_finishHandler = std::move(completion);
    m_takeLock = std::move(lock);
    m_limitReached.store(false, std::memory_order_relaxed);
    m_sessionStartTime.reset();
    m_recordingStart = QDateTime::currentDateTime();
    m_recordingStartClock = std::chrono::steady_clock::now();
    m_speechCell.update([](SpeechCaptureState &speech) {
        speech.tracker.reset();
        speech.active = true;
        speech.lastTime = 0;
    });
    m_takeCaptureStart.store(captureClockNow(), std::memory_order_relaxed);
    m_takeOpen.store(true, std::memory_order_release);
    m_recordingActive.store(true, std::memory_order_release);

    runOnMain(this, [this, start = m_recordingStartClock] { showStarted(start); });
}

// Main thread: the take runs; its duration counts up five times a second.
void TakeRecorder::showStarted(std::chrono::steady_clock::time_point start)
{
    setIsRecording(true);
    setRecordedDuration(0);
    m_display.statusMessage(QStringLiteral("Aufnahme"));
    delete m_durationTimer;
    m_durationTimer = new QTimer(this);
    m_durationTimer->setInterval(200);
    connect(m_durationTimer, &QTimer::timeout, this, [this, start] {
        setRecordedDuration(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    });
    m_durationTimer->start();
}

// Session queue. The stamp of a take starting at `now`; within one second
// a second take gets "-2", "-3" … so that no earlier file is replaced.
QString TakeRecorder::freeTakeStamp(const QDir &dir, const QDateTime &now)
{
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString candidate = stamp;
    for (int n = 2; QFileInfo::exists(dir.filePath(candidate + QStringLiteral("-video.mov")))
         || QFileInfo::exists(dir.filePath(candidate + QStringLiteral("-audio.m4a")));
         ++n)
        candidate = stamp + QLatin1Char('-') + QString::number(n);
    return candidate;
}

// Session queue. Writers are opened (their files created) but not started.
Status TakeRecorder::prepareWriters(const std::optional<QString> &videoPath,
                                    const std::optional<QString> &audioPath)
{
    m_videoWriter.reset();
    m_audioWriter.reset();
    if (videoPath) {
        auto writer = VideoFileWriter::create(*videoPath, m_timing.reservedSeconds);
        if (!writer)
            return Status::failure(writer.error());
        m_videoWriter = *writer;
        watchWriter(*m_videoWriter);
    }
    if (audioPath) {
        auto writer = AudioFileWriter::create(*audioPath, m_timing.reservedSeconds);
        if (!writer) {
            // Nothing was written: the video file just opened goes again.
            m_videoWriter.reset();
            removeFile(videoPath);
            return Status::failure(writer.error());
        }
        m_audioWriter = *writer;
        watchWriter(*m_audioWriter);
    }
    if (!m_videoWriter && !m_audioWriter)
        return Status::failure(QStringLiteral("Keine Quelle gewählt."));
    return {};
}

// Session queue. A writer that fails while the take runs ends the take: the
// other file is finished normally, and the take keeps what both files hold.
void TakeRecorder::watchWriter(MediaWriter &writer)
{
    writer.setFinishTimeout(m_timing.finishTimeout);
    // On a streaming thread of the writer: the stop goes through the main
    // thread, which outlives neither the recorder nor its session queue.
    writer.setFailureHandler([this] {
        runOnMain(this, [this] { m_sessionQueue.post([this] { stopOnSessionQueue(std::nullopt); }); });
    });
}

// Session queue.
void TakeRecorder::stopOnSessionQueue(std::optional<QString> abortReason)
{
    Q_ASSERT(m_sessionQueue.isCurrent());
    if (!m_recordingActive.load(std::memory_order_acquire))
        return;
    const double duration
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_recordingStartClock).count();
    closeGateAfterLateSamples();
    FinishedTake finished;
    // A sample that passed the gate just before it closed finishes first, so
    // that the counts are final and no append races the end of the stream;
    // then both files are made to reach the stop.
    m_outputQueue.postAndWait([this, &finished] { completeFiles(finished); });
    runOnMain(this, [this] {
        delete m_durationTimer;
        m_durationTimer = nullptr;
    });

    finished.duration = duration;
    finished.recordedAt = m_recordingStart;
    finished.videoPath = m_pendingVideoURL;
    finished.audioPath = m_pendingAudioURL;
    finished.expectedVideo = m_expectedVideo;
    finished.videoFrameCount = m_videoFrameCount;
    finished.audioBufferCount = m_audioBufferCount;
    finished.completion = std::move(m_finishHandler);
    m_finishHandler = nullptr;
    finished.abortReason = std::move(abortReason);
    finished.limitReached = m_limitReached.load(std::memory_order_acquire);
    finished.lock = std::move(m_takeLock);
    finished.intervals = m_speechCell.update([duration](SpeechCaptureState &speech) {
        speech.active = false;
        return speech.tracker.finish(duration, speech.lastTime);
    });
    finishWriters(std::move(finished));
}

// Session queue. Both writers finish concurrently, each on its own thread;
// the last one to end hands the take to the main thread. The writers stay
// referenced until finishTake, and a writer waits for its finish before it
// goes, so a recorder destroyed meanwhile still leaves finished files.
void TakeRecorder::finishWriters(FinishedTake finished)
{
    auto shared = std::make_shared<FinishedTake>(std::move(finished));
    const auto handOver = [recorder = QPointer<TakeRecorder>(this), shared,
                           video = std::weak_ptr<MediaWriter>(m_videoWriter),
                           audio = std::weak_ptr<MediaWriter>(m_audioWriter)] {
        // Off the main thread: a take cut short is as long as its files. The
        // writers are let go before the main thread may drop them.
        shared->noteWriterFailures(video.lock().get(), audio.lock().get());
        runOnMain([recorder, shared] {
            if (recorder)
                recorder->finishTake(std::move(*shared));
        });
    };
    std::vector<std::shared_ptr<MediaWriter>> finishing;
    for (const std::shared_ptr<MediaWriter> &w :
         {std::shared_ptr<MediaWriter>(m_videoWriter), std::shared_ptr<MediaWriter>(m_audioWriter)}) {
        if (w && w->status() == MediaWriter::Status::Writing)
            finishing.push_back(w);
        else if (w)
            w->cancelWriting(); // a writer that failed or never started
    }
    if (finishing.empty()) {
        handOver();
        return;
    }
    auto pending = std::make_shared<std::atomic<int>>(int(finishing.size()));
    for (const auto &w : finishing)
        w->finishWriting([pending, handOver] {
            if (pending->fetch_sub(1) == 1)
                handOver();
        });
}

// Session queue. Samples reach the output queue some way behind their
// capture (the camera's pipeline adds up to half a second): the gate closes
// now, but what was captured before this moment is still let in until each
// source has delivered a sample from after it, or the wait has passed.
void TakeRecorder::closeGateAfterLateSamples()
{
    m_videoPastStop.store(false, std::memory_order_relaxed);
    m_audioPastStop.store(false, std::memory_order_relaxed);
    m_lateSamplesBefore.store(captureClockNow(), std::memory_order_relaxed);
    m_takingLateSamples.store(true, std::memory_order_release);
    m_recordingActive.store(false, std::memory_order_release);

    const auto deadline = std::chrono::steady_clock::now() + m_timing.lateSampleWait;
    const bool video = m_videoWriter != nullptr, audio = m_audioWriter != nullptr;
    while ((video && !m_videoPastStop.load(std::memory_order_acquire))
           || (audio && !m_audioPastStop.load(std::memory_order_acquire))) {
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_takingLateSamples.store(false, std::memory_order_release);
}

// Output queue, the gate closed: the picture goes on to the stop on the
// frame grid (a still screen sends none while it does not change), and the
// sound, if it ended earlier, is filled with silence to the picture's end,
// so that both files are equally long. A take stopped at its limit ends there.
void TakeRecorder::completeFiles(FinishedTake &finished)
{
    if (!m_sessionStartTime || !m_videoWriter)
        return;
    double end = m_lateSamplesBefore.load(std::memory_order_relaxed) - *m_sessionStartTime;
    if (m_limitReached.load(std::memory_order_acquire))
        end = std::min(end, m_timing.takeLimit);
    if (m_videoWriter->frames() == 0 && !m_heldPicture.isNull())
        appendPicture(m_heldPicture, 0);
    qint64 frames = VideoFileWriter::gridFrame(end);
    if (m_audioWriter)
        frames = std::max(frames, VideoFileWriter::gridFrame(m_audioWriter->end()));
    m_videoWriter->extendTo(frames);
    if (m_audioWriter && m_videoWriter->frames() > 0)
        m_audioWriter->padTo(double(m_videoWriter->frames()) / VideoFileWriter::FrameRate);
    finished.gridFrames = m_videoWriter->frames();
    finished.repeatedFrames = m_videoWriter->repeatedFrames();
    finished.droppedFrames = m_videoWriter->droppedFrames();
}

// Main thread.
void TakeRecorder::finishTake(FinishedTake take)
{
    Q_ASSERT(isMainThread());
    setIsRecording(false);
    // A writer that timed out may still be stuck in the file system: it is
    // let go on a thread of the recorder's own rather than waited for here;
    // the recorder joins those threads when it ends.
    const auto stuck = [](const std::shared_ptr<MediaWriter> &w) {
        return w && w->failure() == MediaWriter::Failure::FinishTimedOut;
    };
    if (stuck(m_videoWriter) || stuck(m_audioWriter))
        m_writerReleasers.emplace_back(
                [video = std::move(m_videoWriter), audio = std::move(m_audioWriter)] {});
    m_videoWriter.reset();
    m_audioWriter.reset();
    m_sessionStartTime.reset();

    const FinishedTake::Outcome outcome = take.outcome(m_timing.takeLimit);
    if (take.videoPath && outcome.keepVideo)
        qCInfo(takeLog).noquote() << QStringLiteral("%1: %2 frames at %3 fps, %4 repeated, %5 dropped")
                                             .arg(QFileInfo(*take.videoPath).fileName())
                                             .arg(take.gridFrames)
                                             .arg(VideoFileWriter::FrameRate)
                                             .arg(take.repeatedFrames)
                                             .arg(take.droppedFrames);
    if (!outcome.keepVideo)
        removeFile(take.videoPath);
    if (!outcome.keepAudio)
        removeFile(take.audioPath);
    take.lock.reset();
    m_takeOpen.store(false, std::memory_order_release);
    m_display.statusMessage(m_display.videoSourceSelected() ? QStringLiteral("Live")
                                                            : QStringLiteral("Nur Audio"));
    if (outcome.note)
        m_display.lastError(*outcome.note);
    if (take.completion)
        take.completion(outcome.take);
}

// Output queue. A take holds what was captured between its start and its
// stop, whenever it arrives: samples captured before the start that arrive
// late are left out; while a stop lets late samples in, those captured
// before it still count, and the first one captured after it tells the stop
// that its source is through.
bool TakeRecorder::belongsToTake(double time, std::atomic<bool> &pastStop)
{
    if (m_recordingActive.load(std::memory_order_acquire))
        return time >= m_takeCaptureStart.load(std::memory_order_relaxed);
    if (!m_takingLateSamples.load(std::memory_order_acquire))
        return false;
    if (time < m_lateSamplesBefore.load(std::memory_order_relaxed))
        return time >= m_takeCaptureStart.load(std::memory_order_relaxed);
    pastStop.store(true, std::memory_order_release);
    return false;
}

// Output queue. Both files begin at the time of the take's first sample,
// whichever kind it is.
void TakeRecorder::startWritingIfNeeded(double time)
{
    if (m_sessionStartTime)
        return;
    m_sessionStartTime = time;
    if (m_videoWriter && m_videoWriter->status() == MediaWriter::Status::Unknown)
        m_videoWriter->startWriting();
    if (m_audioWriter && m_audioWriter->status() == MediaWriter::Status::Unknown)
        m_audioWriter->startWriting();
}

// Output queue. A sample at or past the longest a take may be is not
// written; the first one stops the take, which then ends with a note.
bool TakeRecorder::reachedLimit(double time)
{
    if (time - *m_sessionStartTime < m_timing.takeLimit)
        return false;
    if (!m_limitReached.exchange(true, std::memory_order_acq_rel))
        runOnMain(this, [this] { m_sessionQueue.post([this] { stopOnSessionQueue(std::nullopt); }); });
    return true;
}

// Output queue, for camera and screen frames alike.
void TakeRecorder::recordVideoFrame(const VideoFrame &frame)
{
    Q_ASSERT(m_outputQueue.isCurrent());
    const double t = frame.time();
    const bool belongs = belongsToTake(t, m_videoPastStop);
    const VideoFrame before = m_heldPicture;
    // A picture from after the stop is kept for the next take only once this
    // one is done: until its files are completed, the kept picture may be
    // the one a still screen showed all through it.
    if (!frame.isNull()
        && (belongs || !m_takeOpen.load(std::memory_order_acquire)
            || t < m_takeCaptureStart.load(std::memory_order_relaxed)))
        m_heldPicture = frame;
    if (!belongs)
        return;
    startWritingIfNeeded(t);
    if (reachedLimit(t) || !m_videoWriter || frame.isNull())
        return;
    const double takeTime = t - *m_sessionStartTime;
    // Late frames are dropped, not queued: the writer takes media in real
    // time, and the grid repeats the last picture meanwhile.
    if (!m_videoWriter->isReadyForMoreMediaData()) {
        m_videoWriter->dropFrame(takeTime);
        return;
    }
    // The picture from before the take stands for its first frames, unless
    // this one is the first.
    if (m_videoWriter->frames() == 0 && !before.isNull() && VideoFileWriter::gridFrame(takeTime) > 0)
        appendPicture(before, 0);
    appendPicture(frame, takeTime);
}

// Output queue: renders `frame` as it is cropped and mirrored now and
// appends it at `takeTime` seconds of the take.
void TakeRecorder::appendPicture(const VideoFrame &frame, double takeTime)
{
    if (!m_renderer) // made once, on the first frame ever recorded
        m_renderer = std::make_shared<PortraitRenderer>();
    const double cropOffset = m_cropOffsetCell.get();
    const VideoFlip flip = m_flipCell.get();
    GstBuffer *rendered = m_renderer->renderPortraitFrame(
            PortraitSource::packed(GST_VIDEO_FORMAT_BGRA, frame.width(), frame.height(), frame.data(),
                                   frame.stride()),
            cropOffset, flip.horizontal, flip.vertical, m_videoWriter->pixelBufferPool());
    if (!rendered)
        return;
    if (m_videoWriter->appendFrame(rendered, takeTime, bgraColorimetry()))
        m_videoFrameCount.fetch_add(1, std::memory_order_relaxed);
}

// Output queue.
void TakeRecorder::forgetPicture()
{
    Q_ASSERT(m_outputQueue.isCurrent());
    m_heldPicture = {};
}

// Output queue, after the audio tap has had the buffer.
void TakeRecorder::recordAudioBuffer(const AudioBuffer &buffer)
{
    Q_ASSERT(m_outputQueue.isCurrent());
    const double t = buffer.time;
    if (!belongsToTake(t, m_audioPastStop))
        return;
    startWritingIfNeeded(t);
    if (reachedLimit(t))
        return;
    feedSpeechActivity(buffer, t);
    if (m_audioWriter && m_audioWriter->isReadyForMoreMediaData()
        && m_audioWriter->appendBuffer(buffer, t - *m_sessionStartTime))
        m_audioBufferCount.fetch_add(1, std::memory_order_relaxed);
}

// Output queue. The tracker gets the buffer's own time from the start of
// the take, never below zero; only the latest time never goes back.
void TakeRecorder::feedSpeechActivity(const AudioBuffer &buffer, double time)
{
    const std::optional<float> level = audioLevel(buffer);
    if (!level)
        return;
    const double takeTime = m_sessionStartTime ? time - *m_sessionStartTime : 0;
    if (!std::isfinite(takeTime))
        return;
    m_speechCell.update([&](SpeechCaptureState &speech) {
        if (!speech.active)
            return;
        const double clamped = std::max(takeTime, 0.0);
        speech.lastTime = std::max(speech.lastTime, clamped);
        speech.tracker.process(*level, clamped);
    });
}

} // namespace tandrel
