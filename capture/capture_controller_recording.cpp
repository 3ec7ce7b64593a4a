#include "capture/capture_controller.h"

#include "capture/audio_file_writer.h"
#include "capture/gst_support.h"
#include "capture/portrait_renderer.h"
#include "capture/video_file_writer.h"
#include "platform/main_thread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <thread>

namespace tandrel {

namespace {

// A file counts when it holds more than a bare header.
bool fileHasContent(const std::optional<QString> &path)
{
    if (!path)
        return false;
    const QFileInfo info(*path);
    return info.exists() && info.size() > 64;
}

void removeFile(const std::optional<QString> &path)
{
    if (path)
        QFile::remove(*path); // housekeeping: a failure is ignored
}

} // namespace

namespace {

// Seconds on the clock that stamps every captured frame and buffer.
double captureClockNow()
{
    return double(gst_clock_get_time(sharedCaptureClock())) / double(GST_SECOND);
}

} // namespace

// Main thread.
void CaptureController::startRecording(const QString &directory, TakeCompletion completion)
{
    Q_ASSERT(isMainThread());
    const std::optional<QString> videoID = m_selectedVideoSourceID;
    const std::optional<QString> micID = m_selectedMicrophoneID;
    m_sessionQueue->post([this, directory, videoID, micID, completion = std::move(completion)]() mutable {
        startOnSessionQueue(directory, videoID, micID, std::move(completion));
    });
}

// Main thread.
void CaptureController::stopRecording()
{
    Q_ASSERT(isMainThread());
    m_sessionQueue->post([this] { stopOnSessionQueue(); });
}

// Session queue.
void CaptureController::startOnSessionQueue(const QString &directory, const std::optional<QString> &videoID,
                                            const std::optional<QString> &micID, TakeCompletion completion)
{
    Q_ASSERT(m_sessionQueue->isCurrent());
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
            setLastError(message);
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
    m_sessionStartTime.reset();
    m_recordingStart = QDateTime::currentDateTime();
    m_recordingStartClock = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(m_speechLock);
        m_speech.tracker.reset();
        m_speech.active = true;
        m_speech.lastTime = 0;
    }
    m_takeCaptureStart.store(captureClockNow(), std::memory_order_relaxed);
    m_takeOpen.store(true, std::memory_order_release);
    m_recordingActive.store(true, std::memory_order_release);

    runOnMain(this, [this, start = m_recordingStartClock] {
        setIsRecording(true);
        setRecordedDuration(0);
        setStatusMessage(QStringLiteral("Aufnahme"));
        delete m_durationTimer;
        m_durationTimer = new QTimer(this);
        m_durationTimer->setInterval(200);
        connect(m_durationTimer, &QTimer::timeout, this, [this, start] {
            setRecordedDuration(
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        });
        m_durationTimer->start();
    });
}

// Session queue. The stamp of a take starting at `now`; within one second
// a second take gets "-2", "-3" … so that no earlier file is replaced.
QString CaptureController::freeTakeStamp(const QDir &dir, const QDateTime &now)
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
Status CaptureController::prepareWriters(const std::optional<QString> &videoPath,
                                         const std::optional<QString> &audioPath)
{
    m_videoWriter.reset();
    m_audioWriter.reset();
    if (videoPath) {
        auto writer = VideoFileWriter::create(*videoPath);
        if (!writer)
            return Status::failure(writer.error());
        m_videoWriter = *writer;
    }
    if (audioPath) {
        auto writer = AudioFileWriter::create(*audioPath);
        if (!writer) {
            // Nothing was written: the video file just opened goes again.
            m_videoWriter.reset();
            removeFile(videoPath);
            return Status::failure(writer.error());
        }
        m_audioWriter = *writer;
    }
    if (!m_videoWriter && !m_audioWriter)
        return Status::failure(QStringLiteral("Keine Quelle gewählt."));
    return {};
}

// Session queue.
void CaptureController::stopOnSessionQueue()
{
    Q_ASSERT(m_sessionQueue->isCurrent());
    if (!m_recordingActive.load(std::memory_order_acquire))
        return;
    const double duration
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_recordingStartClock).count();
    closeGateAfterLateSamples();
    // A sample that passed the gate just before it closed finishes first, so
    // that the counts are final and no append races the end of the stream.
    m_outputQueue->postAndWait([] {});
    runOnMain(this, [this] {
        delete m_durationTimer;
        m_durationTimer = nullptr;
    });

    FinishedTake finished;
    finished.duration = duration;
    finished.recordedAt = m_recordingStart;
    finished.videoPath = m_pendingVideoURL;
    finished.audioPath = m_pendingAudioURL;
    finished.expectedVideo = m_expectedVideo;
    finished.videoFrameCount = m_videoFrameCount;
    finished.audioBufferCount = m_audioBufferCount;
    finished.completion = std::move(m_finishHandler);
    m_finishHandler = nullptr;
    {
        std::lock_guard lock(m_speechLock);
        m_speech.active = false;
        finished.intervals = m_speech.tracker.finish(finished.duration, m_speech.lastTime);
    }

    // Both writers finish concurrently; the last one to end hands the take
    // to the main thread. The writers end on threads of their own, which may
    // outlive the controller: they post to the application and the main
    // thread looks whether the controller is still there.
    auto shared = std::make_shared<FinishedTake>(std::move(finished));
    const auto handOver = [controller = QPointer<CaptureController>(this), shared] {
        runOnMain([controller, shared] {
            if (controller)
                controller->finishTake(std::move(*shared));
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
// source has delivered a sample from after it, or a second has passed.
void CaptureController::closeGateAfterLateSamples()
{
    m_videoPastStop.store(false, std::memory_order_relaxed);
    m_audioPastStop.store(false, std::memory_order_relaxed);
    m_lateSamplesBefore.store(captureClockNow(), std::memory_order_relaxed);
    m_takingLateSamples.store(true, std::memory_order_release);
    m_recordingActive.store(false, std::memory_order_release);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    const bool video = m_videoWriter != nullptr, audio = m_audioWriter != nullptr;
    while ((video && !m_videoPastStop.load(std::memory_order_acquire))
           || (audio && !m_audioPastStop.load(std::memory_order_acquire))) {
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_takingLateSamples.store(false, std::memory_order_release);
}

// Main thread.
void CaptureController::finishTake(FinishedTake take)
{
    Q_ASSERT(isMainThread());
    setIsRecording(false);
    m_videoWriter.reset();
    m_audioWriter.reset();
    m_sessionStartTime.reset();

    const bool keepVideo = take.videoFrameCount >= 1 && fileHasContent(take.videoPath);
    const bool keepAudio = take.audioBufferCount >= 1 && fileHasContent(take.audioPath);
    if (!keepVideo)
        removeFile(take.videoPath);
    if (!keepAudio)
        removeFile(take.audioPath);
    const QString idleStatus = m_selectedVideoSourceID ? QStringLiteral("Live") : QStringLiteral("Nur Audio");
    m_takeOpen.store(false, std::memory_order_release);

    if (!keepVideo && !keepAudio) {
        setStatusMessage(idleStatus);
        const QString message = take.expectedVideo
                ? QStringLiteral("Keine Bilder empfangen. Kamera, HDMI-Karte oder Bildschirmfreigabe prüfen.")
                : QStringLiteral("Keine Audiodaten empfangen. Audioquelle prüfen.");
        setLastError(message);
        if (take.completion)
            take.completion(Result<Take>::failure(message));
        return;
    }
    if (keepAudio && !keepVideo && take.expectedVideo)
        setLastError(QStringLiteral("Keine Videobilder empfangen. Take enthält nur Audio."));

    Take result;
    result.id = QUuid::createUuid();
    result.recordedAt = take.recordedAt ? *take.recordedAt : QDateTime::currentDateTime();
    if (keepVideo)
        result.videoFileName = QFileInfo(*take.videoPath).fileName();
    if (keepAudio)
        result.audioFileName = QFileInfo(*take.audioPath).fileName();
    result.duration = take.duration;
    result.speechIntervals = take.intervals;
    setStatusMessage(idleStatus);
    if (take.completion)
        take.completion(result);
}

} // namespace tandrel
